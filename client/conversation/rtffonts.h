#pragma once

#include <QFont>
#include <QStringView>

namespace jaserelle::client {

// Font families as RTF font tables name them (\froman, \fswiss, \fmodern ...) and the style hint
// a reader gives Qt, so a face the machine lacks falls back to a similar one.
namespace rtffonts {

// The hint for a family keyword ("roman", "swiss", ...); AnyStyle for an unknown one.
QFont::StyleHint hintForKeyword(QStringView keyword);

// The keyword for a face: from its hint when it has one, else guessed from its name
// ("Courier New" is modern, "Arial" swiss); "nil" when nothing tells.
QStringView keywordFor(const QString &family, QFont::StyleHint hint = QFont::AnyStyle);

} // namespace rtffonts

} // namespace jaserelle::client
