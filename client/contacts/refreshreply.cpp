#include "client/contacts/refreshreply.h"

#include "client/server/payloadfields.h"
#include "client/server/protocolwords.h"

#include <algorithm>
#include <array>

namespace jaserelle::client {

namespace {

const QStringView favorisStart = utf16<protocol::favorisStart, protocol::recordEnd>();
const QStringView noFavoris = utf16<protocol::noFavoris, protocol::recordEnd>();
const QStringView listeNoireStart = utf16<protocol::listeNoireStart, protocol::recordEnd>();
const QStringView noListeNoire = utf16<protocol::noListeNoire, protocol::recordEnd>();
const QStringView blackListedByStart = utf16<protocol::blackListedByStart, protocol::recordEnd>();
const QStringView blackListedByNoOne = utf16<protocol::blackListedByNoOne, protocol::recordEnd>();
const QStringView mailCountMarker = utf16<protocol::mailCount>();

// A record's text, without its "|": five fields ended by ",", the sixth takes the rest.
bool splitRecord(QStringView text, ContactRecord &record)
{
    const std::array<QStringView *, 5> leading = {&record.pseudo, &record.address, &record.sexe, &record.age,
                                                  &record.departement};
    return splitCommaFields(text, leading, record.colourFlag);
}

// At most how many records the text from `pos` can still hold: each takes six fields, five commas
// and its "|". Only a capacity, and one that costs no pass over the text: growing a long list step
// by step copied it over and over, and the pages of a capacity never filled are never touched.
// A reply of bars alone would stop at its first short record, so the guess is bounded too.
qsizetype recordsAhead(QStringView text, qsizetype pos)
{
    constexpr qsizetype shortestRecord = 12;
    constexpr qsizetype mostReserved = 8192;
    return std::min((text.size() - pos) / shortestRecord, mostReserved);
}

// Reads records from `pos` until the text before the next "|" is one of the two markers that
// open the next section; `pos` is then left on that marker. Each pass moves `pos` forward, so
// the loop ends on any text.
RefreshParseError readSection(QStringView text, qsizetype &pos, QStringView end1, QStringView end2,
                              QList<ContactRecord> &out)
{
    out.reserve(recordsAhead(text, pos));
    for (;;) {
        // A record is a few dozen characters: a plain scan beats the library's, made for long texts.
        const qsizetype bar = std::find(text.begin() + pos, text.end(), u'|') - text.begin();
        if (bar == text.size())
            return RefreshParseError::UnterminatedSection;
        const QStringView before = text.sliced(pos, bar - pos);
        if (before == end1 || before == end2)
            return RefreshParseError::None;
        ContactRecord record;
        if (!splitRecord(before, record))
            return RefreshParseError::ShortRecord;
        out.append(std::move(record));
        pos = bar + 1;
    }
}

// The markers without their "|": how they read as the text before a "|".
QStringView bare(QStringView marker)
{
    return marker.chopped(1);
}

} // namespace

RefreshReply parseRefreshReply(const QString &shared)
{
    RefreshReply reply;
    reply.text = shared;
    const QStringView text = reply.text;
    qsizetype pos = 0;
    auto stop = [&](RefreshParseError error) {
        reply.error = error;
        reply.rest = text.sliced(pos).toString();
        return reply;
    };

    // Whatever comes before the favourites (status line, headers, "REFRESHISOK") is skipped.
    if (const qsizetype at = text.indexOf(favorisStart); at >= 0) {
        pos = at + favorisStart.size();
        const RefreshParseError error =
            readSection(text, pos, bare(listeNoireStart), bare(noListeNoire), reply.favoris);
        if (error != RefreshParseError::None)
            return stop(error);
    } else if (const qsizetype none = text.indexOf(noFavoris); none >= 0) {
        pos = none + noFavoris.size();
    } else {
        return stop(RefreshParseError::MissingFavorisMarker);
    }

    if (const qsizetype at = text.indexOf(listeNoireStart, pos); at >= 0) {
        pos = at + listeNoireStart.size();
        const RefreshParseError error =
            readSection(text, pos, bare(blackListedByStart), bare(blackListedByNoOne), reply.listeNoire);
        if (error != RefreshParseError::None)
            return stop(error);
    } else if (const qsizetype none = text.indexOf(noListeNoire, pos); none >= 0) {
        pos = none + noListeNoire.size();
    } else {
        return stop(RefreshParseError::MissingListeNoireMarker);
    }

    if (const qsizetype at = text.indexOf(blackListedByStart, pos); at >= 0) {
        pos = at + blackListedByStart.size();
        for (;;) {
            const qsizetype comma = text.indexOf(u',', pos);
            if (comma < 0)
                return stop(RefreshParseError::UnterminatedBlackListedBy);
            const QStringView pseudo = text.sliced(pos, comma - pos);
            if (pseudo == mailCountMarker)
                break; // left in place for the mail count
            // A "|" means the list ran into something else than the mail count.
            if (pseudo.contains(u'|'))
                return stop(RefreshParseError::UnterminatedBlackListedBy);
            if (!pseudo.isEmpty())
                reply.blackListedBy.append(pseudo.toString());
            pos = comma + 1;
        }
    } else if (const qsizetype none = text.indexOf(blackListedByNoOne, pos); none >= 0) {
        pos = none + blackListedByNoOne.size();
    } else {
        return stop(RefreshParseError::MissingBlackListedByMarker);
    }

    reply.rest = text.sliced(pos).toString();
    return reply;
}

} // namespace jaserelle::client
