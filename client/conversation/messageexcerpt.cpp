#include "client/conversation/messageexcerpt.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

QString messageExcerpt(QStringView plainText, qsizetype maxChars)
{
    // QTextDocument's stand-in for an inline picture.
    constexpr QChar objectReplacement(0xFFFC);
    QString line;
    line.reserve(std::min(plainText.size(), maxChars + 1));
    bool pendingSpace = false;
    for (const QChar c : plainText) {
        if (c.isSpace()) {
            pendingSpace = !line.isEmpty();
            continue;
        }
        if (pendingSpace)
            line += u' ';
        pendingSpace = false;
        if (c == objectReplacement)
            line += u"[image]"_s;
        else
            line += c;
        if (line.size() > maxChars)
            break; // enough to know it has to be cut
    }
    if (line.size() <= maxChars)
        return line;
    qsizetype cut = maxChars;
    const qsizetype space = line.lastIndexOf(u' ', maxChars);
    // A word boundary in the last third keeps the bubble tidy; a single long word is cut anyway.
    if (space > maxChars * 2 / 3)
        cut = space;
    // Never between the two halves of a character outside the basic plane (an emoji).
    if (cut > 0 && line.at(cut - 1).isHighSurrogate())
        --cut;
    return line.left(cut) + u'…';
}

} // namespace jaserelle::client
