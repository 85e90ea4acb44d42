#pragma once

#include <QByteArray>
#include <QSslConfiguration>
#include <QString>

namespace jaserelle::client {

struct ClientIdentity;

// The community's own certificate authority, when it has one: a file of that name beside
// jaserelle.ini. When it is there the server's certificate must chain to it and to nothing else
// (the system's authorities are then not consulted); without it, the system's authorities decide.
QString communityCaFile(const QString &appDir);

// How the request engine speaks TLS to the server: TLS 1.2 at least (1.3 when the server has
// it), the server's certificate checked against `appDir`'s community CA or the system's,
// `identity` presented when asked for, and `ticket` (from an earlier connection to the same
// server) offered so that the handshake resumes instead of starting over.
QSslConfiguration serverTlsConfiguration(const QString &appDir, const ClientIdentity *identity,
                                         const QByteArray &ticket);

} // namespace jaserelle::client
