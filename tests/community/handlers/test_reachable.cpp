// The reachability probe: the real server opens a connection back to where the member's requests
// come from, on the peer port only. Each 127.0.0.x stands for a home; a home whose client listens
// on 127.0.0.x:13196 is reachable.
#include "common/peerprobe.h"
#include "community/http/peerprobe.h"
#include "community/http/server.h"
#include "tests/community/fixture.h"
#include "tests/community/rawclient.h"

#include <future>
#include <thread>

using namespace jaserelle;
using namespace jaserelle::community;
using namespace jaserelle::community::test;

namespace {

// A peer port that takes one connection and keeps what it was told.
class PeerPort
{
public:
    explicit PeerPort(const char *address)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(probedPeerPort);
        ::inet_pton(AF_INET, address, &a.sin_addr);
        listening_ = ::bind(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 && ::listen(fd_, 4) == 0;
        heard_ = std::async(std::launch::async, [this] {
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0)
                return std::string("(nothing)");
            std::string got;
            char buf[256];
            ssize_t n;
            while ((n = ::recv(c, buf, sizeof buf, 0)) > 0)
                got.append(buf, static_cast<std::size_t>(n));
            ::close(c);
            return got;
        });
    }
    ~PeerPort()
    {
        ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
    }
    bool listening() const { return listening_; }
    std::string heard() { return heard_.get(); }

private:
    int fd_ = -1;
    bool listening_ = false;
    std::future<std::string> heard_;
};

} // namespace

class ReachableTest : public CommunityTest
{
protected:
    ReachableTest() : limits_([this] { return now_; }) {}

    void start(bool probing)
    {
        if (probing) {
            ctx_.peerProbe = &probe_;
            ctx_.probeLimits = &limits_;
        }
        ServerOptions options;
        options.port = 0;
        options.threads = 2;
        server_ = std::make_unique<HttpServer>([this](const Request &r) { return handle(ctx_, r); }, options,
                                               isSlowRequest);
        server_->start();
        for (const char *p : {"alice", "bruno", "carla"})
            addMember(p);
    }
    std::string ask(const std::string &pathAndQuery, const char *source)
    {
        return exchangeOnce(server_->port(), getRequest(pathAndQuery), source);
    }
    void logIn(const char *pseudo, const char *source)
    {
        ASSERT_NE(ask(std::string("softlogin.php?login=") + pseudo + "&password=" + pseudo, source)
                      .find("YOURLOGINISOK"),
                  std::string::npos);
    }
    std::string probe(const char *pseudo, const char *source)
    {
        return bodyOf(
            ask(std::string("jaserelle/reachable?login=") + pseudo + "&password=" + pseudo, source));
    }

    SocketPeerProbe probe_{std::chrono::milliseconds(2000)};
    ProbeLimits limits_;
    std::unique_ptr<HttpServer> server_;
};

TEST_F(ReachableTest, TheServerKnocksOnlyOnTheMembersOwnPeerPortAndSaysWhatItFound)
{
    start(true);
    PeerPort home("127.0.0.5");
    ASSERT_TRUE(home.listening());
    logIn("alice", "127.0.0.5");
    logIn("bruno", "127.0.0.6");
    EXPECT_EQ(probe("alice", "127.0.0.5"), "PEERPORTREACHABLE");
    // The listener is told what the connection is, and nothing else.
    EXPECT_EQ(home.heard(), std::string(reachabilityProbeLine));
    // Nobody listens at bruno's home.
    EXPECT_EQ(probe("bruno", "127.0.0.6"), "PEERPORTUNREACHABLE");

    // Only a member with a live session may ask, and a wrong password is no session.
    for (const std::string &who : {"carla&password=carla", "alice&password=wrong", "&password="}) {
        const std::string reply = ask("jaserelle/reachable?login=" + who, "127.0.0.7");
        EXPECT_EQ(reply.rfind("HTTP/1.1 403", 0), 0u) << who;
        EXPECT_EQ(bodyOf(reply).find("PEERPORT"), std::string::npos) << who;
    }
}

TEST_F(ReachableTest, AHomeIsKnockedOnOnceInAWhileAndAMemberCannotMakeItKnockElsewhereOften)
{
    start(true);
    logIn("alice", "127.0.0.5");
    logIn("bruno", "127.0.0.5");
    logIn("carla", "127.0.0.8");
    EXPECT_EQ(probe("alice", "127.0.0.5"), "PEERPORTUNREACHABLE");
    {
        // The door opens now, but the home's answer stands for a while, for all its members.
        PeerPort home("127.0.0.5");
        EXPECT_EQ(probe("alice", "127.0.0.5"), "PEERPORTUNREACHABLE");
        EXPECT_EQ(probe("bruno", "127.0.0.5"), "PEERPORTUNREACHABLE");
        // Alice, carried to another home, may not have the server knock again so soon.
        EXPECT_EQ(probe("alice", "127.0.0.8"), "PEERPORTUNKNOWN");
        EXPECT_EQ(probe("carla", "127.0.0.8"), "PEERPORTUNREACHABLE");
        advance(std::chrono::seconds(301));
        // Sessions lapse after 90 s without a request: come back in.
        logIn("alice", "127.0.0.5");
        EXPECT_EQ(probe("alice", "127.0.0.5"), "PEERPORTREACHABLE");
    }
}

TEST_F(ReachableTest, AServerWithoutTheProbeAnswersAsALegacyServerDoes)
{
    start(false);
    logIn("alice", "127.0.0.5");
    EXPECT_EQ(ask("jaserelle/reachable?login=alice&password=alice", "127.0.0.5").rfind("HTTP/1.1 404", 0),
              0u);
}

TEST(ProbeLimits, ProbesRunOneAtATimeAndForgetWhatIsStale)
{
    auto now = std::chrono::system_clock::time_point{};
    ProbeLimits limits([&] { return now; }, {std::chrono::seconds(300), std::chrono::seconds(60), 1, 2});
    using V = ProbeLimits::Verdict;
    EXPECT_EQ(limits.decide("alice", "1.1.1.1").verdict, V::Probe);
    // While it runs, nobody else's probe starts.
    EXPECT_EQ(limits.decide("bruno", "2.2.2.2").verdict, V::Later);
    limits.record("1.1.1.1", true);
    const auto known = limits.decide("carla", "1.1.1.1");
    EXPECT_EQ(known.verdict, V::Known);
    EXPECT_TRUE(known.reached);
    // Two keys held (one address, one member): a third key is refused until they go stale.
    EXPECT_EQ(limits.decide("bruno", "2.2.2.2").verdict, V::Later);
    now += std::chrono::seconds(301);
    EXPECT_EQ(limits.decide("bruno", "2.2.2.2").verdict, V::Probe);
}
