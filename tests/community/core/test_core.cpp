// What the server remembers of logins, and the text rules of replies, addresses and dates.
#include "community/core/checktimes.h"
#include "community/core/clock.h"
#include "community/core/recentlogins.h"
#include "community/core/text.h"

#include <gtest/gtest.h>
#include <set>

using namespace jaserelle::community;
using namespace std::chrono_literals;

TEST(Logins, ASuccessVouchesForItsNetworkForAMonthAndUnknownPseudosTakeTheTimesRealChecksTook)
{
    auto now = std::chrono::system_clock::time_point{} + std::chrono::hours(1000000);
    RecentLogins recent([&] { return now; }, {std::chrono::hours(24 * 30), 2});
    recent.succeeded("alice", "10.1.2.3");
    EXPECT_EQ((std::vector<bool>{recent.recent("alice", "10.1.2.200"), recent.recent("alice", "10.1.3.3"),
                                 recent.recent("bruno", "10.1.2.3")}),
              (std::vector<bool>{true, false, false}));
    now += std::chrono::hours(24 * 31);
    EXPECT_FALSE(recent.recent("alice", "10.1.2.3"));
    // Bounded: the least recently seen pair goes first.
    for (const char *pseudo : {"a", "b", "a", "c"})
        recent.succeeded(pseudo, "10.0.0.1");
    EXPECT_EQ((std::vector<bool>{recent.recent("a", "10.0.0.1"), recent.recent("b", "10.0.0.1"),
                                 recent.recent("c", "10.0.0.1")}),
              (std::vector<bool>{true, false, true}));
    CheckTimes times;
    using us = CheckTimes::Duration;
    const auto t0 = CheckTimes::Clock::now();
    const auto at = [t0](int ms) { return t0 + std::chrono::milliseconds(ms); };
    // Nothing measured yet: every caller must run the hash for real.
    EXPECT_EQ(times.pick(), us::zero());
    EXPECT_TRUE(times.takeRefresh(t0, 1s) && times.takeRefresh(t0, 1s));

    for (const int took : {60000, 90000, 75000})
        times.record(us(took), t0);
    std::set<long long> drawn;
    for (int i = 0; i < 400; ++i)
        drawn.insert(times.pick().count());
    EXPECT_EQ(drawn, (std::set<long long>{60000, 75000, 90000})) << "the spread of real checks, nothing else";

    // Members' checks keep the times current; when none ran for a while, one real check does (alone).
    for (const auto &[ms, taken] : {std::pair(900, false), {1100, true}, {3000, false}})
        EXPECT_EQ(times.takeRefresh(at(ms), 1s), taken) << ms;
    times.record(us(70000), at(3000));
    EXPECT_FALSE(times.takeRefresh(at(3500), 1s));
    EXPECT_TRUE(times.takeRefresh(at(4500), 1s));

    // Only the latest samples count: a machine that got busy is followed.
    for (std::size_t i = 0; i < CheckTimes::kept; ++i)
        times.record(us(500000), t0);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(times.pick(), us(500000));
}

TEST(Text, PseudosKeywordsAddressesNetworksAndDates)
{
    EXPECT_EQ(normalisePseudo("JeanPaul75"), "jeanpaul75");
    EXPECT_EQ(normalisePseudo("abcdefghijklmnop"), "abcdefghijklmnop");
    for (const char *bad : {"", "jean paul", "h\xC3\xA9l\xC3\xA8ne", "../x", "abcdefghijklmnopq"})
        EXPECT_EQ(normalisePseudo(bad), "") << bad;
    // Each reply path's defusing is proven by its handler test; here a header and a keyword twice in a row.
    EXPECT_EQ(defuseKeywords("Content-Type: image/jpeg"), "C\xC2\xAD\x6Fntent-Type: image/jpeg");
    EXPECT_EQ(defuseKeywords("SEARCHISOKSEARCHISOK"), "S\xC2\xAD\x45\x41RCHISOKS\xC2\xAD\x45\x41RCHISOK");
    for (const char *good : {"192.168.1.10", "0.0.0.0"})
        EXPECT_TRUE(isDottedIpv4(good)) << good;
    for (const char *bad :
         {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "01.2.3.4", "1.2.3.4 ", "a.b.c.d", "1..2.3", "::1"})
        EXPECT_FALSE(isDottedIpv4(bad)) << bad;
    EXPECT_EQ(plainAddress("::1"), "::1");
    EXPECT_EQ(networkPrefix("192.0.2.17"), "192.0.2.0/24");
    EXPECT_EQ(networkPrefix("::ffff:192.0.2.200"), "192.0.2.0/24");
    EXPECT_EQ(networkPrefix("2001:db8:aa:1:2:3:4:5"), "2001:db8:aa::/48");
    EXPECT_EQ(networkPrefix("2001:db8:aa:ffff::1"), networkPrefix("2001:db8:aa::9"));
    EXPECT_NE(networkPrefix("2001:db8:ab::1"), networkPrefix("2001:db8:aa::1"));
    EXPECT_EQ(networkPrefix("not an address"), "not an address");
    const LocalDateTime today{2026, 12, 6, 12, 0, 0};
    EXPECT_EQ(ageOn("2000-02-30", today), -1);
    EXPECT_EQ(ageOn("nonsense", today), -1);
    EXPECT_EQ(yearsBefore(LocalDateTime{2028, 2, 29, 0, 0, 0}, 1), "2027-02-28");
    EXPECT_TRUE(isIsoDate("2024-02-29"));
    EXPECT_FALSE(isIsoDate("2023-02-29"));
}
