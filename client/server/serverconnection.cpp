#include "client/server/serverconnection.h"

#include "client/security/identity.h"
#include "client/server/serverhost.h"
#include "client/server/servertls.h"
#include "client/server/wiretext.h"
#include "client/shell/clientstate.h"

#include <QSslSocket>
#include <optional>

namespace jaserelle::client {

ServerLink serverLinkOf(const ClientState &state, const ClientIdentity *identity)
{
    return {state.serverHost, state.appDir, state.localAddress, identity};
}

QTcpSocket *openServerConnection(const ServerLink &link, QObject *parent, std::function<void()> ready)
{
    const ServerAddress address = parseServerHost(link.serverHost);
    if (!address.valid)
        return nullptr;
    QTcpSocket *socket = nullptr;
    QSslSocket *tls = nullptr;
    if (address.tls) {
        // Without a key handed in, the one the engine uses: a session bound to it accepts us.
        std::optional<ClientIdentity> own;
        if (!link.identity && !link.appDir.isEmpty())
            own = loadOrCreateIdentity(link.appDir);
        tls = new QSslSocket(parent);
        tls->setSslConfiguration(
            serverTlsConfiguration(link.appDir, link.identity ? link.identity : (own ? &*own : nullptr), {}));
        socket = tls;
    } else {
        socket = new QTcpSocket(parent);
    }
    if (!link.localAddress.isNull() && !socket->bind(link.localAddress, 0)) {
        delete socket;
        return nullptr;
    }
    // The address goes out in dotted decimal: stay on IPv4.
    if (tls) {
        QObject::connect(tls, &QSslSocket::encrypted, tls, std::move(ready));
        tls->connectToHostEncrypted(address.host, address.port, QIODevice::ReadWrite,
                                    QAbstractSocket::IPv4Protocol);
    } else {
        QObject::connect(socket, &QTcpSocket::connected, socket, std::move(ready));
        socket->connectToHost(address.host, address.port, QIODevice::ReadWrite,
                              QAbstractSocket::IPv4Protocol);
    }
    return socket;
}

QByteArray serverGetRequest(const QString &serverHost, const QByteArray &target)
{
    return "GET " + target +
           " HTTP/1.1\r\nHost: " + wiretext::toWire(parseServerHost(serverHost).hostHeader) +
           "\r\nConnection: close\r\nAccept: */*\r\n\r\n";
}

} // namespace jaserelle::client
