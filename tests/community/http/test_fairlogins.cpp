// Logins under a flood: the slow-hash queue shared out by network, members who lately logged in
// served first, an overloaded server that never calls a real account unknown, and answers held
// without holding a thread.
#include "community/core/recentlogins.h"
#include "community/http/slowqueue.h"
#include "tests/community/fixture.h"
#include "tests/community/rawclient.h"

#include <future>
#include <mutex>
#include <thread>

using namespace jaserelle::community;
using namespace jaserelle::community::test;

namespace {

// Holds the slow threads until released, and records which jobs ran, in order.
struct Recorder
{
    std::promise<void> open;
    std::shared_future<void> gate = open.get_future().share();
    std::mutex mutex;
    std::vector<std::string> ran, refused;
    std::atomic<int> started{0};
    SlowQueue::Job job(const std::string &name)
    {
        return [this, name](bool run) {
            if (run) {
                ++started;
                gate.wait();
            }
            std::lock_guard lock(mutex);
            (run ? ran : refused).push_back(name);
        };
    }
    // A job that takes the one slow thread and waits at the gate.
    void hold(SlowQueue &queue)
    {
        ASSERT_TRUE(queue.push("X", false, job("held")));
        while (started == 0)
            std::this_thread::yield();
    }
};

} // namespace

TEST(SlowQueue, NetworksTakeTurnsAndVouchedRequestsGoFirst)
{
    Recorder r;
    {
        SlowQueue queue(1, {16, 8});
        r.hold(queue);
        for (const char *name : {"a1", "a2", "a3"})
            ASSERT_TRUE(queue.push("A", false, r.job(name)));
        ASSERT_TRUE(queue.push("B", false, r.job("b1")));
        ASSERT_TRUE(queue.push("C", true, r.job("member")));
        r.open.set_value();
    }
    EXPECT_EQ(r.ran, (std::vector<std::string>{"held", "member", "a1", "b1", "a2", "a3"}));
    EXPECT_TRUE(r.refused.empty());
}

TEST(SlowQueue, AFullQueueMakesRoomForWhoeverHoldsLess)
{
    Recorder r;
    {
        SlowQueue queue(1, {5, 3}); // the running job counts
        r.hold(queue);
        for (const char *name : {"a1", "a2", "a3"})
            ASSERT_TRUE(queue.push("A", false, r.job(name)));
        // One network's cap, whatever room is left.
        EXPECT_FALSE(queue.push("A", false, r.job("a4")));
        ASSERT_TRUE(queue.push("B", false, r.job("b1")));
        // Full: C holds nothing, A holds most: A's newest gives way, answered at once.
        ASSERT_TRUE(queue.push("C", false, r.job("c1")));
        EXPECT_EQ(r.refused, (std::vector<std::string>{"a3"}));
        // A at two, B at one: moving one over would only swap them.
        EXPECT_FALSE(queue.push("B", false, r.job("b2")));
        // A member takes a stranger's place, the one of the network holding most.
        ASSERT_TRUE(queue.push("D", true, r.job("member")));
        EXPECT_EQ(r.refused, (std::vector<std::string>{"a3", "a2"}));
        r.open.set_value();
    }
    EXPECT_EQ(r.ran, (std::vector<std::string>{"held", "member", "a1", "b1", "c1"}));
}

// The real handlers on a real server; the slow thread is held at a gate so that the flood fills
// the queue for sure, whatever the machine's speed.
class FairLoginTest : public CommunityTest
{
protected:
    FairLoginTest() : recent_(ctx_.clock)
    {
        ctx_.recentLogins = &recent_;
        addMember("alice");
        addMember("bruno");
    }

