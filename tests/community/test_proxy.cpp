// Behind a load balancer: whose address the handlers see.
#include "community/http/server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

using namespace jaserelle::community;

namespace {

// One request from 127.0.0.1; the whole answer.
std::string exchange(unsigned short port, const std::string &request)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval tv{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buf[4096];
        for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;)
            answer.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return answer;
}

struct ProxyCase
{
    const char *trusted;
    const char *header; // the X-Real-IP line, or ""
    const char *seen;
};

class Proxy : public testing::TestWithParam<ProxyCase>
{
};

TEST_P(Proxy, PeerAddressComesFromTheHeaderOnlyForATrustedProxy)
{
    const ProxyCase &c = GetParam();
    ServerOptions options;
    options.port = 0;
    options.threads = 1;
    options.trustedProxies = {c.trusted};
    HttpServer server(
        [](const Request &r) {
            return Response{200, "text/plain", "[" + r.peerAddress + "]", ""};
        },
        options);
    server.start();
    const std::string answer =
        exchange(server.port(), std::string("GET / HTTP/1.1\r\nHost: x\r\n") + c.header + "\r\n");
    EXPECT_NE(answer.find(std::string("[") + c.seen + "]"), std::string::npos) << answer;
}

INSTANTIATE_TEST_SUITE_P(Cases, Proxy,
                         testing::Values(ProxyCase{"127.0.0.1", "X-Real-IP: 203.0.113.7\r\n", "203.0.113.7"},
                                         ProxyCase{"127.0.0.9", "X-Real-IP: 203.0.113.7\r\n", "127.0.0.1"},
                                         ProxyCase{"127.0.0.1", "", "127.0.0.1"},
                                         ProxyCase{"127.0.0.1", "X-Real-IP: 203.0.113.7, 10.0.0.1\r\n",
                                                   "127.0.0.1"}));

} // namespace
