#include "client/contacts/mailcount.h"

#include "client/server/protocolwords.h"
namespace jaserelle::client {

namespace {

const QStringView marker = utf16<protocol::mailCount, protocol::fieldSeparator>();
// More digits than this cannot be a mail count: the reply is broken, not the mail box full.
constexpr qsizetype maxDigits = 9;

} // namespace

std::optional<int> parseMailCount(QStringView reply)
{
    const qsizetype at = reply.indexOf(marker);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = at + marker.size();
    const qsizetype comma = reply.indexOf(u',', start);
    if (comma < 0)
        return std::nullopt;
    const QStringView field = reply.sliced(start, comma - start).trimmed();
    qsizetype digits = 0;
    while (digits < field.size() && field[digits].isDigit() && field[digits].unicode() < 0x80)
        ++digits;
    if (digits > maxDigits)
        return std::nullopt;
    return digits == 0 ? 0 : field.first(digits).toInt();
}

void removeMailCountMarkers(QString &reply)
{
    reply.remove(utf16<protocol::blackListedByNoOne, protocol::recordEnd>().toString());
    reply.remove(marker.toString());
}

} // namespace jaserelle::client
