// The rules that keep one member from acting in another's name.
#include "tests/community/fixture.h"

using namespace jaserelle::community;
using namespace jaserelle::community::test;

// Every request that carries no password, acting for alice.
const std::vector<std::string> passwordless = {
    "/ajoutmembre.php?login=alice&pseudo=bruno&liste=favoris",
    "/removemembre.php?login=alice&pseudo=bruno&liste=favoris",
    "/sendmail.php?sender=alice&login=bruno&subject=NULL&message=x",
    "/readmails.php?login=alice",
    "/deletemail.php?login=alice&sender=bruno&date=2026-12-06&time=12:00:00&subject=NULL&message=x",
};

class SecurityTest : public CommunityTest
{
protected:
    SecurityTest()
    {
        addMember("alice");
        addMember("bruno");
    }
    void expectAllRefused(const std::string &peer, const std::string &key = {})
    {
        for (const auto &target : passwordless) {
            const Response r = get(target, peer, key);
            EXPECT_EQ(r.status, 403) << target;
            EXPECT_FALSE(holdsClientKeyword(r.body)) << target;
        }
        EXPECT_TRUE(store_->contacts("alice", ListKind::Favoris).empty());
        EXPECT_EQ(store_->mailCount("bruno"), 0);
    }
};

TEST_F(SecurityTest, OnlyALiveSessionActsOnlyFromTheAddressItLoggedInFromAndOtherRequestsKeepItAlive)
{
    body("/softlogin.php?login=alice&password=bruno"); // a wrong login opens none
    expectAllRefused("10.0.0.1");
    connect("alice", "10.0.0.1");
    body("/softlogoff.php?login=alice&password=alice");
    expectAllRefused("10.0.0.1");
    connect("alice", "10.0.0.1");
    advance(std::chrono::seconds(91));
    expectAllRefused("10.0.0.1");

    connect("alice", "10.0.0.1");
    expectAllRefused("10.0.0.66");
    expectAllRefused("");
    EXPECT_EQ(body(passwordless[0], "10.0.0.1"), "LISTESMISESAJOUR");
    // The same address seen through an IPv6 socket is the same address.
    EXPECT_EQ(body(passwordless[3], "::ffff:10.0.0.1"), "HERESTARTMAILLIST");

    // Busy with other requests, three minutes without a refresh, alice stays connected.
    connect("bruno", "10.0.0.2");
    ASSERT_EQ(body("/ajoutmembre.php?login=bruno&pseudo=alice&liste=favoris", "10.0.0.2"),
              "LISTESMISESAJOUR");
    for (int i = 0; i < 9; ++i) {
        advance(std::chrono::seconds(20));
        body("/getprofil.php?pseudo=bruno");
        ASSERT_EQ(get(passwordless[i % 2 ? 2 : 3], "10.0.0.1").status, 200) << i;
    }
    EXPECT_EQ(body(passwordless[1], "10.0.0.1"), "REMOVEISSUCCESSFUL");
    EXPECT_PRED_FORMAT2(
        testing::IsSubstring, "alice,10.0.0.1,",
        body("/softrefresh2.php?login=bruno&password=bruno&ipAdress=192.168.1.20", "10.0.0.2"));
}

// A key-bound session refuses whoever shares the member's address (a router, a NAT) but not the key.
TEST_F(SecurityTest, AKeyBoundSessionActsOnlyOnConnectionsPresentingItsKey)
{
    const std::string key(64, 'a'), other(64, 'b');
    ASSERT_EQ(get("/softlogin.php?login=alice&password=alice", "10.0.0.1", key).body, "YOURLOGINISOK||");
    expectAllRefused("10.0.0.1", other);
    expectAllRefused("10.0.0.1");
    EXPECT_EQ(get(passwordless[0], "10.0.0.1", key).body, "LISTESMISESAJOUR");
    // The key does not replace the address rule: it comes on top of it.
    EXPECT_EQ(get(passwordless[3], "10.0.0.2", key).status, 403);

    // A lapsed session reopened by a refresh (it carries the password) is bound to the refresh's key.
    advance(std::chrono::seconds(91));
    ASSERT_EQ(get("/softrefresh2.php?login=alice&password=alice&ipAdress=192.168.1.10", "10.0.0.1", other)
                  .body.rfind("REFRESHISOK|", 0),
              0u);
    EXPECT_EQ(get(passwordless[3], "10.0.0.1", key).status, 403);
    EXPECT_EQ(get(passwordless[3], "10.0.0.1", other).body, "HERESTARTMAILLIST");

    // A login without a key (a legacy client, plain HTTP) opens a session of today's rule.
    connect("alice", "10.0.0.1");
    for (const std::string &k : {std::string(), other})
        EXPECT_EQ(get(passwordless[3], "10.0.0.1", k).body, "HERESTARTMAILLIST");
}

TEST_F(SecurityTest, RepeatedWrongPasswordsAreRefusedUncheckedForAWhile)
{
    FailureThrottle failures([this] { return now_; });
    ctx_.failures = &failures;
    connect("bruno", "10.0.0.2");
    // Guesses at alice's password from ever new addresses, and at anyone's from one address.
    for (const std::string i : {"0", "1", "2", "3", "4"}) {
        body("/softlogin.php?login=alice&password=guess" + i, "10.0.1." + i);
        body("/softrefresh2.php?login=nobody" + i + "&password=x&ipAdress=1.2.3.4", "10.0.0.66");
    }
    const std::string alice = "/softlogin.php?login=alice&password=alice";
    EXPECT_EQ(body(alice, "10.0.0.1"), "YOURLOGINISWRONG");
    EXPECT_EQ(body("/softlogin.php?login=bruno&password=bruno", "10.0.0.66"), "YOURLOGINISWRONG");
    // A live session is not the guesser's business, whatever the pseudo or the address.
    EXPECT_EQ(body("/softrefresh2.php?login=bruno&password=bruno&ipAdress=1.2.3.4", "10.0.0.2")
                  .rfind("REFRESHISOK", 0),
              0u);
    advance(std::chrono::seconds(61));
    EXPECT_EQ(body(alice, "10.0.0.1"), "YOURLOGINISOK||");
}
