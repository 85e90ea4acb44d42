#include "common/cp1252.h"

#include <gtest/gtest.h>

using namespace jaserelle;

TEST(Cp1252, EveryByteRoundTripsThroughUtf8)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = cp1252::toUtf8(all);
    EXPECT_EQ(cp1252::fromUtf8(utf8), all);
}

TEST(Cp1252, KnownCharacters)
{
    EXPECT_EQ(cp1252::toUnicode(0x80), U'\u20AC'); // euro
    EXPECT_EQ(cp1252::toUnicode(0x9C), U'\u0153'); // oe
    EXPECT_EQ(cp1252::toUnicode(0xE9), U'\u00E9'); // e acute
    EXPECT_EQ(cp1252::fromUtf8("\xE2\x82\xAC"), "\x80");
    EXPECT_EQ(cp1252::fromUtf8("caf\xC3\xA9"), "caf\xE9");
}

TEST(Cp1252, UndefinedBytesMapToControlsOfTheSameValue)
{
    for (unsigned char b : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
        EXPECT_EQ(cp1252::toUnicode(b), static_cast<char32_t>(b));
        EXPECT_EQ(cp1252::fromUnicode(b), b);
    }
}

TEST(Cp1252, UnrepresentableAndMalformedBecomeQuestionMarks)
{
    EXPECT_EQ(cp1252::fromUnicode(0x0080), std::nullopt); // a C1 control the code page reuses
    EXPECT_EQ(cp1252::fromUtf8("\xE4\xB8\xAD"), "?");     // CJK
    EXPECT_EQ(cp1252::fromUtf8("a\xC3"), "a?");           // truncated sequence
    EXPECT_EQ(cp1252::fromUtf8("\xC0\xAF"), "?");         // overlong "/"
    EXPECT_EQ(cp1252::fromUtf8("\xF0\x9F\x98\x80x"), "?x");
}
