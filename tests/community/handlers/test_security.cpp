// The rules that keep one member from acting in another's name.
#include "tests/community/fixture.h"

using namespace jaserelle::community;
using namespace jaserelle::community::test;

namespace {

// Every request that carries no password, acting for alice.
const std::vector<std::string> passwordless = {
    "/ajoutmembre.php?login=alice&pseudo=bruno&liste=favoris",
    "/removemembre.php?login=alice&pseudo=bruno&liste=favoris",
    "/sendmail.php?sender=alice&login=bruno&subject=NULL&message=x",
    "/readmails.php?login=alice",
    "/deletemail.php?login=alice&sender=bruno&date=2026-12-06&time=12:00:00&subject=NULL&message=x",
};

} // namespace

class SecurityTest : public CommunityTest
{
protected:
    void SetUp() override
    {
        addMember("alice");
        addMember("bruno");
    }

    // Every password-less request is refused with no keyword the client would act on.
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

TEST_F(SecurityTest, OnlyALiveSessionActsAndOnlyFromTheAddressItLoggedInFrom)
{
    body("/softlogin.php?login=alice&password=bruno"); // a wrong login opens none
    expectAllRefused("10.0.0.1");
    EXPECT_FALSE(sessions_.presence("alice"));
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
}

// A login that presented a key binds the session to it: whoever shares the member's address (a
// home router, a carrier's NAT) but not the key is refused, with a key of its own or with none.
TEST_F(SecurityTest, AKeyBoundSessionActsOnlyOnConnectionsPresentingItsKey)
{
    const std::string key(64, 'a');
    const std::string other(64, 'b');
    ASSERT_EQ(
        get("/softlogin.php?login=alice&password=alice", "10.0.0.1", key).body.rfind("YOURLOGINISOK|", 0),
        0u);
    expectAllRefused("10.0.0.1", other);
    expectAllRefused("10.0.0.1");
    EXPECT_EQ(get(passwordless[0], "10.0.0.1", key).body, "LISTESMISESAJOUR");
    // The key does not replace the address rule: it comes on top of it.
    EXPECT_EQ(get(passwordless[3], "10.0.0.2", key).status, 403);

    // A lapsed session reopened by a refresh (it carries the password) is bound to the key that
    // refresh came with.
    advance(std::chrono::seconds(91));
    ASSERT_EQ(get("/softrefresh2.php?login=alice&password=alice&ipAdress=192.168.1.10", "10.0.0.1", other)
                  .body.rfind("REFRESHISOK|", 0),
              0u);
    EXPECT_EQ(get(passwordless[3], "10.0.0.1", key).status, 403);
    EXPECT_EQ(get(passwordless[3], "10.0.0.1", other).body.rfind("HERESTARTMAILLIST", 0), 0u);

    // A login without a key (a legacy client, plain HTTP) opens a session of today's rule.
    connect("alice", "10.0.0.1");
    EXPECT_EQ(get(passwordless[3], "10.0.0.1").body.rfind("HERESTARTMAILLIST", 0), 0u);
    EXPECT_EQ(get(passwordless[3], "10.0.0.1", other).body.rfind("HERESTARTMAILLIST", 0), 0u);
}

TEST_F(SecurityTest, AMemberBusyWithOtherRequestsStaysConnected)
{
    connect("alice", "10.0.0.1", "192.168.1.10");
    connect("bruno", "10.0.0.2");
    ASSERT_EQ(body("/ajoutmembre.php?login=bruno&pseudo=alice&liste=favoris", "10.0.0.2"),
              "LISTESMISESAJOUR");
    // Three minutes of profiles and mails, no refresh from alice.
    for (int i = 0; i < 9; ++i) {
        advance(std::chrono::seconds(20));
        body("/getprofil.php?pseudo=bruno");
        ASSERT_EQ(get(passwordless[i % 2 ? 2 : 3], "10.0.0.1").status, 200) << i;
    }
    EXPECT_EQ(body(passwordless[0], "10.0.0.1"), "LISTESMISESAJOUR");
    EXPECT_NE(body("/softrefresh2.php?login=bruno&password=bruno&ipAdress=192.168.1.20", "10.0.0.2")
                  .find("alice,10.0.0.1,"),
              std::string::npos);
}

TEST_F(SecurityTest, RepeatedWrongPasswordsAreRefusedUncheckedForAWhile)
{
    FailureThrottle failures([this] { return now_; });
    ctx_.failures = &failures;
    connect("bruno", "10.0.0.2");
    // Guesses at alice's password from ever new addresses, and at anyone's from one address.
    for (int i = 0; i < 5; ++i) {
        body("/softlogin.php?login=alice&password=guess" + std::to_string(i), "10.0.1." + std::to_string(i));
        body("/softrefresh2.php?login=nobody" + std::to_string(i) + "&password=x&ipAdress=1.2.3.4",
             "10.0.0.66");
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
