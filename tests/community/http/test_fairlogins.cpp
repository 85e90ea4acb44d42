// Logins under a flood: the slow-hash queue shared out by network, members who lately logged in served
// first, an overloaded server that never calls a real account unknown, answers held without a thread.
#include "community/core/recentlogins.h"
#include "community/http/slowqueue.h"
#include "tests/community/fixture.h"
#include "tests/community/rawclient.h"

#include <future>
#include <mutex>
#include <thread>

using namespace jaserelle::community;
using namespace jaserelle::community::test;

TEST(SlowQueue, NetworksTakeTurnsWithinTheirCapAndAFullQueueMakesRoomForWhoeverHoldsLess)
{
    // The one slow thread waits at a gate until released; the jobs say whether they ran, in order.
    std::promise<void> open;
    std::shared_future<void> gate = open.get_future().share();
    std::mutex mutex;
    std::vector<std::string> ran, refused;
    std::atomic<int> started{0};
    const auto job = [&](const std::string &name) -> SlowQueue::Job {
        return [&, name](bool run) {
            started += run;
            if (run)
                gate.wait();
            std::lock_guard lock(mutex);
            (run ? ran : refused).push_back(name);
        };
    };
    {
        SlowQueue queue(1, {8, 3}); // the running job counts
        ASSERT_TRUE(queue.push("X", false, job("held")));
        while (started == 0)
            std::this_thread::yield();
        for (const char *name : {"a1", "a2", "a3"})
            ASSERT_TRUE(queue.push("A", false, job(name)));
        EXPECT_FALSE(queue.push("A", false, job("a4"))); // one network's cap, whatever room is left
        for (const char *name : {"b1", "b2"})
            ASSERT_TRUE(queue.push("B", false, job(name)));
        ASSERT_TRUE(queue.push("C", false, job("c1")));
        ASSERT_TRUE(queue.push("C", true, job("member"))); // vouched for: it goes first
        EXPECT_TRUE(refused.empty());
        // Full: D holds nothing, A holds most: A's newest gives way, answered at once.
        ASSERT_TRUE(queue.push("D", false, job("d1")));
        EXPECT_EQ(refused, std::vector<std::string>{"a3"});
        // C at one, A and B at two: moving one over would only swap them.
        EXPECT_FALSE(queue.push("C", false, job("c2")));
        open.set_value();
    }
    EXPECT_EQ(ran, (std::vector<std::string>{"held", "member", "a1", "b1", "c1", "d1", "a2", "b2"}));
    EXPECT_EQ(refused, std::vector<std::string>{"a3"});
}

// The real handlers on a real server; its one slow thread waits at a gate so that the flood fills
// the queue for sure, whatever the machine's speed.
TEST_F(CommunityTest, AMemberGetsInThroughAFloodOfStrangersFromManyNetworks)
{
    RecentLogins recent(ctx_.clock);
    ctx_.recentLogins = &recent;
    addMember("alice");
    addMember("bruno");
    // Alice logged in from home once; bruno never from where he is now.
    EXPECT_EQ(body("/softlogin.php?login=alice&password=alice", "127.0.9.1"), "YOURLOGINISOK||");
    std::promise<void> open;
    std::mutex mutex;
    std::vector<std::string> ran;
    const auto slow = [this, &mutex, &ran, gate = open.get_future().share()](const Request &r) {
        gate.wait();
        std::lock_guard lock(mutex);
        ran.push_back(r.target);
        return handle(ctx_, r);
    };
    server_ = std::make_unique<HttpServer>(
        ServerHandlers{[this](const Request &r) { return handleQuick(ctx_, r); }, slow, refuseUnchecked,
                       [this](const Request &r) { return isVouchedRequest(ctx_, r); }},
        ServerOptions{.port = 0, .threads = 2, .slowThreads = 1, .slowQueueLimit = 8});
    server_->start();
    const auto logIn = [this](const std::string &login, std::string source) {
        return std::async(std::launch::async,
                          [=, this] { return ask("softlogin.php?" + login, source.c_str()); });
    };
    // Unknown pseudos, each from a network of its own: more than the queue holds.
    const int flood = 12;
    std::vector<std::future<std::string>> strangers;
    for (int i = 0; i < flood; ++i)
        strangers.push_back(logIn("login=nobody" + std::to_string(i) + "&password=guess",
                                  "127.1." + std::to_string(i) + ".1"));
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
    auto alice = logIn("login=alice&password=alice", "127.0.9.77");
    collectRefused(flood - 7);
    EXPECT_EQ(refused, flood - 7) << "alice took the place of one stranger";
    open.set_value();
    EXPECT_EQ(alice.get(), "YOURLOGINISOK||");
    for (int i = 0; i < flood; ++i)
        if (!done[i]) {
            EXPECT_EQ(strangers[i].get(), "YOURLOGINISWRONG");
        }
    server_.reset();
    ASSERT_GE(ran.size(), 2u);
    // The first was on the thread before she came; she comes next.
    EXPECT_EQ(ran[1], "/softlogin.php?login=alice&password=alice");
}

TEST(HeldAnswer, WaitsWithoutHoldingTheConnectionThread)
{
    HttpServer server(
        [](const Request &r) {
            return Response{.body = r.target.substr(1),
                            .holdFor = std::chrono::seconds(r.target == "/held" ? 2 : 0)};
        },
        {.port = 0, .threads = 1});
    server.start();
    const auto ask = [&server](const char *path) {
        return bodyOf(exchangeOnce(server.port(), getRequest(path)));
    };
    auto held = std::async(std::launch::async, ask, "held");
    for (int i = 0; i < 5; ++i) // the one loop serves others meanwhile
        EXPECT_EQ(ask("quick"), "quick");
    EXPECT_EQ(held.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    EXPECT_EQ(held.get(), "held");
}
