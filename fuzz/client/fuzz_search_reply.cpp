// Whatever the server sends as a search answer: the parse ends, no field spans a separator, the
// rest is a tail of the reply, and the limit is digits only.
#include "client/directory/searchreply.h"
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
    const SearchReply search = parseSearchReply(reply);
    if (!reply.endsWith(search.rest))
        std::abort();
    for (const SearchRecord &record : search.records) {
        if (record.pseudo.contains(u',') || record.colourFlag.contains(u'|'))
            std::abort();
    }
    if (const std::optional<QString> count = parseMaxResult(reply)) {
        for (QChar c : *count) {
            if (!c.isDigit())
                std::abort();
        }
    }
    return 0;
}
