#pragma once

#include "client/history/historyentry.h"

#include <QString>

class QTextCursor;
class QTextDocument;

namespace jaserelle::client {

// An entry as a conversation box shows it, at the cursor: `stamp` in grey (the time, or the day
// and the time for a past one), the name line in red (own) or blue, then what was said, or a
// notice in italics. Returns where the words after the name line start.
int showHistoryEntry(QTextCursor &cursor, const HistoryEntry &entry, const QString &ownPseudo,
                     const QString &stamp);

// The words of a stretch of a box, as the search finds them: paragraphs as line breaks, pictures
// left out.
QString wordsBetween(QTextDocument *document, int from, int to);

} // namespace jaserelle::client
