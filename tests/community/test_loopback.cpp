// The server over real loopback sockets: what arrives byte by byte, and what must not hurt it.
#include "common/urlcodec.h"
#include "community/http/server.h"
#include "tests/community/fixture.h"
#include "tests/community/rawclient.h"

#include <future>
#include <thread>

using namespace jaserelle;
using namespace jaserelle::community;
using namespace jaserelle::community::test;

namespace {

std::string getRequest(const std::string &pathAndQuery)
{
    // Exactly what the client writes.
    return "GET /" + pathAndQuery +
           " HTTP/1.1\r\nHost: localhost:8080\r\nConnection: close\r\nAccept: */*\r\n\r\n";
}

// Waits until the server has taken in `n` connections, however slow the machine.
void waitUntilHeld(const HttpServer &server, int n)
{
    for (int wait = 0; wait < 500 && server.activeConnections() < n; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(server.activeConnections(), n);
}

Response answer(const char *text, int status = 200)
{
    return Response{status, "text/plain", text, ""};
}

std::string bodyOf(const std::string &reply)
{
    const std::size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

} // namespace

class LoopbackTest : public CommunityTest
{
protected:
    void SetUp() override
    {
        ServerOptions options;
        options.address = "127.0.0.1";
        options.port = 0;
        options.threads = 3;
        options.readTimeout = std::chrono::milliseconds(500);
        options.headerLimit = 512 * 1024;
        options.drainLimit = 32 << 20;
        server_ = std::make_unique<HttpServer>([this](const Request &r) { return handle(ctx_, r); }, options,
                                               isSlowRequest);
        server_->start();
        addMember("alice");
        addMember("bruno");
    }
    void TearDown() override { server_.reset(); }

    std::string exchange(const std::string &bytes)
    {
        RawClient c(server_->port());
        EXPECT_TRUE(c.connected());
        c.send(bytes);
        bool closed = false;
        const std::string reply = c.readAll(&closed);
        EXPECT_TRUE(closed) << "the server keeps the connection open";
        return reply;
    }
    // The body of the answer to the client's own request for a path and query.
    std::string ask(const std::string &pathAndQuery) { return bodyOf(exchange(getRequest(pathAndQuery))); }

    std::unique_ptr<HttpServer> server_;
};

TEST_F(LoopbackTest, TheClientsRequestIsAnsweredAndTheConnectionClosed)
{
    // The answer's layout is the serialiser's (test_text); here it arrives and the connection closes.
    EXPECT_EQ(ask("softlogin.php?login=alice&password=alice"), "YOURLOGINISOK||");
    // The login came from 127.0.0.1: the session acts from there.
    EXPECT_EQ(ask("ajoutmembre.php?login=alice&pseudo=bruno&liste=favoris"), "LISTESMISESAJOUR");
    // Raw Windows-1252 bytes in the query, as the client writes them.
    EXPECT_EQ(ask("searchmembers3.php?sexe=indiff\xE9rent&age=de%2018%20\xE0%2045&region=indiff\xE9rent"
                  "&taille=indiff\xE9rent&poids=indiff\xE9rent&iamuser=alice&withphotoonly=no"),
              "HERESTARTSEARCHRESULTbruno,F,36,75011,0.0.0.0,no,0|SEARCHISOK|");
}

TEST_F(LoopbackTest, A200KiBMailTravelsInTheQueryString)
{
    ask("softlogin.php?login=alice&password=alice");
    ask("softlogin.php?login=bruno&password=bruno");
    std::string text;
    while (text.size() < 200 * 1024)
        text += "Une longue lettre \xE9"
                "crite avec soin.\r\n";
    EXPECT_EQ(ask("sendmail.php?sender=alice&login=bruno&subject=NULL&message=" + urlEncode(text)),
              "MAILSENDEDOK");
    EXPECT_EQ(ask("readmails.php?login=bruno"),
              "HERESTARTMAILLISTalice~2026-12-06~12:00:00~NULL~" + text + "~");
}

TEST_F(LoopbackTest, MalformedAndOversizedRequestsGetAnErrorAndTheServerGoesOn)
{
    for (const std::string &bad :
         {std::string("GARBAGE\r\n\r\n"), std::string("GET\r\n\r\n"),
          std::string("GET /a b c HTTP/1.1\r\n\r\n"), std::string("GET / HTTP/9\r\n\r\n"),
          std::string("\0\0\0\r\n\r\n", 7), std::string("GET /\x01 HTTP/1.1\r\n\r\n")}) {
        const std::string reply = exchange(bad);
        EXPECT_EQ(reply.rfind("HTTP/1.1 400 ", 0), 0u) << reply;
        EXPECT_FALSE(holdsClientKeyword(reply));
    }
    // Far more than the socket buffers hold (and than drainLimit by default): the client sends it all, as the
    // real one does before it reads, and the answer arrives rather than a reset.
    RawClient huge(server_->port());
    EXPECT_TRUE(huge.send(getRequest("softlogin.php?login=alice&password=" + std::string(24 << 20, 'a'))));
    EXPECT_EQ(huge.readAll().rfind("HTTP/1.1 431 ", 0), 0u);
    // A client that connects and leaves at once.
    {
        RawClient gone(server_->port());
    }
    EXPECT_EQ(ask("softlogin.php?login=alice&password=alice"), "YOURLOGINISOK||");
}

TEST_F(LoopbackTest, ManyClientsAtOnce)
{
    ask("softlogin.php?login=alice&password=alice");
    std::vector<std::thread> threads;
    std::atomic<int> ok{0};
    for (int i = 0; i < 16; ++i)
        threads.emplace_back([&] {
            for (int k = 0; k < 10; ++k) {
                RawClient c(server_->port());
                c.send(getRequest("softrefresh2.php?login=alice&password=alice&ipAdress=192.168.1.10"));
                if (bodyOf(c.readAll()).rfind("REFRESHISOK|", 0) == 0)
                    ++ok;
            }
        });
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(ok, 160);
}

TEST(Listen, AddressesAndPorts)
{
    std::string address;
    unsigned short port = 0;
    EXPECT_TRUE(parseListen("127.0.0.1:8080", address, port) && address == "127.0.0.1" && port == 8080);
    EXPECT_TRUE(parseListen("[::1]:80", address, port) && address == "::1" && port == 80);
    for (const char *bad :
         {"", "8080", ":8080", "127.0.0.1:", "127.0.0.1:65536", "localhost:80", "[::1]80", "1.2.3.4:8x"})
        EXPECT_FALSE(parseListen(bad, address, port)) << bad;
}

TEST(ConnectionCap, ConnectionsBeyondTheCapAreClosedAndServiceResumes)
{
    ServerOptions options;
    options.port = 0;
    options.threads = 2;
    options.maxConnections = 2;
    options.readTimeout = std::chrono::milliseconds(1000);
    HttpServer server([](const Request &) { return answer("ok"); }, options);
    server.start();
    {
        RawClient idle1(server.port());
        RawClient idle2(server.port());
        idle1.send("GET /");
        idle2.send("GET /");
        waitUntilHeld(server, 2);
        RawClient third(server.port());
        third.send(getRequest("x"));
        bool closed = false;
        EXPECT_EQ(third.readAll(&closed), "");
        EXPECT_TRUE(closed);
        idle1.readAll(); // dropped by the read timeout
        idle2.readAll();
    }
    // The dropped sessions end a moment after their sockets close: try until one is served.
    std::string answer;
    for (int attempt = 0; attempt < 200 && answer != "ok"; ++attempt) {
        RawClient later(server.port());
        later.send(getRequest("x"));
        answer = bodyOf(later.readAll());
    }
    EXPECT_EQ(answer, "ok");
}

TEST(SlowHashThreads, BoundedAndApartFromTheConnections)
{
    ServerOptions options;
    options.port = 0;
    options.threads = 2;
    options.slowThreads = 1;
    options.slowQueueLimit = 2;
    std::atomic<int> slowTaken{0};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    ServerHandlers handlers{[&](const Request &r) -> std::optional<Response> {
                                if (r.target != "/slow")
                                    return answer("fast");
                                ++slowTaken;
                                return std::nullopt;
                            },
                            [&](const Request &) {
                                released.wait();
                                return answer("slow");
                            },
                            [](const Request &) { return answer("busy", 503); }};
    HttpServer server(std::move(handlers), options);
    server.start();
    RawClient first(server.port()), second(server.port());
    first.send(getRequest("slow"));
    second.send(getRequest("slow"));
    for (int wait = 0; wait < 500 && slowTaken < 2; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    // One on the slow thread, one waiting: the queue is full, the connections still serve.
    RawClient third(server.port()), other(server.port());
    third.send(getRequest("slow"));
    other.send(getRequest("other"));
    EXPECT_EQ(bodyOf(third.readAll()), "busy");
    EXPECT_EQ(bodyOf(other.readAll()), "fast");
    release.set_value();
    EXPECT_EQ(bodyOf(first.readAll()), "slow");
    EXPECT_EQ(bodyOf(second.readAll()), "slow");
}

TEST(PerAddress, OneAddressCannotTakeEveryConnectionNorHoldOneBeyondItsHeadTime)
{
    ServerOptions options;
    options.port = 0;
    options.threads = 2;
    options.maxConnectionsPerAddress = 2;
    options.headTimeout = std::chrono::milliseconds(500);
    options.readTimeout = std::chrono::seconds(60);
    HttpServer server([](const Request &) { return answer("ok"); }, options);
    server.start();
    RawClient loris1(server.port(), "127.0.0.2"), loris2(server.port(), "127.0.0.2");
    loris1.send("G");
    loris2.send("G");
    waitUntilHeld(server, 2);
    RawClient third(server.port(), "127.0.0.2");
    third.send(getRequest("x"));
    EXPECT_EQ(third.readAll(), "");
    RawClient other(server.port(), "127.0.0.1");
    other.send(getRequest("x"));
    EXPECT_EQ(bodyOf(other.readAll()), "ok");
    // A byte every 100 ms keeps no connection past its head time (the read gives up after 10 s).
    std::atomic<bool> done{false};
    std::thread trickle([&] {
        for (int i = 0; i < 100 && !done; ++i) {
            loris1.send("E");
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    bool closed = false;
    loris1.readAll(&closed);
    done = true;
    trickle.join();
    EXPECT_TRUE(closed);
}
