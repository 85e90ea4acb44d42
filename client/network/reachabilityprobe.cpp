#include "client/network/reachabilityprobe.h"

#include "client/server/serverhost.h"
#include "client/shell/clientstate.h"

#include <QTcpSocket>

namespace jaserelle::client {

ReachabilityProbe::ReachabilityProbe(const ClientState &state, QObject *parent) : QObject(parent), state_(state)
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
    socket_ = new QTcpSocket(this);
    QTcpSocket *socket = socket_;
    if (!state_.localAddress.isNull())
        socket->bind(state_.localAddress, 0);
    // Pseudo and password are letters and digits only: nothing to escape in the query.
    const QByteArray request = "GET /jaserelle/reachable?login=" + state_.userLogin.toLatin1() +
                               "&password=" + state_.userPassword.toLatin1() + " HTTP/1.1\r\nHost: " +
                               state_.serverHost.toLatin1() + "\r\nConnection: close\r\n\r\n";
    connect(socket, &QTcpSocket::connected, this, [socket, request] { socket->write(request); });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
        reply_ += socket->read(replyLimit - reply_.size());
        if (reply_.size() >= replyLimit)
            finish(parseProbeReply(reply_));
    });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        reply_ += socket->read(replyLimit - reply_.size());
        finish(parseProbeReply(reply_));
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (e != QAbstractSocket::RemoteHostClosedError)
            finish(ProbeAnswer::Unknown);
    });
    deadline_.start(deadlineMs);
    socket->connectToHost(server.host, server.port, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
}

void ReachabilityProbe::finish(ProbeAnswer answer)
{
    if (!socket_)
        return;
    deadline_.stop();
    QTcpSocket *socket = socket_;
    socket_.clear();
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    emit answered(answer);
}

} // namespace jaserelle::client
