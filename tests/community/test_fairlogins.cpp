// Logins under a flood: the slow-hash queue shared out by network, members who lately logged in
// served first, unknown pseudos refused without the hash, and an overloaded server that never
// calls a real account unknown.
#include "community/core/checktimes.h"
#include "community/core/recentlogins.h"
#include "community/core/text.h"
#include "community/http/server.h"
#include "community/http/slowqueue.h"
#include "tests/community/fixture.h"
#include "tests/community/rawclient.h"

#include <atomic>
#include <future>
#include <latch>
#include <mutex>
#include <set>
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
};

} // namespace

TEST(NetworkPrefix, OneSiteIsOneNetwork)
{
    EXPECT_EQ(networkPrefix("192.0.2.17"), "192.0.2.0/24");
    EXPECT_EQ(networkPrefix("::ffff:192.0.2.200"), "192.0.2.0/24");
    EXPECT_EQ(networkPrefix("2001:db8:aa:1:2:3:4:5"), "2001:db8:aa::/48");
    EXPECT_EQ(networkPrefix("2001:db8:aa:ffff::1"), networkPrefix("2001:db8:aa::9"));
    EXPECT_NE(networkPrefix("2001:db8:ab::1"), networkPrefix("2001:db8:aa::1"));
    EXPECT_EQ(networkPrefix("not an address"), "not an address");
}

// Pushes a job that takes the one slow thread and waits at the gate.
void holdTheThread(SlowQueue &queue, Recorder &r)
{
    ASSERT_TRUE(queue.push("X", false, r.job("held")));
    while (r.started == 0)
        std::this_thread::yield();
}

