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

const std::string token(probeTokenLength, 'a');

// A peer port that takes one connection and keeps what it was told. Once told a token, it sends
// back the token (the client that asked), or another line (another computer of the home).
class PeerPort
{
public:
    explicit PeerPort(const char *address, const std::string &answer = token + "\r\n")
        : fd_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        const int on = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(probedPeerPort);
        ::inet_pton(AF_INET, address, &a.sin_addr);
        listening_ = ::bind(fd_, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 && ::listen(fd_, 4) == 0;
        heard_ = std::async(std::launch::async, [this, answer] {
            const int c = ::accept(fd_, nullptr, nullptr);
            if (c < 0)
                return std::string("(nothing)");
            std::string got;
            char buf[256];
            for (ssize_t n; (n = ::recv(c, buf, sizeof buf, 0)) > 0;) {
                got.append(buf, static_cast<std::size_t>(n));
                if (got.ends_with(token + "\r\n"))
                    ::send(c, answer.data(), answer.size(), MSG_NOSIGNAL);
            }
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
    std::string probe(const char *pseudo, const char *source, const std::string &withToken = token)
    {
        return bodyOf(ask(std::string("jaserelle/reachable?login=") + pseudo + "&password=" + pseudo +
                              (withToken.empty() ? "" : "&token=" + withToken),
                          source));
    }

    SocketPeerProbe probe_{std::chrono::milliseconds(2000)};
    ProbeLimits limits_;
    std::unique_ptr<HttpServer> server_;
};

TEST_F(ReachableTest, TheServerKnocksOnlyOnTheMembersOwnPeerPortAndSaysWhatItFound)
{
    start(true);
    logIn("alice", "127.0.0.5");
    logIn("bruno", "127.0.0.6");
    // The listener is told what the connection is and the token to send back; asked without one
    // (the first clients), the probe line alone, and a port that accepts is reachable.
    for (const std::string &t : {token, std::string()}) {
        PeerPort home("127.0.0.5");
        ASSERT_TRUE(home.listening());
        EXPECT_EQ(probe("alice", "127.0.0.5", t), "PEERPORTREACHABLE");
        EXPECT_EQ(home.heard(), std::string(reachabilityProbeLine) + (t.empty() ? "" : t + "\r\n"));
    }
    // Nobody listens at bruno's home.
    EXPECT_EQ(probe("bruno", "127.0.0.6"), "PEERPORTUNREACHABLE");

    // Only a member with a live session may ask (a wrong password is no session), and a token is
    // hex digits of its length.
    for (const std::string &who :
         std::vector<std::string>{"carla&password=carla", "alice&password=wrong",
                                  "&password=", "alice&password=alice&token=" + token + "0"}) {
        const std::string reply = ask("jaserelle/reachable?login=" + who, "127.0.0.7");
        EXPECT_TRUE(reply.starts_with("HTTP/1.1 403") || reply.starts_with("HTTP/1.1 400")) << who;
        EXPECT_EQ(bodyOf(reply).find("PEERPORT"), std::string::npos) << who;
    }
}

TEST_F(ReachableTest, EachAnswerIsAProbeOfItsOwnThatReachedTheAsker)
{
    start(true);
    logIn("alice", "127.0.0.5");
    logIn("bruno", "127.0.0.5");
    {
        // The home's forward leads to another computer: it takes the knock, not the token.
        PeerPort other("127.0.0.5", "something else\r\n");
        EXPECT_EQ(probe("bruno", "127.0.0.5"), "PEERPORTUNREACHABLE");
    }
    {
        // Alice maps the port to herself and asks at once: a fresh probe, no answer kept.
        PeerPort home("127.0.0.5");
        EXPECT_EQ(probe("alice", "127.0.0.5"), "PEERPORTREACHABLE");
    }
    // A few questions a minute per member, and no more; then as many again.
    EXPECT_EQ(probe("alice", "127.0.0.8"), "PEERPORTUNREACHABLE");
    EXPECT_EQ(probe("alice", "127.0.0.5"), "PEERPORTUNREACHABLE");
    EXPECT_EQ(probe("alice", "127.0.0.5"), "PEERPORTUNKNOWN");
    advance(std::chrono::seconds(61));
    logIn("alice", "127.0.0.5"); // sessions lapse after 90 s without a request
    EXPECT_EQ(probe("alice", "127.0.0.5"), "PEERPORTUNREACHABLE");

    // A server without the probe answers as a legacy server does.
    ctx_.peerProbe = nullptr;
    EXPECT_TRUE(
        ask("jaserelle/reachable?login=alice&password=alice", "127.0.0.5").starts_with("HTTP/1.1 404"));
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
