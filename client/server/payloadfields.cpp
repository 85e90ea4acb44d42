#include "client/server/payloadfields.h"

namespace jaserelle::client {

bool splitCommaFields(QStringView text, std::span<QString *const> leading, QString &last)
{
    qsizetype pos = 0;
    for (QString *field : leading) {
        const qsizetype comma = text.indexOf(u',', pos);
        if (comma < 0)
            return false;
        *field = text.sliced(pos, comma - pos).toString();
        pos = comma + 1;
    }
    last = text.sliced(pos).toString();
    return true;
}

} // namespace jaserelle::client