TEST(SlowQueue, NetworksTakeTurnsAndVouchedRequestsGoFirst)
{
    Recorder r;
    {
        SlowQueue queue(1, {16, 8});
        holdTheThread(queue, r);
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
        holdTheThread(queue, r);
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

TEST(RecentLogins, ASuccessVouchesForItsNetworkForAMonth)
{
    auto now = std::chrono::system_clock::time_point{} + std::chrono::hours(1000000);
    RecentLogins recent([&] { return now; }, {std::chrono::hours(24 * 30), 2});
    recent.succeeded("alice", "10.1.2.3");
    EXPECT_TRUE(recent.recent("alice", "10.1.2.200"));
    EXPECT_FALSE(recent.recent("alice", "10.1.3.3"));
    EXPECT_FALSE(recent.recent("bruno", "10.1.2.3"));
    now += std::chrono::hours(24 * 31);
    EXPECT_FALSE(recent.recent("alice", "10.1.2.3"));
    // Bounded: the least recently seen pair goes first.
    recent.succeeded("a", "10.0.0.1");
    recent.succeeded("b", "10.0.0.1");
    recent.succeeded("a", "10.0.0.1");
    recent.succeeded("c", "10.0.0.1");
    EXPECT_TRUE(recent.recent("a", "10.0.0.1"));
    EXPECT_FALSE(recent.recent("b", "10.0.0.1"));
    EXPECT_TRUE(recent.recent("c", "10.0.0.1"));
}

// The real handlers on a real server; the slow threads are held at a gate so that the flood fills
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
        ServerOptions options;
        options.port = 0;
        options.threads = 2;
        options.slowThreads = 1;
        options.slowQueueLimit = 8;
        ServerHandlers h{[this](const Request &r) { return handleQuick(ctx_, r); },
                         [this](const Request &r) {
                             gate_.wait();
                             {
                                 std::lock_guard lock(mutex_);
                                 ran_.push_back(r.target);
                             }
                             return handle(ctx_, r);
                         },
                         refuseUnchecked, [this](const Request &r) { return isVouchedRequest(ctx_, r); }};
        server_ = std::make_unique<HttpServer>(std::move(h), options);
        server_->start();
    }

    std::promise<void> open_;
    std::shared_future<void> gate_ = open_.get_future().share();
    std::mutex mutex_;
    std::vector<std::string> ran_;
    RecentLogins recent_;
    std::unique_ptr<HttpServer> server_;
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
        strangers.push_back(std::async(std::launch::async, [this, i] {
            const std::string source = "127.1." + std::to_string(i) + ".1";
            return bodyOf(
                exchangeOnce(server_->port(),
                             getRequest("softlogin.php?login=nobody" + std::to_string(i) + "&password=guess"),
                             source.c_str()));
        }));
    // The four with no room are answered at once; then the queue is surely full.
    int refused = 0;
    std::vector<bool> done(flood, false);
    while (refused < flood - 8)
        for (int i = 0; i < flood; ++i)
            if (!done[i] &&
                strangers[i].wait_for(std::chrono::milliseconds(1)) == std::future_status::ready) {
                done[i] = true;
                const std::string answer = strangers[i].get();
                EXPECT_EQ(answer.find("YOURLOGINISWRONG"), std::string::npos) << answer;
                EXPECT_FALSE(holdsClientKeyword(answer)) << answer;
                ++refused;
            }

    // Bruno from a new network finds no room: he hears that the server is overloaded, not that
    // his account does not exist.
    const std::string bruno = bodyOf(
        exchangeOnce(server_->port(), getRequest("softlogin.php?login=bruno&password=bruno"), "127.2.0.1"));
    EXPECT_FALSE(holdsClientKeyword(bruno)) << bruno;
    EXPECT_NE(bruno.find("surcharg"), std::string::npos) << bruno;

    // Alice from her home network takes a stranger's place and is served before the strangers.
    auto alice = std::async(std::launch::async, [this] {
        return bodyOf(exchangeOnce(server_->port(), getRequest("softlogin.php?login=alice&password=alice"),
                                   "127.0.9.77"));
    });
    for (int wait = 0; wait < 5000 && refused < flood - 7; ++wait)
        for (int i = 0; i < flood; ++i)
            if (!done[i] &&
                strangers[i].wait_for(std::chrono::milliseconds(1)) == std::future_status::ready) {
                done[i] = true;
                EXPECT_FALSE(holdsClientKeyword(strangers[i].get()));
                ++refused;
            }
    EXPECT_EQ(refused, flood - 7) << "alice took the place of one stranger";
    open_.set_value();
    EXPECT_EQ(alice.get(), "YOURLOGINISOK||");
    for (int i = 0; i < flood; ++i) {
        if (!done[i]) {
            EXPECT_EQ(strangers[i].get(), "YOURLOGINISWRONG");
        }
    }
    server_.reset();
    std::lock_guard lock(mutex_);
    ASSERT_GE(ran_.size(), 2u);
    // The first was on the thread before she came; she comes next.
    EXPECT_EQ(ran_[1], "/softlogin.php?login=alice&password=alice");
}

TEST(CheckTimes, UnknownPseudosTakeTheTimesRealChecksTook)
{
    CheckTimes times;
    using us = CheckTimes::Duration;
    const auto t0 = CheckTimes::Clock::now();
    // Nothing measured yet: every caller must run the hash for real.
    EXPECT_EQ(times.pick(), us::zero());
    EXPECT_TRUE(times.takeRefresh(t0, std::chrono::seconds(1)));
    EXPECT_TRUE(times.takeRefresh(t0, std::chrono::seconds(1)));

    times.record(us(60000), t0);
    times.record(us(90000), t0);
    times.record(us(75000), t0);
    std::set<long long> drawn;
    for (int i = 0; i < 400; ++i)
        drawn.insert(times.pick().count());
    EXPECT_EQ(drawn, (std::set<long long>{60000, 75000, 90000})) << "the spread of real checks, nothing else";

    // Members' own checks keep the times current; when none ran for a while, one real check does.
    const auto second = std::chrono::seconds(1);
    EXPECT_FALSE(times.takeRefresh(t0 + std::chrono::milliseconds(900), second));
    EXPECT_TRUE(times.takeRefresh(t0 + std::chrono::milliseconds(1100), second));
    EXPECT_FALSE(times.takeRefresh(t0 + std::chrono::milliseconds(3000), second)) << "the first still runs";
    times.record(us(70000), t0 + std::chrono::milliseconds(3000));
    EXPECT_FALSE(times.takeRefresh(t0 + std::chrono::milliseconds(3500), second));
    EXPECT_TRUE(times.takeRefresh(t0 + std::chrono::milliseconds(4500), second));

    // Only the latest samples count: a machine that got busy is followed.
    for (std::size_t i = 0; i < CheckTimes::kept; ++i)
        times.record(us(500000), t0);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(times.pick(), us(500000));
}

