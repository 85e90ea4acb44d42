#pragma once

#include <QString>

class QTextDocument;

namespace jaserelle::client {

// The send box as one RTF document, the way peers expect a message: a font table naming each
// run's font (with its family, \fswiss, \froman, \fmodern ...) and a colour table, then each run
// of text with its font, size, colour, bold, italic and underline, paragraphs closed by \par, and
// pictures as 24-bit bitmaps in Windows metafiles (\wmetafile8, with \picw, \pich and the goal
// sizes of the picture as the box shows it), which peers of every age show.
namespace rtfwriter {

QString fromDocument(const QTextDocument &document);

} // namespace rtfwriter

} // namespace jaserelle::client
