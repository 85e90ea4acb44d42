// The key directory: members publish the fingerprint of the certificate their client presents, and
// learn those of the members they see.
#include "community/keys/rediskeydirectory.h"
#include "tests/community/engines.h"
#include "tests/community/fixture.h"

using namespace jaserelle::community;
using namespace jaserelle::community::test;

namespace {
const std::string aliceKey(64, 'a');
const std::string brunoKey = std::string(32, '0') + std::string(32, 'f');
} // namespace

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
                        const std::string &password = {})
    {
        return body("/keys/publish?login=" + pseudo + "&password=" + (password.empty() ? pseudo : password) +
                    "&fingerprint=" + fingerprint);
    }
    std::string keyOf(const std::string &pseudo) { return keys_->fingerprintsOf(std::vector{pseudo})[0]; }
    std::unique_ptr<KeyStore> keys_ = openTestKeys(); // in memory, or in the test Redis
};

TEST_F(KeyDirectoryTest, MembersPublishAndLookUpWhatTheOthersPublished)
{
    connect("alice");
    connect("bruno", "10.0.0.2");
    EXPECT_EQ(publish("alice", aliceKey), "KEYPUBLISHED");
    // Upper-case hex is the same fingerprint, kept the way clients compare it.
    std::string shouted = brunoKey;
    for (char &c : shouted)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(publish("bruno", shouted), "KEYPUBLISHED");

    // Unknown and key-less members are left out; repeats and case do not matter; empty names
    // between commas are skipped.
    EXPECT_EQ(body("/keys/lookup?login=alice&password=alice&members=bruno,carole,,BRUNO,nobody,alice"),
              "KEYLIST|bruno," + brunoKey + "|alice," + aliceKey + "|ENDKEYLIST|");
    EXPECT_EQ(body("/keys/lookup?login=alice&password=alice&members="), "KEYLIST|ENDKEYLIST|");

    // A new key replaces the old one.
    const std::string renewed(64, '7');
    EXPECT_EQ(publish("alice", renewed), "KEYPUBLISHED");
    EXPECT_EQ(body("/keys/lookup?login=bruno&password=bruno&members=alice"),
              "KEYLIST|alice," + renewed + "|ENDKEYLIST|");
}

TEST_F(KeyDirectoryTest, OnlyALoggedInMemberPublishesAndLooksUp)
{
    addMember("eve");
    connect("alice");
    publish("alice", aliceKey);
    // No session, a wrong password, an expired session: nothing published, nothing learnt.
    for (const std::string &answer :
         {publish("eve", std::string(64, 'e')), publish("alice", std::string(64, 'e'), "wrong"),
          body("/keys/lookup?login=eve&password=eve&members=alice"),
          body("/keys/lookup?login=alice&password=wrong&members=alice")}) {
        EXPECT_FALSE(holdsClientKeyword(answer)) << answer;
        EXPECT_EQ(answer.find("KEY"), std::string::npos) << answer;
    }
    EXPECT_EQ(keyOf("alice"), aliceKey);
    EXPECT_EQ(keyOf("eve"), "");
    advance(std::chrono::seconds(91));
    EXPECT_EQ(get("/keys/lookup?login=alice&password=alice&members=alice").status, 403);
}

TEST_F(KeyDirectoryTest, MalformedFingerprintsAndOversizedLookupsAreRefused)
{
    connect("alice");
    for (const std::string &bad :
         {std::string(), std::string(63, 'a'), std::string(65, 'a'), std::string(63, 'a') + "g",
          std::string(62, 'a') + ",|", std::string(63, 'a') + "%00"}) {
        EXPECT_EQ(get("/keys/publish?login=alice&password=alice&fingerprint=" + bad).status, 400) << bad;
    }
    EXPECT_EQ(keyOf("alice"), "");

    std::string many = "/keys/lookup?login=alice&password=alice&members=";
    for (int i = 0; i < 256; ++i)
        many += "m" + std::to_string(i) + ",";
    EXPECT_EQ(get(many).status, 200);
    EXPECT_EQ(get(many + "onemore").status, 400);
}

TEST_F(KeyDirectoryTest, AServerWithoutADirectoryAnswersNotFound)
{
    ctx_.keys = nullptr;
    connect("alice");
    EXPECT_EQ(get("/keys/publish?login=alice&password=alice&fingerprint=" + aliceKey).status, 404);
    EXPECT_EQ(get("/keys/lookup?login=alice&password=alice&members=alice").status, 404);
}

// Behind a load balancer each request may reach another process: a key published through one is
// found through any other, and what is not a fingerprint in Redis is never handed out as one.
TEST_F(KeyDirectoryTest, ProcessesOnOneRedisShareTheDirectory)
{
    if (!useRedis())
        GTEST_SKIP() << "the directory is shared through Redis only (JASERELLE_TEST_PRESENCE=redis)";
    RedisKeyDirectory other(testRedisUrl());
    connect("alice");
    EXPECT_EQ(publish("alice", aliceKey), "KEYPUBLISHED");
    EXPECT_TRUE(other.publish("bruno", brunoKey));
    EXPECT_FALSE(other.publish("carole", "not a key"));
    EXPECT_EQ(other.fingerprintsOf(std::vector<std::string>{"alice", "carole", "bruno"}),
              (std::vector<std::string>{aliceKey, "", brunoKey}));
    EXPECT_EQ(body("/keys/lookup?login=alice&password=alice&members=bruno,alice"),
              "KEYLIST|bruno," + brunoKey + "|alice," + aliceKey + "|ENDKEYLIST|");

    redisCli("SET peerkey:carole damaged");
    EXPECT_EQ(keyOf("carole"), "");
    EXPECT_EQ(body("/keys/lookup?login=alice&password=alice&members=carole"), "KEYLIST|ENDKEYLIST|");
}
