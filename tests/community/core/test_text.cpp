// The text rules of replies, addresses and networks, dates.
#include "community/core/clock.h"
#include "community/core/text.h"

#include <gtest/gtest.h>

using namespace jaserelle::community;

TEST(Text, PseudosAreLettersAndDigitsInLowerCase)
{
    EXPECT_EQ(normalisePseudo("JeanPaul75"), "jeanpaul75");
    EXPECT_EQ(normalisePseudo("abcdefghijklmnop"), "abcdefghijklmnop");
    for (const char *bad : {"", "jean paul", "h\xC3\xA9l\xC3\xA8ne", "../x", "abcdefghijklmnopq"})
        EXPECT_EQ(normalisePseudo(bad), "") << bad;
}

TEST(Text, KeywordsInMembersTextAreDefused)
{
    // Each reply path is proven by its handler test; here a header and a keyword twice in a row.
    EXPECT_EQ(defuseKeywords("Content-Type: image/jpeg"), "C\xC2\xAD"
                                                          "ontent-Type: image/jpeg");
    EXPECT_EQ(defuseKeywords("SEARCHISOKSEARCHISOK"), "S\xC2\xAD"
                                                      "EARCHISOKS\xC2\xAD"
                                                      "EARCHISOK");
}

TEST(Text, AddressesAndTheirNetworks)
{
    EXPECT_TRUE(isDottedIpv4("192.168.1.10"));
    EXPECT_TRUE(isDottedIpv4("0.0.0.0"));
    for (const char *bad :
         {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "01.2.3.4", "1.2.3.4 ", "a.b.c.d", "1..2.3", "::1"})
        EXPECT_FALSE(isDottedIpv4(bad)) << bad;
    EXPECT_EQ(plainAddress("::1"), "::1");
    // One site is one network.
    EXPECT_EQ(networkPrefix("192.0.2.17"), "192.0.2.0/24");
    EXPECT_EQ(networkPrefix("::ffff:192.0.2.200"), "192.0.2.0/24");
    EXPECT_EQ(networkPrefix("2001:db8:aa:1:2:3:4:5"), "2001:db8:aa::/48");
    EXPECT_EQ(networkPrefix("2001:db8:aa:ffff::1"), networkPrefix("2001:db8:aa::9"));
    EXPECT_NE(networkPrefix("2001:db8:ab::1"), networkPrefix("2001:db8:aa::1"));
    EXPECT_EQ(networkPrefix("not an address"), "not an address");
}

TEST(Dates, ImpossibleDatesAndLeapYears)
{
    const LocalDateTime today{2026, 12, 6, 12, 0, 0};
    EXPECT_EQ(ageOn("2000-02-30", today), -1);
    EXPECT_EQ(ageOn("nonsense", today), -1);
    EXPECT_EQ(yearsBefore(LocalDateTime{2028, 2, 29, 0, 0, 0}, 1), "2027-02-28");
    EXPECT_TRUE(isIsoDate("2024-02-29"));
    EXPECT_FALSE(isIsoDate("2023-02-29"));
}
