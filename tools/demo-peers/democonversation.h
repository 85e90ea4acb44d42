#pragma once

#include "client/conversation/peerframer.h"
#include "client/conversation/peerpackets.h"
#include "tools/demo-peers/cast.h"

#include <QHostAddress>
#include <QObject>

using namespace jaserelle::client;

class QTcpSocket;

// How long a demo member takes to do things, in milliseconds; tests shorten them.
struct Timing
{
    int answerMs = 1500;  // the call rings this long before the member answers
    int replyMs = 1200;   // the member "types" this long before each message
    int hangUpMs = 60000; // a member who hangs up does so this long into the conversation
};

// One conversation of a demo member over the peer link, byte for byte what a client sends: the
// member answers a call (or places one), greets, answers each message and each sound, and ends as
// its role says. The object deletes itself when the link is gone.
class DemoConversation : public QObject
{
    Q_OBJECT
public:
    // A call the user placed: `socket` was accepted on the member's address.
    DemoConversation(const CastMember &member, const Timing &timing, QTcpSocket *socket, QObject *parent);
    // A call the member places to the user, from its own address.
    DemoConversation(const CastMember &member, const Timing &timing, const QHostAddress &from,
                     const QString &userAddress, const QString &user, QObject *parent);

signals:
    void ended();

private:
    void attach();
    void onReadyRead();
    void handle(const PeerPacket &packet);
    void startTalking();
    void later(int ms, const QByteArray &packet);
    void send(const QByteArray &packet);
    void hangUp(); // the link is gone, or going: nothing more is sent

    CastMember member_;
    Timing timing_;
    QTcpSocket *socket_;
    PacketReassembler reassembler_;
    LinkSide side_;
    QString peer_;
    bool answered_ = false; // callee: the call request was answered; caller: the answer came
    bool talking_ = false;
    int turn_ = 0;
    bool over_ = false;
};
