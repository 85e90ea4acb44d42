#pragma once

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace jaserelle::community::test {

// A raw TCP client: connect, write bytes, read until the server closes.
class RawClient
{
public:
    // `source`: the local address to connect from (each test has a loopback of its own).
    explicit RawClient(unsigned short port, const char *source = nullptr)
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        timeval tv{10, 0}; // a hung server fails the test instead of hanging it
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        if (source) {
            sockaddr_in local{};
            local.sin_family = AF_INET;
            ::inet_pton(AF_INET, source, &local.sin_addr);
            ::bind(fd_, reinterpret_cast<sockaddr *>(&local), sizeof local);
        }
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd_, reinterpret_cast<sockaddr *>(&addr), sizeof addr); // when it fails, so does send()
    }
    ~RawClient() { ::close(fd_); }

    // False when the server reset the connection before taking every byte, or was never reached.
    bool send(const std::string &bytes)
    {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }
    // Everything until the server closes; `closed` says whether it did (rather than time out).
    std::string readAll(bool *closed = nullptr)
    {
        std::string out;
        char buf[65536];
        while (true) {
            const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n > 0) {
                out.append(buf, static_cast<std::size_t>(n));
                continue;
            }
            if (closed)
                *closed = n == 0 || errno == ECONNRESET;
            return out;
        }
    }

private:
    int fd_ = -1;
};

// Exactly what the client writes for a path and query.
inline std::string getRequest(const std::string &pathAndQuery)
{
    return "GET /" + pathAndQuery +
           " HTTP/1.1\r\nHost: localhost:8080\r\nConnection: close\r\nAccept: */*\r\n\r\n";
}

// One request on a connection of its own; the whole answer, or "" when nothing answers; `closed`
// as readAll() says.
inline std::string exchangeOnce(unsigned short port, const std::string &request, const char *source = nullptr,
                                bool *closed = nullptr)
{
    RawClient c(port, source);
    return c.send(request) ? c.readAll(closed) : "";
}

// The body of a whole answer.
inline std::string bodyOf(const std::string &reply)
{
    const std::size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

} // namespace jaserelle::community::test
