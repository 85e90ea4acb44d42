#include "client/directory/searchreply.h"

#include "client/server/payloadfields.h"
#include "client/server/protocolwords.h"

#include <array>

namespace jaserelle::client {

namespace {

const QStringView startMarker = utf16<protocol::searchStart>();
const QStringView endMarker = utf16<protocol::searchOk>();
const QStringView maxMarker = utf16<protocol::maxResultReached>();
// More digits than any limit a server would set: the number is shown to the user as it is.
constexpr qsizetype maxResultDigits = 9;

// A record's text without its "|": six fields ended by ",", the seventh takes the rest.
bool splitRecord(QStringView text, SearchRecord &record)
{
    const std::array<QString *, 6> leading = {&record.pseudo,     &record.sexe,    &record.age,
                                              &record.postalCode, &record.address, &record.greyMark};
    return splitCommaFields(text, leading, record.colourFlag);
}

} // namespace

SearchReply parseSearchReply(QStringView text)
{
    SearchReply reply;
    qsizetype pos = text.indexOf(startMarker);
    auto stop = [&](SearchParseError error) {
        reply.error = error;
        reply.rest = text.sliced(pos).toString();
        return reply;
    };
    if (pos < 0) {
        pos = 0;
        return stop(SearchParseError::MissingStart);
    }
    pos += startMarker.size();
    // Each pass moves past one "|", so the loop ends on any text.
    for (;;) {
        const qsizetype bar = text.indexOf(u'|', pos);
        if (bar < 0)
            return stop(SearchParseError::Unterminated);
        const QStringView before = text.sliced(pos, bar - pos);
        if (before == endMarker) {
            pos = bar + 1;
            break;
        }
        SearchRecord record;
        if (!splitRecord(before, record))
            return stop(SearchParseError::ShortRecord);
        if (reply.records.size() < maxSearchRecords)
            reply.records.append(std::move(record));
        pos = bar + 1;
    }
    reply.rest = text.sliced(pos).toString();
    return reply;
}

std::optional<QString> parseMaxResult(QStringView text)
{
    const qsizetype at = text.indexOf(maxMarker);
    if (at < 0)
        return std::nullopt;
    const qsizetype from = at + maxMarker.size() + 1; // one separator character after the keyword
    const qsizetype bar = text.indexOf(u'|', from);
    if (from > text.size() || bar < 0)
        return std::nullopt;
    const QStringView number = text.sliced(from, bar - from);
    if (number.isEmpty() || number.size() > maxResultDigits)
        return std::nullopt;
    for (QChar c : number) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    return number.toString();
}

} // namespace jaserelle::client