TEST_F(CommunityTest, AnUnknownPseudoIsRefusedLikeAWrongPasswordWithoutTheHash)
{
    addMember("alice");
    const Response wrong = get("/softlogin.php?login=alice&password=guess", "10.0.0.7");
    const Response wrongRefresh =
        get("/softrefresh2.php?login=alice&password=guess&ipAdress=1.2.3.4", "10.0.0.8");
    EXPECT_EQ(wrong.holdFor.count(), 0) << "a real check took its time already";
    int held = 0;
    for (int i = 0; i < 3; ++i) {
        const Response unknown = get("/softlogin.php?login=nobody" + std::to_string(i) + "&password=guess",
                                     "10.0.1." + std::to_string(i));
        const Response unknownRefresh =
            get("/softrefresh2.php?login=nobody" + std::to_string(i) + "&password=guess&ipAdress=1.2.3.4",
                "10.0.2." + std::to_string(i));
        // The same answer, byte for byte: nothing in it tells the pseudos apart.
        EXPECT_EQ(unknown.status, wrong.status);
        EXPECT_EQ(unknown.body, wrong.body);
        EXPECT_EQ(unknownRefresh.status, wrongRefresh.status);
        EXPECT_EQ(unknownRefresh.body, wrongRefresh.body);
        held += unknown.holdFor.count() > 0;
        held += unknownRefresh.holdFor.count() > 0;
    }
    // After alice's check, the unknown pseudos wait instead of hashing (but for a real check when
    // none ran for a second, should the machine be that slow).
    EXPECT_GE(held, 4);
}

TEST(HeldAnswer, WaitsWithoutHoldingTheConnectionThread)
{
    ServerOptions options;
    options.port = 0;
    options.threads = 1;
    HttpServer server(
        [](const Request &r) {
            Response answer;
            answer.body = r.target.substr(1);
            if (r.target == "/held")
                answer.holdFor = std::chrono::seconds(2);
            return answer;
        },
        options);
    server.start();
    auto held = std::async(std::launch::async,
                           [&server] { return bodyOf(exchangeOnce(server.port(), getRequest("held"))); });
    // The one loop serves others meanwhile.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(bodyOf(exchangeOnce(server.port(), getRequest("quick"))), "quick");
    EXPECT_EQ(held.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
    EXPECT_EQ(held.get(), "held");
}

TEST_F(CommunityTest, AnOlderDearerHashIsReplacedAtTheNextGoodLogin)
{
    // Olga's hash was made with other limits than the server's (the production ones, here).
    const std::string dear = PasswordHasher(PasswordHasher::Strength::Interactive).hash("olga");
    ASSERT_TRUE(store_->createMember({.pseudo = "olga",
                                      .passwordHash = dear,
                                      .sex = "F",
                                      .birthDate = "1990-06-15",
                                      .postalCode = "75011",
                                      .profile = {},
                                      .lastConnection = "2026-12-01"}));
    ASSERT_TRUE(hasher_.needsRehash(dear));

    // A wrong password changes nothing.
    EXPECT_EQ(body("/softlogin.php?login=olga&password=guess"), "YOURLOGINISWRONG");
    EXPECT_EQ(store_->member("olga")->passwordHash, dear);

    EXPECT_EQ(body("/softlogin.php?login=olga&password=olga"), "YOURLOGINISOK||");
    const std::string renewed = store_->member("olga")->passwordHash;
    EXPECT_NE(renewed, dear);
    EXPECT_FALSE(hasher_.needsRehash(renewed));
    EXPECT_TRUE(hasher_.verify(renewed, "olga"));
    EXPECT_FALSE(hasher_.verify(renewed, "guess"));

    // The same password still lets her in, and is not hashed again.
    EXPECT_EQ(body("/softlogin.php?login=olga&password=olga", "10.0.0.2"), "YOURLOGINISOK||");
    EXPECT_EQ(store_->member("olga")->passwordHash, renewed);
}
