#pragma once

#include <QList>
#include <QString>

namespace jaserelle::client {

// Where a text holds emoji. The boxes' own fonts (DejaVu Sans among them) draw some emoji in
// black and white, and a font that has the glyph is never asked to fall back: the boxes show
// these stretches in the colour font instead. Only how they look changes, never what is sent.
namespace emojiruns {

// Debian's colour emoji font, a dependency of the package.
inline const QString colourFamily = QStringLiteral("Noto Color Emoji");

struct Run
{
    int start = 0; // in UTF-16 units, as QTextCursor positions count
    int length = 0;
    bool operator==(const Run &) const = default;
};

// Every emoji of `text`, each with what belongs to it (variation selector, skin tone, keycap,
// characters joined by a zero-width joiner, both halves of a flag); emoji next to each other
// make one run. A symbol that is text by default (©, ™, an arrow) counts only when an emoji
// variation selector follows it, and one followed by the text selector does not.
QList<Run> find(const QString &text);

} // namespace emojiruns

} // namespace jaserelle::client
