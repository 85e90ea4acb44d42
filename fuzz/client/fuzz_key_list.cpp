// Whatever the server sends as a key directory answer: the parse ends, keeps at most its bound of
// entries, and every entry it keeps is a pseudo of letters and digits with a well-formed
// fingerprint.
#include "client/security/keylistreply.h"
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
    const KeyListReply list = parseKeyListReply(reply);
    if (list.keys.size() > KeyListReply::maxKeys)
        std::abort();
    if (list.status != KeyListReply::Status::Listed && !list.keys.empty())
        std::abort();
    for (const PublishedKey &key : list.keys) {
        if (!isFingerprint(key.fingerprint) || key.pseudo.isEmpty() || key.pseudo.contains(u',') ||
            key.pseudo.contains(u'|'))
            std::abort();
    }
    return 0;
}
