#pragma once

#include <QString>
#include <QStringView>

class QTextCursor;

namespace jaserelle::client {

// Reads the RTF a peer sends (name lines, messages, sound notices): text, paragraphs, bold,
// italic, underline, strike-out, colours, sizes, fonts (family kept, with a style hint so a
// missing face falls back to a similar one) and pictures of every kind older and newer peers
// embed (metafiles, device-independent and device bitmaps, PNG, JPEG, enhanced metafiles; an
// object through its result). A picture that cannot be shown shows a small placeholder. Other
// destinations are skipped. The input comes from another machine: any character sequence gives
// some output, never more than a bounded multiple of the input, and nothing in it can start
// markup of its own.
namespace rtfreader {

// Inserts the document at the cursor. Each picture is decoded once and added to the cursor's
// document as an image resource of its own, shown at the size the sender asked for.
void insert(QTextCursor &cursor, QStringView rtf);

// The same reading as HTML, pictures as PNG data: for callers that insert HTML. Slower on
// pictures than insert().
QString toHtml(const QString &rtf);

} // namespace rtfreader

} // namespace jaserelle::client
