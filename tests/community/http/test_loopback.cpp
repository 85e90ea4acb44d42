// The server over real loopback sockets: what arrives byte by byte, and what must not hurt it.
#include "common/urlcodec.h"
#include "tests/community/fixture.h"
#include "tests/community/rawclient.h"

#include <fstream>
#include <thread>

using namespace jaserelle;
using namespace jaserelle::community;
using namespace jaserelle::community::test;

TEST_F(CommunityTest, TheClientsRequestIsAnsweredByteForByteAndBadOnesGetAnErrorAndTheServerGoesOn)
{
    serve({.port = 0, .threads = 3, .readTimeout = std::chrono::milliseconds(500), .drainLimit = 32 << 20});
    addMember("alice");
    addMember("bruno");
    const auto exchange = [this](const std::string &bytes) {
        bool closed = false;
        const std::string reply = exchangeOnce(server_->port(), bytes, nullptr, &closed);
        EXPECT_TRUE(closed) << "the server keeps the connection open";
        return reply;
    };
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
    // Raw Windows-1252 bytes in the query, as the client writes them, reach the handlers.
    EXPECT_EQ(ask("getprofil.php?pseudo=H\xE9l\xE8ne"), "LEMEMBRENEXISTEPAS");
    // Unknown, malformed and oversized requests.
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
        const std::string answer = exchange(request);
        EXPECT_EQ(answer.rfind("HTTP/1.1 " + std::string(status) + " ", 0), 0u) << answer;
        EXPECT_FALSE(holdsClientKeyword(answer)) << answer;
    }
    // Far more than the socket buffers hold (and than drainLimit by default): the client sends it all, as the
    // real one does before it reads, and the answer arrives rather than a reset.
    RawClient huge(server_->port());
    EXPECT_TRUE(huge.send(getRequest("softlogin.php?login=alice&password=" + std::string(24 << 20, 'a'))));
    EXPECT_EQ(huge.readAll().rfind("HTTP/1.1 431 ", 0), 0u);
    RawClient{server_->port()}; // a client that connects and leaves at once
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

TEST(ConnectionCaps, NeitherOneAddressNorAllTakeMoreThanTheCapAndNoneIsHeldPastItsHeadTime)
{
    ServerOptions caps{.port = 0, .threads = 2, .maxConnections = 3, .maxConnectionsPerAddress = 2};
    caps.headTimeout = std::chrono::milliseconds(500);
    caps.readTimeout = std::chrono::seconds(60);
    HttpServer server([](const Request &) { return Response{.body = "ok"}; }, caps);
    server.start();
    // Waits until the server has taken in `n` connections, however slow the machine.
    const auto held = [&server](int n) {
        for (int wait = 0; wait < 500 && server.activeConnections() != n; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return server.activeConnections();
    };
    const auto ask = [&server](const char *source) {
        return exchangeOnce(server.port(), getRequest("x"), source);
    };
    RawClient loris1(server.port(), "127.0.0.2"), loris2(server.port(), "127.0.0.2");
    loris1.send("G");
    loris2.send("G");
    EXPECT_EQ(held(2), 2);
    EXPECT_EQ(ask("127.0.0.2"), ""); // closed at once
    EXPECT_EQ(bodyOf(ask("127.0.0.3")), "ok");
    EXPECT_EQ(held(2), 2); // the served session ends a moment after its socket closes
    RawClient idle(server.port(), "127.0.0.3");
    idle.send("G");
    EXPECT_EQ(held(3), 3);
    EXPECT_EQ(ask("127.0.0.4"), "");
    // A byte every 100 ms keeps no connection past its head time: a send soon fails once it is closed.
    int sent = 0;
    for (; sent < 100 && loris1.send("E"); ++sent)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_LT(sent, 100);
    // The dropped sessions end a moment after their sockets close: try until one is served.
    std::string answer;
    for (int attempt = 0; attempt < 200 && answer != "ok"; ++attempt)
        answer = bodyOf(ask("127.0.0.4"));
    EXPECT_EQ(answer, "ok");
}