    void startServer()
    {
        ServerOptions options = onAnyPort();
        options.slowThreads = 1;
        options.slowQueueLimit = 8;
        const auto slow = [this](const Request &r) {
            gate_.wait();
            std::lock_guard lock(mutex_);
            ran_.push_back(r.target);
            return handle(ctx_, r);
        };
        server_ = std::make_unique<HttpServer>(
            ServerHandlers{[this](const Request &r) { return handleQuick(ctx_, r); }, slow, refuseUnchecked,
                           [this](const Request &r) { return isVouchedRequest(ctx_, r); }},
            options);
        server_->start();
    }
    std::future<std::string> logIn(const std::string &pseudo, const std::string &password, std::string source)
    {
        return std::async(std::launch::async, [=, this] {
            return ask("softlogin.php?login=" + pseudo + "&password=" + password, source.c_str());
        });
    }

    std::promise<void> open_;
    std::shared_future<void> gate_ = open_.get_future().share();
    std::mutex mutex_;
    std::vector<std::string> ran_;
    RecentLogins recent_;
};

TEST_F(FairLoginTest, AMemberGetsInThroughAFloodOfStrangersFromManyNetworks)
{
    // Alice logged in from home once; bruno never from where he is now.
    EXPECT_EQ(body("/softlogin.php?login=alice&password=alice", "127.0.9.1"), "YOURLOGINISOK||");
    startServer();
    // Unknown pseudos, each from a network of its own: more than the queue holds.
    const int flood = 12;
    std::vector<std::future<std::string>> strangers;
    for (int i = 0; i < flood; ++i)
        strangers.push_back(
            logIn("nobody" + std::to_string(i), "guess", "127.1." + std::to_string(i) + ".1"));
    // Those with no room are answered at once, never told that the pseudo is wrong.
    std::vector<bool> done(flood, false);
    int refused = 0;
    const auto collectRefused = [&](int until) {
        for (int wait = 0; wait < 5000 && refused < until; ++wait)
            for (int i = 0; i < flood; ++i)
                if (!done[i] &&
                    strangers[i].wait_for(std::chrono::milliseconds(1)) == std::future_status::ready) {
                    done[i] = true;
                    EXPECT_FALSE(holdsClientKeyword(strangers[i].get()));
                    ++refused;
                }
    };
    collectRefused(flood - 8); // then the queue is surely full

    // Bruno from a new network finds no room: he hears that the server is overloaded, not that
    // his account does not exist.
    const std::string bruno = ask("softlogin.php?login=bruno&password=bruno", "127.2.0.1");
    EXPECT_FALSE(holdsClientKeyword(bruno)) << bruno;
    EXPECT_NE(bruno.find("surcharg"), std::string::npos) << bruno;
    // Requests that need no hash are served meanwhile.
    EXPECT_EQ(ask("getprofil.php?pseudo=nobody"), "LEMEMBRENEXISTEPAS");

    // Alice from her home network takes a stranger's place and is served before the strangers.
    auto alice = logIn("alice", "alice", "127.0.9.77");
    collectRefused(flood - 7);
    EXPECT_EQ(refused, flood - 7) << "alice took the place of one stranger";
    open_.set_value();
    EXPECT_EQ(alice.get(), "YOURLOGINISOK||");
    for (int i = 0; i < flood; ++i)
        if (!done[i]) {
            EXPECT_EQ(strangers[i].get(), "YOURLOGINISWRONG");
        }
    server_.reset();
    ASSERT_GE(ran_.size(), 2u);
    // The first was on the thread before she came; she comes next.
    EXPECT_EQ(ran_[1], "/softlogin.php?login=alice&password=alice");
}

TEST(HeldAnswer, WaitsWithoutHoldingTheConnectionThread)
{
    HttpServer server(
        [](const Request &r) {
            Response answer;
            answer.body = r.target.substr(1);
            if (r.target == "/held")
                answer.holdFor = std::chrono::seconds(2);
            return answer;
        },
        onAnyPort(1));
    server.start();
    auto held = std::async(std::launch::async,
                           [&server] { return bodyOf(exchangeOnce(server.port(), getRequest("held"))); });
    // The one loop serves others meanwhile.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(bodyOf(exchangeOnce(server.port(), getRequest("quick"))), "quick");
    EXPECT_EQ(held.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    EXPECT_EQ(held.get(), "held");
}
