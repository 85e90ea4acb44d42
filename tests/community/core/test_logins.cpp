// What the server remembers of logins: who lately got in from where, and how long real checks took.
#include "community/core/checktimes.h"
#include "community/core/recentlogins.h"

#include <gtest/gtest.h>
#include <set>

using namespace jaserelle::community;

TEST(RecentLogins, ASuccessVouchesForItsNetworkForAMonth)
{
    auto now = std::chrono::system_clock::time_point{} + std::chrono::hours(1000000);
    RecentLogins recent([&] { return now; }, {std::chrono::hours(24 * 30), 2});
    recent.succeeded("alice", "10.1.2.3");
    EXPECT_TRUE(recent.recent("alice", "10.1.2.200"));
    EXPECT_FALSE(recent.recent("alice", "10.1.3.3"));
    EXPECT_FALSE(recent.recent("bruno", "10.1.2.3"));
    now += std::chrono::hours(24 * 31);
    EXPECT_FALSE(recent.recent("alice", "10.1.2.3"));
    // Bounded: the least recently seen pair goes first.
    recent.succeeded("a", "10.0.0.1");
    recent.succeeded("b", "10.0.0.1");
    recent.succeeded("a", "10.0.0.1");
    recent.succeeded("c", "10.0.0.1");
    EXPECT_TRUE(recent.recent("a", "10.0.0.1"));
    EXPECT_FALSE(recent.recent("b", "10.0.0.1"));
    EXPECT_TRUE(recent.recent("c", "10.0.0.1"));
}

TEST(CheckTimes, UnknownPseudosTakeTheTimesRealChecksTook)
{
    CheckTimes times;
    using us = CheckTimes::Duration;
    const auto t0 = CheckTimes::Clock::now();
    // Nothing measured yet: every caller must run the hash for real.
    EXPECT_EQ(times.pick(), us::zero());
    EXPECT_TRUE(times.takeRefresh(t0, std::chrono::seconds(1)));
    EXPECT_TRUE(times.takeRefresh(t0, std::chrono::seconds(1)));

    times.record(us(60000), t0);
    times.record(us(90000), t0);
    times.record(us(75000), t0);
    std::set<long long> drawn;
    for (int i = 0; i < 400; ++i)
        drawn.insert(times.pick().count());
    EXPECT_EQ(drawn, (std::set<long long>{60000, 75000, 90000})) << "the spread of real checks, nothing else";

    // Members' own checks keep the times current; when none ran for a while, one real check does.
    const auto second = std::chrono::seconds(1);
    EXPECT_FALSE(times.takeRefresh(t0 + std::chrono::milliseconds(900), second));
    EXPECT_TRUE(times.takeRefresh(t0 + std::chrono::milliseconds(1100), second));
    EXPECT_FALSE(times.takeRefresh(t0 + std::chrono::milliseconds(3000), second)) << "the first still runs";
    times.record(us(70000), t0 + std::chrono::milliseconds(3000));
    EXPECT_FALSE(times.takeRefresh(t0 + std::chrono::milliseconds(3500), second));
    EXPECT_TRUE(times.takeRefresh(t0 + std::chrono::milliseconds(4500), second));

    // Only the latest samples count: a machine that got busy is followed.
    for (std::size_t i = 0; i < CheckTimes::kept; ++i)
        times.record(us(500000), t0);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(times.pick(), us(500000));
}
