#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Windows-1252, the single-byte character set both wire channels use.
// The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the
// C1 control characters of the same value, so every byte survives a round trip.
namespace jaserelle::cp1252 {

char32_t toUnicode(unsigned char byte);

// The byte for a code point, or nothing when Windows-1252 cannot represent it.
std::optional<unsigned char> fromUnicode(char32_t codePoint);

// Bytes to UTF-8.
std::string toUtf8(std::string_view bytes);

// UTF-8 to bytes. Code points the code page lacks, and malformed UTF-8, become '?'.
std::string fromUtf8(std::string_view utf8);

// UTF-8 text that survives the trip to Windows-1252 and back unchanged.
bool fits(std::string_view utf8);

// UTF-16 to bytes, one per character, written from `out` (room for text.size() bytes). A character
// the code page lacks becomes one '?', a surrogate pair included. Returns the end of what was written.
char *fromUtf16(std::u16string_view text, char *out);

// Bytes widened one to one into UTF-16 units (as Latin-1 reads them, which is quick) become the
// code page's characters: only 0x80-0x9F differ, and are replaced in place.
void fromLatin1Widening(std::span<char16_t> units);

} // namespace jaserelle::cp1252
