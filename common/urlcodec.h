#pragma once

#include <string>
#include <string_view>

namespace jaserelle {

// Letters and digits unchanged, space to '+', every other byte as '%' and two upper-case hex digits.
// Works on single-byte (Windows-1252) text.
std::string urlEncode(std::string_view bytes);

// Like urlEncode, but only for the bytes that would break a query: control characters, space,
// '&', '#', '%', '+' and '?'. Everything else goes out unchanged.
std::string escapeQueryBreakers(std::string_view bytes);

// Percent-decoding of a query value; '+' becomes a space when plusIsSpace. A '%' not followed by
// two hex digits is kept as it stands.
std::string urlDecode(std::string_view text, bool plusIsSpace = true);

} // namespace jaserelle
