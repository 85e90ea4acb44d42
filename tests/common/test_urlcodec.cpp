#include "common/alphanumeric.h"
#include "common/urlcodec.h"

#include <gtest/gtest.h>

using namespace jaserelle;

TEST(UrlCodec, EncodeAndDecode)
{
    EXPECT_EQ(urlEncode("Salut !"), "Salut+%21");
    EXPECT_EQ(urlEncode("un\r\ndeux"), "un%0D%0Adeux");
    EXPECT_EQ(urlEncode("\xE9"), "%E9");
    EXPECT_EQ(urlEncode("+%.-_~*"), "%2B%25%2E%2D%5F%7E%2A");
    EXPECT_EQ(urlEncode(std::string("\0", 1)), "%00");
    EXPECT_EQ(urlEncode("AZaz09"), "AZaz09");
    EXPECT_EQ(urlDecode("a+b%21"), "a b!");
    EXPECT_EQ(urlDecode("a+b", false), "a+b");
    EXPECT_EQ(urlDecode("%e9%E9"), "\xE9\xE9");
    EXPECT_EQ(urlDecode("100%"), "100%");
    EXPECT_EQ(urlDecode("%4"), "%4");
    EXPECT_EQ(urlDecode("%zz%41"), "%zzA");
    EXPECT_EQ(urlDecode(urlEncode("Bonjour \xE0 tous\r\n+%")), "Bonjour \xE0 tous\r\n+%");
}

TEST(IsAlphanumeric, LettersAndDigitsOnly)
{
    EXPECT_TRUE(isAlphanumeric(""));
    EXPECT_TRUE(isAlphanumeric("Jean42"));
    // Each of the last five next to a range of letters or digits.
    for (const char *other : {"jean-pierre", "jean pierre", "\xE9lodie", "@", "[", "`", "{", "/", ":"})
        EXPECT_FALSE(isAlphanumeric(other)) << other;
}
