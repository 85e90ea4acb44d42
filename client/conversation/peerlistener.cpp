#include "client/conversation/peerlistener.h"

#include "client/conversation/peerpackets.h"
#include "client/shell/clientstate.h"

#include <QTcpSocket>

PeerListener::PeerListener(const ClientState &state, QObject *parent) : QObject(parent), state_(state)
{
    connect(&server_, &QTcpServer::newConnection, this, &PeerListener::takePending);
}

bool PeerListener::listen()
{
    if (server_.isListening())
        return true;
    const QHostAddress address =
        state_.localAddress.isNull() ? QHostAddress(QHostAddress::Any) : state_.localAddress;
    return server_.listen(address, peerPort);
}

void PeerListener::takePending()
{
    while (QTcpSocket *socket = server_.nextPendingConnection()) {
        socket->setParent(this);
        emit connectionArrived(socket);
        if (socket->parent() == this) {
            socket->abort();
            socket->deleteLater();
        }
    }
}
