// Whatever the server sends as a contact refresh: the parse ends, stays inside the text, and
// hands back a rest that is a tail of what it was given.
#include "client/contacts/mailcount.h"
#include "client/contacts/refreshreply.h"
#include "client/server/wiretext.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace jaserelle::client;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString reply = wiretext::fromWire(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    const RefreshReply parsed = parseRefreshReply(reply);
    if (!reply.endsWith(parsed.rest))
        std::abort();
    for (const ContactRecord &record : parsed.favoris + parsed.listeNoire) {
        if (record.pseudo.contains(u'|') || record.departement.contains(u','))
            std::abort(); // a field never spans a separator
    }
    QString rest = parsed.rest;
    if (const std::optional<int> count = parseMailCount(rest); count && *count < 0)
        std::abort();
    removeMailCountMarkers(rest);
    return 0;
}
