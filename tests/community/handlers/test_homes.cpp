// Members behind home routers: each is reported at the address that reaches it from where the
// viewer's own requests come from. The homes are loopback addresses of their own (127.0.0.x) talking
// to the real server; the addresses the clients claim are LAN ones, as behind a router.
#include "tests/community/fixture.h"

using namespace jaserelle::community;
using namespace jaserelle::community::test;

namespace {

struct Home
{
    const char *pseudo;
    const char *source;  // where its requests come from: its router, as the server sees it
    const char *claimed; // what its client reports, its LAN address
};

// alice and bruno share a home; carla's LAN uses the same range as theirs (as most homes do);
// dan is on no LAN at all: what he claims is where he is.
constexpr Home homes[] = {
    {"alice", "127.0.0.2", "192.168.2.10"},
    {"bruno", "127.0.0.2", "192.168.2.11"},
    {"carla", "127.0.0.3", "192.168.2.10"},
    {"dan", "127.0.0.4", "127.0.0.4"},
};

} // namespace

class HomesTest : public CommunityTest
{
protected:
    HomesTest()
    {
        serve();
        for (const auto &h : homes)
            addMember(h.pseudo);
        for (const auto &h : homes)
            for (const auto &other : homes)
                if (&h != &other)
                    store_->addContact(h.pseudo, other.pseudo, ListKind::Favoris);
    }

    std::string refresh(const Home &h, const char *source = nullptr)
    {
        return ask(std::string("softrefresh2.php?login=") + h.pseudo + "&password=" + h.pseudo +
                       "&ipAdress=" + h.claimed,
                   source ? source : h.source);
    }
};

TEST_F(HomesTest, ContactsAndSearchRowsCarryTheLanAddressOnlyInsideTheHome)
{
    for (const auto &h : homes) {
        ASSERT_EQ(ask(std::string("softlogin.php?login=") + h.pseudo + "&password=" + h.pseudo, h.source),
                  "YOURLOGINISOK||");
        ASSERT_EQ(refresh(h).rfind("REFRESHISOK|", 0), 0u);
    }
    const auto &[alice, bruno, carla, dan] = homes;

    // The whole answer, byte for byte: only the addresses follow the viewer.
    EXPECT_EQ(refresh(alice), "REFRESHISOK|HERESTARTFAVORIS|bruno,192.168.2.11,F,36,75,0|"
                              "carla,127.0.0.3,F,36,75,0|dan,127.0.0.4,F,36,75,0|NOLISTENOIREDEFINED|"
                              "IAMINNOONELISTENOIRE|MYMAILSNUMBER,0,");
    EXPECT_EQ(refresh(carla), "REFRESHISOK|HERESTARTFAVORIS|alice,127.0.0.2,F,36,75,0|"
                              "bruno,127.0.0.2,F,36,75,0|dan,127.0.0.4,F,36,75,0|NOLISTENOIREDEFINED|"
                              "IAMINNOONELISTENOIRE|MYMAILSNUMBER,0,");
    EXPECT_NE(refresh(dan).find("|alice,127.0.0.2,F,36,75,0|bruno,127.0.0.2,F,36,75,0|carla,127.0.0.3,"),
              std::string::npos);

    // A search answers by the same rule, whoever asks (a searcher need not be logged in).
    const std::string search = "searchmembers3.php?pseudo=a&iamuser=";
    EXPECT_EQ(ask(search + "bruno", bruno.source),
              "HERESTARTSEARCHRESULTalice,F,36,75011,192.168.2.10,no,0|carla,F,36,75011,127.0.0.3,no,0|"
              "dan,F,36,75011,127.0.0.4,no,0|SEARCHISOK|");
    EXPECT_EQ(
        ask(search + "dan", dan.source),
        "HERESTARTSEARCHRESULTalice,F,36,75011,127.0.0.2,no,0|carla,F,36,75011,127.0.0.3,no,0|SEARCHISOK|");
    EXPECT_EQ(ask(search + "nobody", "127.0.0.3"),
              "HERESTARTSEARCHRESULTalice,F,36,75011,127.0.0.2,no,0|carla,F,36,75011,192.168.2.10,no,0|"
              "dan,F,36,75011,127.0.0.4,no,0|SEARCHISOK|");

    // Carla's laptop goes to alice's home: from then on she is one of them.
    ASSERT_EQ(refresh(carla, alice.source).rfind("REFRESHISOK|", 0), 0u);
    EXPECT_NE(refresh(alice).find("|carla,192.168.2.10,"), std::string::npos);
    EXPECT_NE(refresh(dan).find("|carla,127.0.0.2,"), std::string::npos);
}

// Without sockets: the sources the server cannot hand to a client.
TEST_F(CommunityTest, AMemberSeenOverIpv6IsReportedAtTheAddressItClaims)
{
    addMember("alice");
    addMember("bruno");
    store_->addContact("alice", "bruno", ListKind::Favoris);
    connect("alice", "10.0.0.1", "192.168.1.10");
    connect("bruno", "2001:db8::5", "192.168.7.7");
    EXPECT_NE(body("/softrefresh2.php?login=alice&password=alice&ipAdress=192.168.1.10", "10.0.0.1")
                  .find("|bruno,192.168.7.7,"),
              std::string::npos);
    // An IPv4 address mapped into IPv6 is the IPv4 address.
    connect("bruno", "::ffff:10.0.0.8", "192.168.7.7");
    EXPECT_NE(body("/softrefresh2.php?login=alice&password=alice&ipAdress=192.168.1.10", "10.0.0.1")
                  .find("|bruno,10.0.0.8,"),
              std::string::npos);
}
