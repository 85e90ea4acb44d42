// Whatever the server answers to a login: the message is read without running off the text, and
// neither it nor the rewritten reply ever grows.
#include "client/server/loginreply.h"
#include "client/server/wiretext.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace jaserelle::client;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString reply = wiretext::fromWire(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    const qsizetype before = reply.size();
    const LoginMessage message = takeLoginMessage(reply);
    if (reply.size() > before || message.text.size() > before)
        std::abort();
    return 0;
}
