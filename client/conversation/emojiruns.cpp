#include "client/conversation/emojiruns.h"

namespace jaserelle::client::emojiruns {

namespace {

constexpr char32_t textSelector = 0xFE0E;
constexpr char32_t emojiSelector = 0xFE0F;
constexpr char32_t joiner = 0x200D;
constexpr char32_t keycap = 0x20E3;

// Characters shown as emoji by default (their presentation, or pictographs that no text font
// of the desktop is expected to hold in colour).
bool isPictograph(char32_t c)
{
    return (c >= 0x1F000 && c <= 0x1FAFF) || (c >= 0x2600 && c <= 0x27BF) || c == 0x231A || c == 0x231B ||
           c == 0x2328 || c == 0x23CF || (c >= 0x23E9 && c <= 0x23F3) || (c >= 0x23F8 && c <= 0x23FA) ||
           (c >= 0x2B05 && c <= 0x2B07) || c == 0x2B1B || c == 0x2B1C || c == 0x2B50 || c == 0x2B55 ||
           c == 0x3030 || c == 0x303D || c == 0x3297 || c == 0x3299;
}

// What extends the emoji before it.
bool extends(char32_t c)
{
    return c == emojiSelector || c == keycap || (c >= 0x1F3FB && c <= 0x1F3FF) ||
           (c >= 0xE0020 && c <= 0xE007F);
}

} // namespace

QList<Run> find(const QString &text)
{
    const QList<uint> points = text.toUcs4();
    QList<Run> runs;
    int position = 0; // in UTF-16 units
    const auto width = [](char32_t c) { return c > 0xFFFF ? 2 : 1; };
    for (qsizetype i = 0; i < points.size();) {
        const char32_t c = points.at(i);
        const char32_t next = i + 1 < points.size() ? points.at(i + 1) : 0;
        const bool emoji =
            next != textSelector && (isPictograph(c) || next == emojiSelector || next == keycap);
        if (!emoji) {
            position += width(c);
            ++i;
            continue;
        }
        const int start = position;
        position += width(c);
        ++i;
        while (i < points.size()) {
            const char32_t more = points.at(i);
            const char32_t after = i + 1 < points.size() ? points.at(i + 1) : 0;
            if (extends(more)) {
                position += width(more);
                ++i;
            } else if (more == joiner && after != 0) {
                position += 1 + width(after);
                i += 2;
            } else {
                break;
            }
        }
        if (!runs.isEmpty() && runs.last().start + runs.last().length == start)
            runs.last().length += position - start;
        else
            runs.append({start, position - start});
    }
    return runs;
}

} // namespace jaserelle::client::emojiruns
