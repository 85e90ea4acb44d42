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

// A word, maybe followed by separators, as a UTF-16 view with static storage: for constant tables
// and the markers a parser looks for. utf16<protocol::favorisStart, protocol::recordEnd> reads
// "HERESTARTFAVORIS|".
template <const std::string_view &Word, char... Tail>
inline constexpr QStringView utf16{detail::utf16Chars<Word, Tail...>.data(),
                                   static_cast<qsizetype>(Word.size() + sizeof...(Tail))};

} // namespace jaserelle::client
