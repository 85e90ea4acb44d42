// The reachability probe: the real server connects back to where the member's requests come from, on
// the peer port only. Each 127.0.0.x is a home, reachable when its client listens on 127.0.0.x:13196.
#include "common/peerprobe.h"
#include "community/http/peerprobe.h"
#include "tests/community/fixture.h"
#include "tests/community/rawclient.h"

#include <future>

using namespace jaserelle;
using namespace jaserelle::community;
using namespace jaserelle::community::test;

const std::string token(probeTokenLength, 'a');

// A peer port that takes one connection (10 s at most) and gives what it was told. Told a token, it
// sends `answer`: the token (the client that asked), or another line (another computer of the home).
static std::future<std::string> peerPort(const char *address, const std::string &answer = token + "\r\n")
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0), on = 1;
    const timeval wait{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    sockaddr_in a{.sin_family = AF_INET, .sin_port = htons(probedPeerPort), .sin_addr = {}, .sin_zero = {}};
    ::inet_pton(AF_INET, address, &a.sin_addr);
    EXPECT_TRUE(::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 && ::listen(fd, 4) == 0);
    return std::async(std::launch::async, [fd, answer] {
        const int c = ::accept(fd, nullptr, nullptr);
        ::close(fd);
        std::string got = c < 0 ? "(nothing)" : "";
        char buf[256];
        for (ssize_t n; c >= 0 && (n = ::recv(c, buf, sizeof buf, 0)) > 0;)
            if (got.append(buf, static_cast<std::size_t>(n)).ends_with(token + "\r\n"))
                ::send(c, answer.data(), answer.size(), MSG_NOSIGNAL);
        ::close(c);
        return got;
    });
}

class ReachableTest : public CommunityTest
{
protected:
    ReachableTest() : limits_([this] { return now_; })
    {
        ctx_.peerProbe = &probe_;
        ctx_.probeLimits = &limits_;
        serve();
        for (const char *p : {"alice", "bruno", "carla"})
            addMember(p);
    }
    ~ReachableTest() override { server_.reset(); } // before the probe it calls
    void logIn(const char *pseudo, const char *source)
    {
        ASSERT_EQ(ask(std::string("softlogin.php?login=") + pseudo + "&password=" + pseudo, source),
                  "YOURLOGINISOK||");
    }
    std::string probe(const char *pseudo, const char *source, const std::string &withToken = token)
    {
        return ask(std::string("jaserelle/reachable?login=") + pseudo + "&password=" + pseudo +
                       (withToken.empty() ? "" : "&token=" + withToken),
                   source);
    }

    SocketPeerProbe probe_{std::chrono::milliseconds(2000)};
    ProbeLimits limits_;
};

TEST_F(ReachableTest, TheServerKnocksOnlyOnTheMembersOwnPeerPortAndEachAnswerIsAFreshProbe)
{
    logIn("alice", "127.0.0.5");
    logIn("bruno", "127.0.0.6");
    // The listener is told what the connection is and the token to send back; asked without one
    // (the first clients), the probe line alone, and a port that accepts is reachable.
    for (const std::string &t : {token, std::string()}) {
        auto home = peerPort("127.0.0.5");
        EXPECT_EQ(probe("alice", "127.0.0.5", t), "PEERPORTREACHABLE");
        EXPECT_EQ(home.get(), std::string(reachabilityProbeLine) + (t.empty() ? "" : t + "\r\n"));
    }
    EXPECT_EQ(probe("bruno", "127.0.0.6"), "PEERPORTUNREACHABLE"); // nobody listens at bruno's home
    // Only a live session may ask (a wrong password is no session); a token is hex digits of its length.
    for (const std::string &who :
         {token + "0&login=alice&password=alice", token + "&login=carla&password=carla",
          token + "&login=alice&password=wrong", token + "&password="}) {
        const std::string reply =
            exchangeOnce(server_->port(), getRequest("jaserelle/reachable?token=" + who), "127.0.0.7");
        EXPECT_TRUE(reply.starts_with("HTTP/1.1 403") || reply.starts_with("HTTP/1.1 400")) << who;
        EXPECT_EQ(bodyOf(reply).find("PEERPORT"), std::string::npos) << who;
    }
    // Bruno joins alice's home, whose forward leads to another computer: it takes the knock, not the token.
    logIn("bruno", "127.0.0.5");
    {
        auto other = peerPort("127.0.0.5", "something else\r\n");
        EXPECT_EQ(probe("bruno", "127.0.0.5"), "PEERPORTUNREACHABLE");
    }
    {
        // Alice maps the port to herself and asks at once: a fresh probe, no answer kept.
        auto home = peerPort("127.0.0.5");
        EXPECT_EQ(probe("alice", "127.0.0.5"), "PEERPORTREACHABLE");
    }
    // Three questions a minute per member, from wherever, and no more; then as many again.
    EXPECT_EQ(probe("alice", "127.0.0.8"), "PEERPORTUNKNOWN");
    advance(std::chrono::seconds(61));
    logIn("alice", "127.0.0.5"); // sessions lapse after 90 s without a request
    EXPECT_EQ(probe("alice", "127.0.0.5"), "PEERPORTUNREACHABLE");

    // A server without the probe answers as a legacy server does.
    ctx_.peerProbe = nullptr;
    EXPECT_TRUE(exchangeOnce(server_->port(), getRequest("jaserelle/reachable?login=alice&password=alice"),
                             "127.0.0.5")
                    .starts_with("HTTP/1.1 404"));
}

TEST(ProbeLimits, ProbesRunOneAtATimeCountedPerAddressWithinABoundOfKeys)
{
    auto now = std::chrono::system_clock::time_point{};
    ProbeLimits limits([&] { return now; }, {std::chrono::seconds(60), 3, 2, 1, 4});
    EXPECT_TRUE(limits.allow("alice", "1.1.1.1"));
    EXPECT_FALSE(limits.allow("bruno", "2.2.2.2")); // while it runs, nobody else's starts
    limits.finished();
    EXPECT_TRUE(limits.allow("bruno", "1.1.1.1"));
    limits.finished();
    EXPECT_FALSE(limits.allow("carla", "1.1.1.1")); // two per address
    // Three keys held: a new member at a new address would make five, beyond the four counted.
    EXPECT_FALSE(limits.allow("carla", "2.2.2.2"));
    now += std::chrono::seconds(61);
    EXPECT_TRUE(limits.allow("carla", "2.2.2.2"));
}
