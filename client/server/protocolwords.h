#pragma once

#include "common/protocol.h"

#include <QLatin1StringView>
#include <QStringView>
#include <array>

// The protocol's words (common/protocol.h) as Qt text, for the client's parsers and builders. The
// words are ASCII: as Latin-1 or UTF-16 they are the bytes the wire carries.
namespace jaserelle::client {

constexpr QLatin1StringView latin1(std::string_view word)
{
    return QLatin1StringView(word.data(), static_cast<qsizetype>(word.size()));
}

// A resource as the catalogue writes it, after the "GET /" of the request line.
constexpr QLatin1StringView resource(std::string_view path)
{
    return latin1(path.substr(1));
}

namespace detail {
template <const std::string_view &Word, char... Tail>
inline constexpr auto utf16Chars = [] {
    std::array<char16_t, Word.size() + sizeof...(Tail) + 1> out{}; // ends on a 0, like u"..."
    std::size_t i = 0;
    for (const char c : Word)
        out[i++] = static_cast<char16_t>(c);
    ((out[i++] = static_cast<char16_t>(Tail)), ...);
    return out;
}();
} // namespace detail

// A word, maybe followed by separators, as a UTF-16 view of static storage: for the markers a
// parser looks for. utf16<protocol::favorisStart, protocol::recordEnd>() reads "HERESTARTFAVORIS|".
// Constants made of it are `const`, not `constexpr`: with the null-pointer sanitizer GCC cannot
// evaluate QStringView's non-null check at compile time, and they are then made at start-up.
template <const std::string_view &Word, char... Tail> constexpr QStringView utf16()
{
    return QStringView(detail::utf16Chars<Word, Tail...>.data(),
                       static_cast<qsizetype>(Word.size() + sizeof...(Tail)));
}

// The same, null-terminated, for constant tables.
template <const std::string_view &Word, char... Tail>
inline constexpr const char16_t *utf16z = detail::utf16Chars<Word, Tail...>.data();

} // namespace jaserelle::client
