#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <functional>

class QObject;
class QTcpSocket;

namespace jaserelle::client {

struct ClientIdentity;
struct ClientState;

// What a connection to the community server needs beyond the request itself: the [server] line,
// the folder of jaserelle.ini (where the community CA and the client's key live), and the
// address to leave from (unset: the system's choice).
struct ServerLink
{
    QString serverHost;
    QString appDir;
    QHostAddress localAddress;
    // The key presented over TLS; none given: the one beside the ini, made at the first need.
    const ClientIdentity *identity = nullptr;
};
ServerLink serverLinkOf(const ClientState &state, const ClientIdentity *identity = nullptr);

// A connection to the server that speaks what the [server] line names, as the request engine
// does: for "https://" a QSslSocket with serverTlsConfiguration, and `ready` only once the
// handshake is done and the certificate checked; a refused certificate or a failed handshake is
// an error on the socket (errorOccurred), never a retry in plain. For a bare host, plain TCP and
// `ready` once connected. The caller owns the socket (parented to `parent`) and its other
// signals. Null when the address is no address or cannot be left from.
QTcpSocket *openServerConnection(const ServerLink &link, QObject *parent, std::function<void()> ready);

// The whole GET for `target` ("/path?query", already on the wire's alphabet), with the Host
// header the server expects for the [server] line (never its "https://").
QByteArray serverGetRequest(const QString &serverHost, const QByteArray &target);

} // namespace jaserelle::client
