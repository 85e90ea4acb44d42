// Sessions in Redis: written back when Redis loses its data, and read as older releases wrote them.
#include "community/presence/redissessions.h"
#include "tests/community/engines.h"

#include <gtest/gtest.h>

using namespace jaserelle::community;
using namespace jaserelle::community::test;

TEST(RedisSessions, NodesWriteBackTheSessionsTheyHoldWhenRedisComesBackEmptyAndReadOlderOnes)
{
    if (const auto why = enginesUnavailable(false, true); !why.empty())
        GTEST_SKIP() << why;
    const std::string url = freshRedisUrl();
    auto now = std::chrono::system_clock::now();
    const Clock clock = [&now] { return now; };
    // No watcher thread: the test says when each node looks.
    const auto lifetime = std::chrono::seconds(90);
    RedisSessions a(url, clock, lifetime, 2, false), b(url, clock, lifetime, 2, false);
    a.open("alice", "secret", "10.0.0.1");
    b.open("bruno", "motdepasse", "10.0.0.2");
    a.pin("demo", "127.0.0.20");
    a.open("carole", "x", "10.0.0.3");
    now += std::chrono::seconds(80);
    ASSERT_TRUE(a.refresh("alice", "secret", "192.168.1.10", "10.0.0.1"));
    ASSERT_TRUE(b.refresh("bruno", "motdepasse", "192.168.1.11", "10.0.0.2"));
    now += std::chrono::seconds(20); // carole's session has lapsed meanwhile, the others not

    EXPECT_FALSE(a.restoreIfLost()) << "nothing was lost";
    ASSERT_EQ(freshRedisUrl(), url); // Redis emptied
    EXPECT_FALSE(b.checkPassword("alice", "secret"));

    EXPECT_TRUE(a.restoreIfLost());
    EXPECT_TRUE(b.restoreIfLost()) << "the digest key is back, but b's own sessions are not yet";
    EXPECT_FALSE(a.restoreIfLost());
    // Each node's sessions are back, checked by any node, with the addresses they had.
    EXPECT_TRUE(b.checkPassword("alice", "secret"));
    EXPECT_EQ(b.presence("alice", now)->claimed, "192.168.1.10");
    EXPECT_EQ(b.presence("alice", now)->observed, "10.0.0.1");
    EXPECT_TRUE(a.liveFrom("bruno", "10.0.0.2"));
    EXPECT_EQ(a.presence("bruno", now)->claimed, "192.168.1.11");
    EXPECT_EQ(b.presence("demo", now)->claimed, "127.0.0.20");
    EXPECT_FALSE(b.presence("carole", now));
    EXPECT_FALSE(a.checkPassword("carole", "x"));
    // The digest key is the one the sessions were made with: a node started now checks them.
    RedisSessions c(url, clock, lifetime, 2, false);
    EXPECT_TRUE(c.checkPassword("bruno", "motdepasse"));

    // A session logged off through the node that holds it is not brought back by the next loss.
    a.close("alice");
    freshRedisUrl();
    a.restoreIfLost();
    EXPECT_FALSE(c.checkPassword("alice", "secret"));
    EXPECT_TRUE(c.presence("demo", now));
    // While processes are replaced one by one, the previous release writes no observed address: such
    // a member is seen from where it logged in.
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    redisCli("set session:eve '" + std::to_string(ms) + " 0 " + std::string(64, '0') +
             " 203.0.113.9 192.168.1.10'");
    const auto eve = c.presence("eve", now);
    ASSERT_TRUE(eve);
    EXPECT_EQ(eve->claimed + " " + eve->observed, "192.168.1.10 203.0.113.9");
}
