#include "community/http/peerprobe.h"

#include "common/peerprobe.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace jaserelle::community {

namespace {

using Steady = std::chrono::steady_clock;

int remainingMs(Steady::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// The listener's answer: its first line is the token; nothing past the token's length is read.
bool answersToken(int fd, const std::string &token, Steady::time_point deadline)
{
    const std::string expected = token + "\r\n";
    std::string got;
    while (got.size() < expected.size()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, remainingMs(deadline)) != 1)
            return false;
        char buffer[64];
        const ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, expected.size() - got.size()), 0);
        if (n <= 0)
            return false;
        got.append(buffer, static_cast<std::size_t>(n));
        if (got.find('\n') != std::string::npos)
            break; // a line that is not the token
    }
    return got == expected;
}

} // namespace

bool SocketPeerProbe::reaches(const std::string &ipv4Address, unsigned short port, const std::string &token)
{
    const auto deadline = Steady::now() + timeout_;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    if (::inet_pton(AF_INET, ipv4Address.c_str(), &to.sin_addr) != 1)
        return false;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool reached = false;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0 || errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t len = sizeof error;
        if (::poll(&p, 1, remainingMs(deadline)) == 1 &&
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0) {
            // Said so the listener knows this for what it is; without a token, whether it reads
            // it does not matter.
            std::string said(reachabilityProbeLine);
            if (!token.empty())
                said += token + "\r\n";
            const bool sent = ::send(fd, said.data(), said.size(), MSG_NOSIGNAL) == ssize_t(said.size());
            reached = token.empty() || (sent && answersToken(fd, token, deadline));
        }
    }
    ::close(fd);
    return reached;
}

} // namespace jaserelle::community
