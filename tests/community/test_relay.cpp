// The call relay's resources: credentials only for a live session, in the form the relay checks,
// and relayed addresses that live exactly as long as the session that published them.
#include "community/presence/redissessions.h"
#include "community/relay/redisrelaydirectory.h"
#include "community/relay/turncredentials.h"
#include "tests/community/engines.h"
#include "tests/community/fixture.h"

using namespace jaserelle::community;
using namespace jaserelle::community::test;

namespace {

class RelayTest : public CommunityTest
{
protected:
    RelayTest()
    {
        settings_.host = "127.0.0.50";
        settings_.port = 3478;
        settings_.secret = "s3cr3t";
        settings_.credentialSeconds = 3600;
        ctx_.relay = &settings_;
        ctx_.relayed = directory_.get();
        addMember("alice");
        addMember("bruno");
    }

    RelaySettings settings_;
    std::unique_ptr<RelayStore> directory_ = openTestRelayed(*sessionStore_); // in memory, or in Redis
};

} // namespace

TEST(TurnCredentials, AreTheRestSchemeOfTheRelay)
{
    // Computed apart from this code (Python's hmac and base64): what coturn checks.
    const auto expiry = std::chrono::system_clock::time_point(std::chrono::seconds(1796562000));
    const TurnCredentials c = turnCredentials("s3cr3t", "alice", expiry);
    EXPECT_EQ(c.username, "1796562000:alice");
    EXPECT_EQ(c.password, "vWhIOGY1NnjgvnE8N1tpjCy4ip0=");
    EXPECT_EQ(base64(""), "");
    EXPECT_EQ(base64("f"), "Zg==");
    EXPECT_EQ(base64("fo"), "Zm8=");
    EXPECT_EQ(base64("foo"), "Zm9v");
    EXPECT_EQ(base64("foob"), "Zm9vYg==");
    EXPECT_EQ(base64("\xff\xfe"), "//4=");
}

TEST(TurnCredentials, RelayedAddressesAreDottedAddressAndPort)
{
    for (const char *good : {"127.0.0.50:49152", "8.8.8.8:1", "1.2.3.4:65535"})
        EXPECT_TRUE(isRelayedAddress(good)) << good;
    for (const char *bad : {"", "1.2.3.4", "1.2.3.4:", "1.2.3.4:0", "1.2.3.4:65536", "1.2.3.4:080", "x:80",
                            "1.2.3.4:80a", "[::1]:80", "1.2.3.4:99999999999"})
        EXPECT_FALSE(isRelayedAddress(bad)) << bad;
}

TEST_F(CommunityTest, AServerWithoutRelayAnswersItsResourcesAsUnknown)
{
    addMember("alice");
    connect("alice");
    for (const char *path : {"/relaycredentials", "/relaypublish", "/relaywithdraw", "/relaylookup"})
        EXPECT_EQ(
            get(std::string(path) + "?login=alice&password=alice&address=1.2.3.4:5&pseudo=alice").status, 404)
            << path;
}

TEST_F(RelayTest, CredentialsGoOnlyToALiveSessionAndExpireAfterTheirLifetime)
{
    EXPECT_EQ(get("/relaycredentials?login=alice&password=alice").status, 403);
    connect("alice");
    EXPECT_EQ(get("/relaycredentials?login=alice&password=wrong").status, 403);
    EXPECT_EQ(get("/relaycredentials?login=bruno&password=bruno").status, 403);
    const std::string reply = body("/relaycredentials?login=ALICE&password=Alice");
    // 2026-12-06 12:00:00 UTC plus one hour.
    EXPECT_EQ(reply, "RELAYCREDENTIALS1796562000:alice,vWhIOGY1NnjgvnE8N1tpjCy4ip0=,127.0.0.50,3478,3600|");
    EXPECT_FALSE(holdsClientKeyword(reply.substr(std::string("RELAYCREDENTIALS").size())));
}

