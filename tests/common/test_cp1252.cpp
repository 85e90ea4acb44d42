#include "common/cp1252.h"

#include <gtest/gtest.h>

using namespace jaserelle;

TEST(Cp1252, EveryByteRoundTripsAndKnownCharacters)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    EXPECT_EQ(cp1252::fromUtf8(cp1252::toUtf8(all)), all);
    EXPECT_EQ(cp1252::toUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
    // The same through UTF-16, as the client reads bytes (widened as Latin-1) and writes them.
    const auto *bytes = reinterpret_cast<const unsigned char *>(all.data());
    std::u16string widened(bytes, bytes + all.size());
    cp1252::fromLatin1Widening(widened);
    std::string back(widened.size(), '\0');
    EXPECT_EQ(std::string(back.data(), cp1252::fromUtf16(widened, back.data())), all);
    // Both ways; the bytes the code page leaves undefined stand for the C1 controls of the same value.
    const std::pair<unsigned char, char32_t> known[] = {
        {0x80, U'\u20AC'}, {0x9C, U'\u0153'}, {0xE9, U'\u00E9'}, {0x81, 0x81},
        {0x8D, 0x8D},      {0x8F, 0x8F},      {0x90, 0x90},      {0x9D, 0x9D}};
    for (const auto &[byte, character] : known) {
        EXPECT_EQ(cp1252::toUnicode(byte), character);
        EXPECT_EQ(cp1252::fromUnicode(character), byte);
    }
}

TEST(Cp1252, UnrepresentableAndMalformedBecomeQuestionMarks)
{
    EXPECT_EQ(cp1252::fromUnicode(0x0080), std::nullopt); // a C1 control the code page reuses
    EXPECT_EQ(cp1252::fromUtf8("\xE4\xB8\xAD"), "?");     // CJK
    EXPECT_EQ(cp1252::fromUtf8("a\xC3"), "a?");           // truncated sequence
    EXPECT_EQ(cp1252::fromUtf8("\xC0\xAF"), "?");         // overlong "/"
    EXPECT_EQ(cp1252::fromUtf8("\xF0\x9F\x98\x80x"), "?x");
    // An emoji (a surrogate pair) is one '?', as are a CJK character and a lone surrogate.
    const std::u16string text = u"\U0001F600\u4E2D" + std::u16string(1, 0xD800) + u"x";
    std::string bytes(text.size(), '\0');
    EXPECT_EQ(std::string(bytes.data(), cp1252::fromUtf16(text, bytes.data())), "???x");
}
