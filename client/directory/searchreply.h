#pragma once

#include "client/server/protocolwords.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

namespace jaserelle::client {

// One member found, in the order the server writes the fields.
struct SearchRecord
{
    QString pseudo;
    QString sexe;
    QString age;
    QString postalCode;
    QString address;  // "0.0.0.0" while the member is not connected
    QString greyMark; // "no" unless the member has put the user on the black list
    QString colourFlag;

    bool online() const { return address != latin1(protocol::offlineAddress); }
    // Connected and reachable: the row is black, and the member can be called.
    bool reachable() const { return online() && greyMark == u"no"; }
    bool man() const { return sexe == u"H"; }
    bool colourFace() const { return colourFlag == u"1"; }
    QString shownDepartement() const { return postalCode.left(2); }

    bool operator==(const SearchRecord &) const = default;
};

enum class SearchParseError
{
    None,
    MissingStart, // no "HERESTARTSEARCHRESULT"
    ShortRecord,  // a record ended ("|") before its seventh field
    Unterminated, // no "SEARCHISOK|" closes the records
};

// The server sends a hundred at most; whatever it sends, no more than this many are kept.
inline constexpr qsizetype maxSearchRecords = 5000;

struct SearchReply
{
    QList<SearchRecord> records;
    QString rest; // after the closing "SEARCHISOK|": the limit part, when there is one
    SearchParseError error = SearchParseError::None;
};

// Reads the records of a search answer, keeping the first maxSearchRecords. Stops at the first thing out of
// place, keeping the records read before it; never reads past the end of the text.
SearchReply parseSearchReply(QStringView reply);

// The number of results the server kept, from "MAXRESULTREACHED" + one separator + digits + "|";
// nothing when the part is not that shape.
std::optional<QString> parseMaxResult(QStringView reply);

} // namespace jaserelle::client
