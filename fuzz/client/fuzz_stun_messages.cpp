// Whatever comes from the relay on a control or data connection: framed, read and checked without
// running off the bytes; what reads as a message encodes back to a message that reads the same.
#include "client/network/relayreplies.h"
#include "client/network/stunmessage.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace jaserelle::client;
using namespace jaserelle::client::stun;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    // A stream of messages, as the control connection cuts it.
    QByteArrayView rest = bytes;
    while (true) {
        const qsizetype n = messageSize(rest);
        if (n <= 0 || n > rest.size())
            break;
        if (n > maxMessageSize || n < headerSize)
            std::abort();
        const QByteArrayView one = rest.first(n);
        rest = rest.sliced(n);
        integrityMatches(one, "key");
        const auto m = decode(one);
        if (!m)
            continue;
        for (const Attribute &a : m->attributes) {
            if (a.value.size() > n)
                std::abort();
            readXorAddress(a.value);
            readErrorCode(a.value);
            readU32(a.value);
        }
        // Read back, it is the same message (attributes padded the same way).
        const auto again = decode(encode(*m));
        if (!again || again->method != m->method || again->type != m->type ||
            again->transactionId != m->transactionId || again->attributes.size() != m->attributes.size())
            std::abort();
    }
    relayreplies::parseCredentials(bytes);
    relayreplies::parseLookup(bytes);
    return 0;
}
