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
        timeval tv{10, 0}; // a hung server fails the test instead of hanging it
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        sockaddr_in local{.sin_family = AF_INET}, server{.sin_family = AF_INET, .sin_port = htons(port)};
        if (source && ::inet_pton(AF_INET, source, &local.sin_addr) == 1)
            ::bind(fd_, reinterpret_cast<sockaddr *>(&local), sizeof local);
        server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd_, reinterpret_cast<sockaddr *>(&server), sizeof server); // when it fails, so does send()
    }
    ~RawClient() { ::close(fd_); }

    // False when the server reset the connection before taking every byte, or was never reached.
    bool send(const std::string &bytes)
    {
        for (std::size_t sent = 0; sent < bytes.size();) {
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
        ssize_t n;
        while ((n = ::recv(fd_, buf, sizeof buf, 0)) > 0)
            out.append(buf, static_cast<std::size_t>(n));
        if (closed)
            *closed = n == 0 || errno == ECONNRESET;
        return out;
    }

private:
    int fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
};

// Exactly what the client writes for a path and query.
inline std::string getRequest(const std::string &pathAndQuery)
{
    return "GET /" + pathAndQuery +
           " HTTP/1.1\r\nHost: localhost:8080\r\nConnection: close\r\nAccept: */*\r\n\r\n";
}

// One request on a connection of its own: the whole answer ("" when nothing answers), `closed` as readAll().
inline std::string exchangeOnce(unsigned short port, const std::string &request, const char *source = nullptr,
                                bool *closed = nullptr)
{
    RawClient c(port, source);
    return c.send(request) ? c.readAll(closed) : "";
}

inline std::string bodyOf(const std::string &reply)
{
    const std::size_t end = reply.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : reply.substr(end + 4);
}

} // namespace jaserelle::community::test