TEST_F(RelayTest, APublishedAddressLivesWithItsSession)
{
    connect("alice");
    connect("bruno");
    const std::string lookup = "/relaylookup?login=bruno&password=bruno&pseudo=alice";
    EXPECT_EQ(body(lookup), "NOTRELAYED");
    // Only the session's own password publishes, and only a relay address.
    EXPECT_EQ(get("/relaypublish?login=alice&password=bruno&address=127.0.0.50:50000").status, 403);
    EXPECT_EQ(get("/relaypublish?login=alice&password=alice&address=nowhere").status, 400);
    EXPECT_EQ(get("/relaypublish?login=alice&password=alice&address=127.0.0.50:0").status, 400);
    EXPECT_EQ(body(lookup), "NOTRELAYED");
    EXPECT_EQ(body("/relaypublish?login=alice&password=alice&address=127.0.0.50:50000"), "RELAYPUBLISHED");
    EXPECT_EQ(body(lookup), "RELAYEDAT127.0.0.50:50000|");
    EXPECT_EQ(body("/relaylookup?login=bruno&password=bruno&pseudo=ALICE"), "RELAYEDAT127.0.0.50:50000|");
    // Asking needs a live session too.
    EXPECT_EQ(get("/relaylookup?login=bruno&password=wrong&pseudo=alice").status, 403);
    EXPECT_EQ(body("/relaylookup?login=bruno&password=bruno&pseudo=nobody"), "NOTRELAYED");
    EXPECT_EQ(body("/relaylookup?login=bruno&password=bruno&pseudo="), "NOTRELAYED");
    // A new address replaces the old one; withdrawing removes it.
    EXPECT_EQ(body("/relaypublish?login=alice&password=alice&address=127.0.0.50:50002"), "RELAYPUBLISHED");
    EXPECT_EQ(body(lookup), "RELAYEDAT127.0.0.50:50002|");
    EXPECT_EQ(body("/relaywithdraw?login=alice&password=alice"), "RELAYWITHDRAWN");
    EXPECT_EQ(body(lookup), "NOTRELAYED");

    // Logoff ends it...
    EXPECT_EQ(body("/relaypublish?login=alice&password=alice&address=127.0.0.50:50004"), "RELAYPUBLISHED");
    EXPECT_EQ(body("/softlogoff.php?login=alice&password=alice"), "SOFTLOGOFFSUCCESS");
    EXPECT_EQ(body(lookup), "NOTRELAYED");
    // ...and so does a session that simply stops refreshing, even once the member is back: the new
    // session has published nothing yet.
    connect("alice");
    EXPECT_EQ(body("/relaypublish?login=alice&password=alice&address=127.0.0.50:50006"), "RELAYPUBLISHED");
    advance(std::chrono::seconds(60));
    body("/softrefresh2.php?login=bruno&password=bruno&ipAdress=192.168.1.10");
    advance(std::chrono::seconds(60));
    EXPECT_EQ(body(lookup), "NOTRELAYED");
    EXPECT_EQ(get("/relaypublish?login=alice&password=alice&address=127.0.0.50:50008").status, 403);
    connect("alice");
    EXPECT_EQ(body(lookup), "NOTRELAYED");
}

// Behind a load balancer the publication and the lookup may reach two processes: through Redis
// both see the address, Redis never holds the session's password, and a damaged record is no
// address.
TEST_F(RelayTest, ProcessesOnOneRedisShareTheRelayedAddresses)
{
    auto *redis = dynamic_cast<RedisSessions *>(sessionStore_.get());
    if (!redis)
        GTEST_SKIP() << "the addresses are shared through Redis only (JASERELLE_TEST_PRESENCE=redis)";
    RedisRelayDirectory other(testRedisUrl(), *redis);
    connect("alice", "10.0.0.1");
    connect("bruno", "10.0.0.2");
    EXPECT_EQ(body("/relaypublish?login=alice&password=alice&address=127.0.0.50:50000"), "RELAYPUBLISHED");
    EXPECT_EQ(other.liveAddress("alice", *sessionStore_), "127.0.0.50:50000");
    other.publish("bruno", "127.0.0.50:50010", "bruno");
    EXPECT_EQ(body("/relaylookup?login=alice&password=alice&pseudo=bruno"), "RELAYEDAT127.0.0.50:50010|");
    EXPECT_EQ(redisCliOutput("GET relayed:alice").find("alice"), std::string::npos);

    // Published with a password that is not the live session's: never handed out.
    other.publish("bruno", "127.0.0.50:50012", "wrong");
    EXPECT_EQ(body("/relaylookup?login=alice&password=alice&pseudo=bruno"), "NOTRELAYED");
    redisCli("SET relayed:alice damaged");
    EXPECT_EQ(body("/relaylookup?login=bruno&password=bruno&pseudo=alice"), "NOTRELAYED");
    EXPECT_EQ(redisCliOutput("EXISTS relayed:alice"), "0\n");
}
