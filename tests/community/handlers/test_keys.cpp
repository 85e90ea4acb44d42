// The key directory: members publish their client certificate's fingerprint, and learn the others'.
#include "community/keys/rediskeydirectory.h"
#include "tests/community/engines.h"
#include "tests/community/fixture.h"

using namespace jaserelle::community;
using namespace jaserelle::community::test;

const std::string aliceKey(64, 'a'), brunoKey = std::string(32, '0') + std::string(32, 'f');

class KeyDirectoryTest : public CommunityTest
{
protected:
    void SetUp() override
    {
        ctx_.keys = keys_.get();
        for (const char *pseudo : {"alice", "bruno", "carole"})
            addMember(pseudo);
    }
    std::string publish(const std::string &pseudo, const std::string &fingerprint,
                        const char *password = nullptr)
    {
        return body("/keys/publish?login=" + pseudo + "&password=" + (password ? password : pseudo) +
                    "&fingerprint=" + fingerprint);
    }
    std::string keyOf(const std::string &pseudo) { return keys_->fingerprintsOf(std::vector{pseudo})[0]; }
    std::unique_ptr<KeyStore> keys_ = openTestKeys(); // in memory, or in the test Redis
};

TEST_F(KeyDirectoryTest, LoggedInMembersPublishWellFormedKeysAndLookUpWhatTheOthersPublishedWithinBounds)
{
    connect("alice");
    connect("bruno", "10.0.0.2");
    EXPECT_EQ(publish("alice", aliceKey), "KEYPUBLISHED");
    // Upper-case hex is the same fingerprint, kept the way clients compare it.
    EXPECT_EQ(publish("bruno", std::string(32, '0') + std::string(32, 'F')), "KEYPUBLISHED");

    // Unknown and key-less members are left out; repeats, case and empty names do not matter.
    EXPECT_EQ(body("/keys/lookup?login=alice&password=alice&members=bruno,carole,,BRUNO,nobody,alice"),
              "KEYLIST|bruno," + brunoKey + "|alice," + aliceKey + "|ENDKEYLIST|");
    EXPECT_EQ(body("/keys/lookup?login=alice&password=alice&members="), "KEYLIST|ENDKEYLIST|");

    const std::string renewed(64, '7'); // replaces the old key
    EXPECT_EQ(publish("alice", renewed), "KEYPUBLISHED");
    EXPECT_EQ(body("/keys/lookup?login=bruno&password=bruno&members=alice"),
              "KEYLIST|alice," + renewed + "|ENDKEYLIST|");

    // No session (carole never logged in), a wrong password: nothing published, nothing learnt.
    for (const std::string &answer :
         {publish("carole", std::string(64, 'e')), publish("alice", std::string(64, 'e'), "wrong"),
          body("/keys/lookup?login=carole&password=carole&members=alice"),
          body("/keys/lookup?login=alice&password=wrong&members=alice")}) {
        EXPECT_FALSE(holdsClientKeyword(answer)) << answer;
        EXPECT_EQ(answer.find("KEY"), std::string::npos) << answer;
    }
    EXPECT_EQ(keyOf("carole"), "");
    for (const std::string &bad :
         {std::string(), std::string(63, 'a'), std::string(65, 'a'), std::string(63, 'a') + "g",
          std::string(62, 'a') + ",|", std::string(63, 'a') + "%00"})
        EXPECT_EQ(get("/keys/publish?login=alice&password=alice&fingerprint=" + bad).status, 400) << bad;
    EXPECT_EQ(keyOf("alice"), renewed);

    std::string many = "/keys/lookup?login=alice&password=alice&members=";
    for (int i = 0; i < 256; ++i)
        many += "m" + std::to_string(i) + ",";
    EXPECT_EQ(get(many).status, 200);
    EXPECT_EQ(get(many + "onemore").status, 400);
    // Behind a load balancer: what one process publishes any other finds, and Redis garbage is no key.
    if (useRedis()) {
        RedisKeyDirectory other(testRedisUrl());
        EXPECT_EQ(publish("alice", aliceKey), "KEYPUBLISHED");
        EXPECT_TRUE(other.publish("bruno", renewed));
        EXPECT_FALSE(other.publish("carole", "not a key"));
        EXPECT_EQ(other.fingerprintsOf(std::vector<std::string>{"alice", "carole", "bruno"}),
                  (std::vector<std::string>{aliceKey, "", renewed}));
        redisCli("SET peerkey:carole damaged");
        EXPECT_EQ(body("/keys/lookup?login=alice&password=alice&members=bruno,carole,alice"),
                  "KEYLIST|bruno," + renewed + "|alice," + aliceKey + "|ENDKEYLIST|");
    }
    // A server without a directory answers as one of old does.
    ctx_.keys = nullptr;
    EXPECT_EQ(get("/keys/publish?login=alice&password=alice&fingerprint=" + aliceKey).status, 404);
    EXPECT_EQ(get("/keys/lookup?login=alice&password=alice&members=alice").status, 404);
    ctx_.keys = keys_.get();
    advance(std::chrono::seconds(91));
    EXPECT_EQ(get("/keys/lookup?login=alice&password=alice&members=alice").status, 403);
}
