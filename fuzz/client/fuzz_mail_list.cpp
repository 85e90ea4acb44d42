// Whatever the server sends as a mail list: the parse ends, reads no more mails than it was told to
// expect, and every field it hands back is a piece of the reply, never spanning a "~".
#include "client/mail/maillist.h"
#include "client/server/wiretext.h"

#include <QByteArray>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace jaserelle::client;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte plays the counter of the main window, so that cut and long lists both come up.
    const int count = static_cast<int>(data[0]) - 8;
    const QString reply = wiretext::fromWire(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1)));
    const QList<MailEntry> mails = parseMailList(reply, count);
    if (mails.size() > std::max(count, 0))
        std::abort();
    for (const MailEntry &mail : mails) {
        if (mail.sender.contains(u'~') || mail.message.contains(u'~') || mail.subject.contains(u'~'))
            std::abort();
        if (mail.message.size() > reply.size() || mail.when.size() > 20)
            std::abort();
    }
    if (mailCountOf(reply) < 0)
        std::abort();
    return 0;
}
