#include "client/server/serverhost.h"

namespace jaserelle::client {

ServerAddress parseServerHost(const QString &configured)
{
    ServerAddress address;
    QString host = configured;
    QString port;
    static constexpr QStringView tlsScheme = u"https://";
    if (host.startsWith(tlsScheme, Qt::CaseInsensitive)) {
        host.remove(0, tlsScheme.size());
        if (host.endsWith(u'/'))
            host.chop(1);
        address.tls = true;
        address.port = 443;
    }
    address.hostHeader = address.tls ? host : configured;
    if (host.startsWith(u'[')) { // [v6]:port
        const qsizetype close = host.indexOf(u']');
        if (close < 0)
            return address;
        port = host.mid(close + 1);
        host = host.mid(1, close - 1);
        if (!port.isEmpty()) {
            if (!port.startsWith(u':'))
                return address;
            port.remove(0, 1);
        }
    } else if (host.count(u':') == 1) {
        const qsizetype colon = host.indexOf(u':');
        port = host.mid(colon + 1);
        host.truncate(colon);
    }
    if (host.isEmpty() || host.contains(u' ') || (address.tls && host.contains(u'/')))
        return address;
    if (!port.isNull()) {
        bool ok = false;
        const uint value = port.toUInt(&ok);
        if (!ok || value == 0 || value > 65535)
            return address;
        address.port = static_cast<quint16>(value);
    }
    address.host = host;
    address.valid = true;
    return address;
}

} // namespace jaserelle::client
