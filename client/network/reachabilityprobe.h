#pragma once

#include "client/network/doorstate.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class QTcpSocket;

namespace jaserelle::client {

struct ClientState;

// Asks the community server whether this computer's peer port reaches it from the internet
// (jaserelle/reachable). A request of its own on a connection of its own: the request engine's
// one-at-a-time queue, the refresh and the user's requests never see it. One question at a time,
// bounded in time and size; an answer that cannot be read is Unknown.
class ReachabilityProbe : public QObject
{
    Q_OBJECT

public:
    static constexpr int deadlineMs = 15000;
    static constexpr qint64 replyLimit = 4096;

    explicit ReachabilityProbe(const ClientState &state, QObject *parent = nullptr);
    ~ReachabilityProbe() override;

    // Nothing when a question is already out.
    void ask();

signals:
    void answered(jaserelle::client::ProbeAnswer answer);

private:
    void finish(ProbeAnswer answer);

    const ClientState &state_;
    QPointer<QTcpSocket> socket_;
    QByteArray reply_;
    QTimer deadline_;
};

} // namespace jaserelle::client
