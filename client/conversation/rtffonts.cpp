#include "client/conversation/rtffonts.h"

#include <array>
#include <utility>

namespace jaserelle::client {

namespace rtffonts {

namespace {

struct Family
{
    QStringView keyword;
    QFont::StyleHint hint;
};

constexpr std::array<Family, 5> families{{
    {u"roman", QFont::Serif},
    {u"swiss", QFont::SansSerif},
    {u"modern", QFont::Monospace},
    {u"script", QFont::Cursive},
    {u"decor", QFont::Decorative},
}};

// Name fragments that tell a face's family, first match wins ("MS Sans Serif" is swiss).
constexpr std::array<std::pair<QStringView, QFont::StyleHint>, 12> nameHints{{
    {u"mono", QFont::Monospace},
    {u"courier", QFont::Monospace},
    {u"consol", QFont::Monospace},
    {u"sans", QFont::SansSerif},
    {u"arial", QFont::SansSerif},
    {u"helvet", QFont::SansSerif},
    {u"verdana", QFont::SansSerif},
    {u"tahoma", QFont::SansSerif},
    {u"serif", QFont::Serif},
    {u"times", QFont::Serif},
    {u"georgia", QFont::Serif},
    {u"comic", QFont::Cursive},
}};

} // namespace

QFont::StyleHint hintForKeyword(QStringView keyword)
{
    for (const Family &f : families)
        if (f.keyword == keyword)
            return f.hint;
    return QFont::AnyStyle;
}

QStringView keywordFor(const QString &family, QFont::StyleHint hint)
{
    if (hint == QFont::AnyStyle || hint == QFont::System) {
        for (const auto &[fragment, guess] : nameHints) {
            if (family.contains(fragment, Qt::CaseInsensitive)) {
                hint = guess;
                break;
            }
        }
    }
    if (hint == QFont::TypeWriter)
        hint = QFont::Monospace;
    for (const Family &f : families)
        if (f.hint == hint)
            return f.keyword;
    return u"nil";
}

} // namespace rtffonts

} // namespace jaserelle::client
