#pragma once

#include "client/conversation/conversationlink.h"
#include "client/conversation/peerframer.h"
#include "client/conversation/peerpackets.h"

#include <QAbstractSocket>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QHostAddress;
class QSslSocket;
class QTcpSocket;

namespace jaserelle::client {

struct ClientState;
struct PeerSecurity;
class Notifier;
class RelayRoute;
class SoundPlayer;

// Closes a socket once what was written to it has left, for at most a few seconds; then it goes.
void closeWhenSent(QTcpSocket *socket);

// One conversation's connection to the other client over a socket: either a call this client
// places (callMember) or one it answers (acceptConnection), plain, in TLS, or through the call
// relay. It frames what is sent, cuts what arrives back into packets, plays the sounds the packets
// ask for, and tells the user when the link ends on its own (refusal, cut-off, communication
// failure) before saying so with finished().
class PeerLink : public ConversationLink
{
    Q_OBJECT
public:
    // How long a call rings before it is a missed call. The caller gives up a little later, so
    // that the callee's own time-out is what a caller normally meets.
    static constexpr int ringDeadlineMs = 60000;
    static constexpr int callerGraceMs = 5000;

    PeerLink(const ClientState &state, Notifier &notifier, SoundPlayer &sound, QObject *parent = nullptr);
    ~PeerLink() override;

    // Where this client's key and the members' keys are. Without it (or without a key of this
    // client's own) every call is placed plain.
    void setSecurity(PeerSecurity *security) { security_ = security; }

    // Caller: connects to the member at `ipAdress` on the peer port; the call request leaves as soon
    // as the connection is made. An address that is not a dotted address fails like an
    // unreachable one. A member whose key the directory publishes is called in TLS, and the call
    // request leaves only once that member's key has been seen at the other end.
    void callMember(const QString &pseudo, const QString &ipAdress) override;
    // Callee: takes over a connection from the listener (in TLS already when the caller asked).
    void acceptConnection(QSslSocket *socket);

    bool isEncrypted() const override;
    QByteArray peerFingerprint() const override;

    // With a relay, a call first asks whether the member is reachable only through it; a direct
    // attempt then gets directAttemptMs before the relay is tried, and the user hears of the call
    // failing only once both have failed.
    static constexpr int directAttemptMs = 4000;
    void setRelayRoute(RelayRoute *route) { route_ = route; }

    void sendAcceptCall() override;
    // Sends the refusal, and closes the link once it has left (or the link failed).
    void setConnectNo() override;
    // The peer learns of it by the close.
    void closeConversation() override;

    // Caller: whether this link's connection leaves from this local address and port, as seen by
    // the listener that took the other end (a call that came back to this very client).
    bool isCallFrom(const QHostAddress &address, quint16 port) const;
    // Caller: the address called leads back to this client. The user is told the member cannot be
    // reached, and finished() follows.
    void reportUnreachable();

    bool sendMessage(const QString &rtf) override;
    bool sendSound(int index) override;

    State state() const override { return state_; }
    // Tests shorten the ringing; the application keeps the constant above.
    void setRingDeadline(int ms) { ringMs_ = ms; }
    QString peerPseudo() const override { return peerPseudo_; }

private:
    void attach(QSslSocket *socket);
    void onConnected();
    void onEncrypted();
    void onReadyRead();
    void onDisconnected();
    void onError(QAbstractSocket::SocketError error);
    bool readAvailable(); // false when the link was deleted meanwhile
    void handle(const QByteArray &payload);
    bool send(const QByteArray &packet);
    void playSound(std::string_view file);
    void detach();
    void communicationFailure();
    void onRingDeadline();
    // Callee: the call ended before the user answered it.
    bool unanswered() const;
    void connectDirect(const QString &ipAdress);
    void directFailed();
    void useRelayed(QSslSocket *socket);

    const ClientState &client_;
    Notifier &notifier_;
    SoundPlayer &sound_;
    PeerSecurity *security_ = nullptr;
    QPointer<QSslSocket> socket_;
    QByteArray expectedKey_; // caller: the key the directory publishes for the callee; empty: plain
    PacketReassembler reassembler_;
    LinkSide side_ = LinkSide::Callee;
    State state_ = State::Idle;
    QString peerPseudo_;
    bool callRefused_ = false;
    bool reading_ = false;
    int ringMs_ = ringDeadlineMs;
    QTimer *ringTimer_; // a child of this link
    RelayRoute *route_ = nullptr;
    bool relayTried_ = false;
    QPointer<QTimer> directDeadline_;
};

} // namespace jaserelle::client
