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

bool SocketPeerProbe::reaches(const std::string &ipv4Address, unsigned short port)
{
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
        if (::poll(&p, 1, static_cast<int>(timeout_.count())) == 1 &&
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0) {
            reached = true;
            // Said so the listener knows this for what it is; whether it reads it does not matter.
            (void)::send(fd, reachabilityProbeLine.data(), reachabilityProbeLine.size(), MSG_NOSIGNAL);
        }
    }
    ::close(fd);
    return reached;
}

} // namespace jaserelle::community
