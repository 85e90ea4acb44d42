#include "common/alphanumeric.h"
#include "common/urlcodec.h"

#include <gtest/gtest.h>

using namespace jaserelle;

TEST(UrlEncode, Vectors)
{
    EXPECT_EQ(urlEncode(""), "");
    EXPECT_EQ(urlEncode("a b"), "a+b");
    EXPECT_EQ(urlEncode("Salut !"), "Salut+%21");
    EXPECT_EQ(urlEncode("un\r\ndeux"), "un%0D%0Adeux");
    EXPECT_EQ(urlEncode("\n"), "%0A");
    EXPECT_EQ(urlEncode("\xE9"), "%E9");
    EXPECT_EQ(urlEncode("+%.-"), "%2B%25%2E%2D");
    EXPECT_EQ(urlEncode("_~*"), "%5F%7E%2A");
    EXPECT_EQ(urlEncode(std::string("\0", 1)), "%00");
    EXPECT_EQ(urlEncode("AZaz09"), "AZaz09");
}

TEST(EscapeQueryBreakers, OnlyTheBytesThatBreakARequest)
{
    EXPECT_EQ(escapeQueryBreakers("jean"), "jean");
    EXPECT_EQ(escapeQueryBreakers("a b&c#d%e+f?g"), "a%20b%26c%23d%25e%2Bf%3Fg");
    EXPECT_EQ(escapeQueryBreakers("x\r\nHost: evil"), "x%0D%0AHost:%20evil");
    EXPECT_EQ(escapeQueryBreakers("\x7F\t"), "%7F%09");
    EXPECT_EQ(escapeQueryBreakers("\xE9l/o=die"), "\xE9l/o=die");
}

TEST(UrlDecode, PercentAndPlus)
{
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
    EXPECT_FALSE(isAlphanumeric("jean-pierre"));
    EXPECT_FALSE(isAlphanumeric("jean pierre"));
    EXPECT_FALSE(isAlphanumeric("\xE9lodie"));
    EXPECT_FALSE(isAlphanumeric("@"));  // 64, just below 'A'
    EXPECT_FALSE(isAlphanumeric("["));  // 91, just above 'Z'
    EXPECT_FALSE(isAlphanumeric("`"));  // 96
    EXPECT_FALSE(isAlphanumeric("{"));  // 123
    EXPECT_FALSE(isAlphanumeric("/:")); // 47, 58
}
