#pragma once

#include <QString>

// Reads the RTF a peer sends (name lines, messages, sound notices) into HTML for the conversation
// box: text, paragraph breaks, bold, italic, underline, colours from the colour table, sizes, and
// PNG / JPEG pictures as inline images. Everything else (fonts, style sheets, other destinations)
// is skipped. The input comes from another machine: any byte sequence gives some HTML, never more
// than a bounded multiple of the input, and nothing in it can start markup of its own.
namespace rtfreader {

QString toHtml(const QString &rtf);

} // namespace rtfreader
