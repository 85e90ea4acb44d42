#include "client/directory/photoreply.h"

#include "client/server/wiretext.h"

namespace jaserelle::client {

QByteArray photoBytes(QStringView reply)
{
    const qsizetype blank = reply.indexOf(u"\r\n\r\n");
    if (blank < 0)
        return {};
    // Every byte maps to one character and back, so the JPEG comes out exactly as it was sent.
    return wiretext::toWire(reply.sliced(blank + 4).toString());
}

} // namespace jaserelle::client
