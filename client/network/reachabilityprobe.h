#pragma once

#include "client/network/doorstate.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QTcpSocket;

namespace jaserelle::client {

struct ClientState;
class Reachability;

// Asks the community server whether this computer's peer port reaches it from the internet
// (jaserelle/reachable). A request of its own on a connection of its own: the request engine's
// one-at-a-time queue, the refresh and the user's requests never see it. One question at a time,
// bounded in time and size; an answer that cannot be read is Unknown. Each question carries a
// token of its own, left on the Reachability while it is out, for the listener to send back: the
// answer then says that the port reaches this client, not just some computer of the home.
class ReachabilityProbe : public QObject
{
    Q_OBJECT

public:
    static constexpr int deadlineMs = 15000;
    static constexpr qint64 replyLimit = 4096;

    ReachabilityProbe(const ClientState &state, Reachability &reachability, QObject *parent = nullptr);
    ~ReachabilityProbe() override;

    // Nothing when a question is already out.
    void ask();

signals:
    void answered(jaserelle::client::ProbeAnswer answer);

private:
    void finish(ProbeAnswer answer);

    const ClientState &state_;
    Reachability &reachability_;
    QPointer<QTcpSocket> socket_;
    QByteArray reply_;
    QTimer deadline_;
};

} // namespace jaserelle::client
