// Whatever the server sends as a profile or a photo: the fields stay inside the text, never hold
// their separator, the rest is a tail of the reply, and the photo bytes are a tail of its bytes.
#include "client/directory/photoreply.h"
#include "client/directory/profilereply.h"
#include "client/server/wiretext.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QString reply = wiretext::fromWire(bytes);
    const ProfileReply profile = parseProfileReply(reply);
    if (!reply.endsWith(profile.rest))
        std::abort();
    for (const QString &field : profile.fields) {
        if (field.contains(u','))
            std::abort();
    }
    profileTexts(profile, {u"p"_s, u"30"_s, u"75"_s, u"F"_s});
    if (!bytes.endsWith(photoBytes(reply)))
        std::abort();
    return 0;
}
