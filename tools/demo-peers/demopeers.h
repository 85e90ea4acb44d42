#pragma once

#include "client/directory/searchreply.h"
#include "tools/demo-peers/cast.h"
#include "tools/demo-peers/democonversation.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <vector>

using namespace jaserelle::client;

class QTcpServer;

// Every demo member the server shows connected, each listening on its own address, and the one
// call a session gets: a while after the user logs in, one of the members who call takes a turn,
// unless a demo call is ringing or under way, in which case it waits for the line to be free.
class DemoPeers : public QObject
{
    Q_OBJECT
public:
    DemoPeers(const Timing &timing, int callAfterMs, const QString &user, QObject *parent = nullptr);

    // Starts listening for every member in `online`; returns how many listen.
    int listen(const QList<SearchRecord> &online);
    // The user's address from the server: empty when he is not connected.
    void setUserAddress(const QString &address);

private:
    struct Member
    {
        CastMember cast;
        QHostAddress address;
        QTcpServer *server;
    };
    void track(DemoConversation *conversation);
    void callUser();

    Timing timing_;
    int callAfterMs_;
    QString user_;
    QString userAddress_;
    std::vector<Member> members_;
    int live_ = 0; // conversations ringing or under way, both ways
    std::size_t nextCaller_ = 0;
    QTimer callTimer_;
};
