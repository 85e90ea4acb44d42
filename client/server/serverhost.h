#pragma once

#include <QString>

namespace jaserelle::client {

// The configured server host may carry a port ("localhost:8080"); without one the port is 80.
// The Host: header always carries the text as configured.
struct ServerAddress
{
    QString host;
    quint16 port = 80;
    bool valid = false;
};

ServerAddress parseServerHost(const QString &configured);

} // namespace jaserelle::client
