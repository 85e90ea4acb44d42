#pragma once

#include <QString>

class QTextDocument;

// The send box as one RTF document, the way peers expect a message: a font and a colour table,
// then each run of text with its font, size, colour, bold, italic and underline, paragraphs
// closed by \par, and pictures embedded as PNG.
namespace rtfwriter {

QString fromDocument(const QTextDocument &document);

} // namespace rtfwriter
