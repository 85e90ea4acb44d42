#include "client/network/reachabilityprobe.h"

#include "client/network/reachability.h"
#include "client/server/serverconnection.h"
#include "client/server/serverhost.h"
#include "client/shell/clientstate.h"
#include "common/peerprobe.h"
#include "common/protocol.h"

#include <QRandomGenerator>
#include <QTcpSocket>

namespace jaserelle::client {

ReachabilityProbe::ReachabilityProbe(const ClientState &state, Reachability &reachability, QObject *parent)
    : QObject(parent), state_(state), reachability_(reachability)
{
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] { finish(ProbeAnswer::Unknown); });
}

ReachabilityProbe::~ReachabilityProbe()
{
    if (socket_)
        socket_->abort();
}

void ReachabilityProbe::ask()
{
    if (socket_)
        return;
    const ServerAddress server = parseServerHost(state_.serverHost);
    if (!server.valid || state_.userLogin.isEmpty()) {
        emit answered(ProbeAnswer::Unknown);
        return;
    }
    reply_.clear();
    QByteArray random(qsizetype(probeTokenLength / 2), Qt::Uninitialized);
    QRandomGenerator::system()->generate(random.begin(), random.end());
    const QByteArray token = random.toHex();
    // Pseudo and password are letters and digits only: nothing to escape in the query.
    const QByteArray request =
        serverGetRequest(state_.serverHost, QByteArrayView(protocol::reachablePath).toByteArray() +
                                                "?login=" + state_.userLogin.toLatin1() + "&password=" +
                                                state_.userPassword.toLatin1() + "&token=" + token);
    QTcpSocket *socket = openServerConnection(serverLinkOf(state_), this, [this, request] {
        if (socket_)
            socket_->write(request);
    });
    if (!socket) {
        emit answered(ProbeAnswer::Unknown);
        return;
    }
    socket_ = socket;
    reachability_.expectProbe(token);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        reply_ += socket->read(replyLimit - reply_.size());
        if (reply_.size() >= replyLimit)
            finish(parseProbeReply(reply_));
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        reply_ += socket->read(replyLimit - reply_.size());
        finish(parseProbeReply(reply_));
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError e) {
        // The server closing after its answer (over TLS, its close_notify) ends the answer.
        if (e != QAbstractSocket::RemoteHostClosedError) {
            finish(ProbeAnswer::Unknown);
            return;
        }
        reply_ += socket->read(replyLimit - reply_.size());
        finish(parseProbeReply(reply_));
    });
    deadline_.start(deadlineMs);
}

void ReachabilityProbe::finish(ProbeAnswer answer)
{
    if (!socket_)
        return;
    deadline_.stop();
    reachability_.expectProbe({});
    QTcpSocket *socket = socket_;
    socket_.clear();
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    emit answered(answer);
}

} // namespace jaserelle::client
