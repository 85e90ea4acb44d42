#pragma once

#include <QString>

namespace jaserelle::client {

// The configured server host may carry a port ("localhost:8080"); without one the port is 80.
// "https://host[:port]" names a server spoken to over TLS, port 443 by default.
struct ServerAddress
{
    QString host;
    quint16 port = 80;
    bool valid = false;
    bool tls = false;
    // What the Host: header carries: the text as configured, without "https://".
    QString hostHeader;
};

ServerAddress parseServerHost(const QString &configured);

} // namespace jaserelle::client
