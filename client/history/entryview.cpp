#include "client/history/entryview.h"

#include "client/conversation/rtffragments.h"
#include "client/conversation/rtfreader.h"

#include <QColor>
#include <QTextCursor>
#include <QTextDocument>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

int showHistoryEntry(QTextCursor &cursor, const HistoryEntry &entry, const QString &ownPseudo,
                     const QString &stamp)
{
    QTextCharFormat grey;
    grey.setForeground(QColor(0x6e, 0x6e, 0x6e));
    grey.setFontPointSize(8);
    cursor.insertText(stamp + u' ', grey);
    if (entry.kind == HistoryEntry::Kind::Notice) {
        QTextCharFormat italic;
        italic.setFontItalic(true);
        const int from = cursor.position();
        cursor.insertText(entry.text, italic);
        return from;
    }
    rtfreader::insert(cursor, rtffragments::nameLine(entry.own, entry.own ? ownPseudo : entry.member));
    const int from = cursor.position();
    rtfreader::insert(cursor, entry.rtf);
    return from;
}

QString wordsBetween(QTextDocument *document, int from, int to)
{
    QTextCursor range(document);
    range.setPosition(from);
    range.setPosition(to, QTextCursor::KeepAnchor);
    QString words = range.selectedText();
    words.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    words.remove(QChar::ObjectReplacementCharacter);
    return words.trimmed();
}

} // namespace jaserelle::client
