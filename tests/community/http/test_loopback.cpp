// The server over real loopback sockets: what arrives byte by byte, and what must not hurt it.
#include "common/urlcodec.h"
#include "community/http/server.h"
#include "tests/community/fixture.h"
#include "tests/community/rawclient.h"

#include <fstream>
#include <thread>

using namespace jaserelle;
using namespace jaserelle::community;
using namespace jaserelle::community::test;

namespace {

// Waits until the server has taken in `n` connections, however slow the machine.
void waitUntilHeld(const HttpServer &server, int n)
{
    for (int wait = 0; wait < 500 && server.activeConnections() != n; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(server.activeConnections(), n);
}

} // namespace

class LoopbackTest : public CommunityTest
{
protected:
    void SetUp() override
    {
        ServerOptions options = onAnyPort(3);
        options.readTimeout = std::chrono::milliseconds(500);
        options.drainLimit = 32 << 20;
        serve(options);
        addMember("alice");
        addMember("bruno");
    }

    std::string exchange(const std::string &bytes)
    {
        bool closed = false;
        const std::string reply = exchangeOnce(server_->port(), bytes, nullptr, &closed);
        EXPECT_TRUE(closed) << "the server keeps the connection open";
        return reply;
    }
};

TEST_F(LoopbackTest, TheClientsRequestIsAnsweredByteForByteAndTheConnectionClosed)
{
    const auto reply = [](const std::string &type, const std::string &body) {
        return "HTTP/1.1 200 OK\r\nServer: jaserelle-server\r\nContent-Type: " + type +
               "\r\nContent-Length: " + std::to_string(body.size()) +
               "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body;
    };
    EXPECT_EQ(exchange(getRequest("softlogin.php?login=alice&password=alice")),
              reply("text/plain; charset=windows-1252", "YOURLOGINISOK||"));
    // A photo goes out as it is, whatever bytes it holds.
    const std::string jpeg("\xFF\xD8\xFF\0\r\n\r\n", 8);
    std::ofstream(ctx_.photosDir / "bruno.jpg", std::ios::binary) << jpeg;
    EXPECT_EQ(exchange(getRequest("photos/bruno.jpg")), reply("image/jpeg", jpeg));
    // The login came from 127.0.0.1: the session acts from there.
    EXPECT_EQ(ask("ajoutmembre.php?login=alice&pseudo=bruno&liste=favoris"), "LISTESMISESAJOUR");
    // Raw Windows-1252 bytes in the query, as the client writes them.
    EXPECT_EQ(ask("searchmembers3.php?sexe=indiff\xE9rent&age=de%2018%20\xE0%2045&region=indiff\xE9rent"
                  "&taille=indiff\xE9rent&poids=indiff\xE9rent&iamuser=alice&withphotoonly=no"),
              "HERESTARTSEARCHRESULTbruno,F,36,75011,0.0.0.0,no,0|SEARCHISOK|");
}

TEST_F(LoopbackTest, UnknownMalformedAndOversizedRequestsGetAnErrorAndTheServerGoesOn)
{
    const std::pair<std::string, const char *> bad[] = {
        {"GARBAGE\r\n\r\n", "400"},
        {"GET\r\n\r\n", "400"},
        {"GET /a b c HTTP/1.1\r\n\r\n", "400"},
        {"GET / HTTP/9\r\n\r\n", "400"},
        {std::string("\0\0\0\r\n\r\n", 7), "400"},
        {"GET /\x01 HTTP/1.1\r\n\r\n", "400"},
        {getRequest("nothing.php"), "404"},
        {"DELETE /softlogin.php?login=alice&password=alice HTTP/1.1\r\nHost: x\r\n\r\n", "405"},
    };
    for (const auto &[request, status] : bad) {
        const std::string reply = exchange(request);
        EXPECT_EQ(reply.rfind("HTTP/1.1 " + std::string(status) + " ", 0), 0u) << reply;
        EXPECT_FALSE(holdsClientKeyword(reply)) << reply;
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
    // Within the limit, a 200 KiB mail travels in the query string.
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

TEST_F(LoopbackTest, ManyClientsAtOnce)
{
    ask("softlogin.php?login=alice&password=alice");
    const std::string refresh =
        getRequest("softrefresh2.php?login=alice&password=alice&ipAdress=192.168.1.10");
    std::vector<std::thread> threads;
    std::atomic<int> ok{0};
    for (int i = 0; i < 16; ++i)
        threads.emplace_back([&] {
            for (int k = 0; k < 10; ++k)
                if (bodyOf(exchangeOnce(server_->port(), refresh)).rfind("REFRESHISOK|", 0) == 0)
                    ++ok;
        });
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(ok, 160);
}

TEST(ConnectionCaps, NeitherOneAddressNorAllTakeMoreThanTheCapAndNoneIsHeldPastItsHeadTime)
{
    ServerOptions options = onAnyPort(2);
    options.maxConnections = 3;
    options.maxConnectionsPerAddress = 2;
    options.headTimeout = std::chrono::milliseconds(500);
    options.readTimeout = std::chrono::seconds(60);
    HttpServer server([](const Request &) { return Response{200, "text/plain", "ok", ""}; }, options);
    server.start();
    RawClient loris1(server.port(), "127.0.0.2"), loris2(server.port(), "127.0.0.2");
    loris1.send("G");
    loris2.send("G");
    waitUntilHeld(server, 2);
    EXPECT_EQ(exchangeOnce(server.port(), getRequest("x"), "127.0.0.2"), ""); // closed at once
    EXPECT_EQ(bodyOf(exchangeOnce(server.port(), getRequest("x"), "127.0.0.3")), "ok");
    waitUntilHeld(server, 2); // the served session ends a moment after its socket closes
    RawClient idle(server.port(), "127.0.0.3");
    idle.send("G");
    waitUntilHeld(server, 3);
    EXPECT_EQ(exchangeOnce(server.port(), getRequest("x"), "127.0.0.4"), "");
    // A byte every 100 ms keeps no connection past its head time: a send soon fails once it is closed.
    int sent = 0;
    for (; sent < 100 && loris1.send("E"); ++sent)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_LT(sent, 100);
    // The dropped sessions end a moment after their sockets close: try until one is served.
    std::string answer;
    for (int attempt = 0; attempt < 200 && answer != "ok"; ++attempt)
        answer = bodyOf(exchangeOnce(server.port(), getRequest("x"), "127.0.0.4"));
    EXPECT_EQ(answer, "ok");
}
