// The call relay's resources: credentials and relayed addresses, for as long as the session lives.
#include "community/presence/redissessions.h"
#include "community/relay/redisrelaydirectory.h"
#include "community/relay/turncredentials.h"
#include "tests/community/engines.h"
#include "tests/community/fixture.h"

using namespace jaserelle::community;
using namespace jaserelle::community::test;

class RelayTest : public CommunityTest
{
protected:
    RelayTest()
    {
        ctx_.relay = &settings_;
        ctx_.relayed = directory_.get();
        addMember("alice");
        addMember("bruno");
    }

    RelaySettings settings_{"127.0.0.50", 3478, "s3cr3t", 3600};
    std::unique_ptr<RelayStore> directory_ = openTestRelayed(*sessionStore_); // in memory, or in Redis
};

TEST(TurnCredentials, Base64PadsAndRelayedAddressesAreDottedAddressAndPort)
{
    const char *encoded[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg=="}; // of "", "f", ... "foob"
    for (std::size_t n = 0; n < 5; ++n)
        EXPECT_EQ(base64(std::string("foob", n)), encoded[n]);
    EXPECT_EQ(base64("\xff\xfe"), "//4=");
    for (const char *good : {"127.0.0.50:49152", "8.8.8.8:1", "1.2.3.4:65535"})
        EXPECT_TRUE(isRelayedAddress(good)) << good;
    for (const char *bad : {"", "1.2.3.4", "1.2.3.4:", "1.2.3.4:0", "1.2.3.4:65536", "1.2.3.4:080", "x:80",
                            "1.2.3.4:80a", "[::1]:80", "1.2.3.4:99999999999"})
        EXPECT_FALSE(isRelayedAddress(bad)) << bad;
}

TEST_F(RelayTest, CredentialsAndAPublishedAddressLiveWithTheSession)
{
    const std::string lookup = "/relaylookup?login=bruno&password=bruno&pseudo=alice",
                      publish = "/relaypublish?login=alice&password=alice&address=127.0.0.50:";
    EXPECT_EQ(get("/relaycredentials?login=alice&password=alice").status, 403);
    connect("alice");
    connect("bruno");
    EXPECT_EQ(get("/relaycredentials?login=alice&password=wrong").status, 403);
    // 2026-12-06 12:00 UTC plus an hour; the password computed apart (Python's hmac), as coturn checks it.
    EXPECT_EQ(body("/relaycredentials?login=ALICE&password=Alice"),
              "RELAYCREDENTIALS1796562000:alice,vWhIOGY1NnjgvnE8N1tpjCy4ip0=,127.0.0.50,3478,3600|");

    EXPECT_EQ(body(lookup), "NOTRELAYED");
    // Only the session's own password publishes, and only a relay address.
    EXPECT_EQ(get("/relaypublish?login=alice&password=bruno&address=127.0.0.50:50000").status, 403);
    EXPECT_EQ(get("/relaypublish?login=alice&password=alice&address=nowhere").status, 400);
    EXPECT_EQ(body(lookup), "NOTRELAYED");
    EXPECT_EQ(body(publish + "50000"), "RELAYPUBLISHED");
    EXPECT_EQ(body("/relaylookup?login=bruno&password=bruno&pseudo=ALICE"), "RELAYEDAT127.0.0.50:50000|");
    // Asking needs a live session too.
    EXPECT_EQ(get("/relaylookup?login=bruno&password=wrong&pseudo=alice").status, 403);
    EXPECT_EQ(body("/relaylookup?login=bruno&password=bruno&pseudo="), "NOTRELAYED");
    // A new address replaces the old one; withdrawing removes it.
    EXPECT_EQ(body(publish + "50002"), "RELAYPUBLISHED");
    EXPECT_EQ(body(lookup), "RELAYEDAT127.0.0.50:50002|");
    EXPECT_EQ(body("/relaywithdraw?login=alice&password=alice"), "RELAYWITHDRAWN");
    EXPECT_EQ(body(lookup), "NOTRELAYED");

    // Logoff ends it...
    EXPECT_EQ(body(publish + "50004"), "RELAYPUBLISHED");
    EXPECT_EQ(body("/softlogoff.php?login=alice&password=alice"), "SOFTLOGOFFSUCCESS");
    EXPECT_EQ(body(lookup), "NOTRELAYED");
    // ...and so does a session that stops refreshing, even once the member is back (nothing published).
    connect("alice");
    EXPECT_EQ(body(publish + "50006"), "RELAYPUBLISHED");
    advance(std::chrono::seconds(60));
    body("/softrefresh2.php?login=bruno&password=bruno&ipAdress=192.168.1.10");
    advance(std::chrono::seconds(60));
    EXPECT_EQ(body(lookup), "NOTRELAYED");
    connect("alice");
    EXPECT_EQ(body(lookup), "NOTRELAYED");

    // Behind a load balancer both processes see the address; Redis holds no password, and garbage is none.
    if (auto *redis = dynamic_cast<RedisSessions *>(sessionStore_.get())) {
        RedisRelayDirectory other(testRedisUrl(), *redis);
        EXPECT_EQ(body(publish + "50000"), "RELAYPUBLISHED");
        EXPECT_EQ(other.liveAddress("alice", *sessionStore_), "127.0.0.50:50000");
        other.publish("bruno", "127.0.0.50:50010", "bruno");
        EXPECT_EQ(body("/relaylookup?login=alice&password=alice&pseudo=bruno"), "RELAYEDAT127.0.0.50:50010|");
        EXPECT_PRED_FORMAT2(testing::IsNotSubstring, "alice", redisCliOutput("GET relayed:alice"));

        // Published with a password that is not the live session's: never handed out.
        other.publish("bruno", "127.0.0.50:50012", "wrong");
        EXPECT_EQ(body("/relaylookup?login=alice&password=alice&pseudo=bruno"), "NOTRELAYED");
        redisCli("SET relayed:alice damaged");
        EXPECT_EQ(body("/relaylookup?login=bruno&password=bruno&pseudo=alice"), "NOTRELAYED");
        EXPECT_EQ(redisCliOutput("EXISTS relayed:alice"), "0\n");
    }
    // A server without relay answers its resources as unknown.
    ctx_.relay = nullptr;
    ctx_.relayed = nullptr;
    for (const std::string path : {"/relaycredentials", "/relaypublish", "/relaywithdraw", "/relaylookup"})
        EXPECT_EQ(get(path + "?login=alice&password=alice&address=1.2.3.4:5&pseudo=alice").status, 404)
            << path;
}
