#pragma once

#include "community/core/probelimits.h"

#include <chrono>

namespace jaserelle::community {

// The probe over a real TCP connection: connect within `timeout`, write the probe line (and the
// token's), with a token read the listener's line back within what is left of `timeout`, close.
// A port that accepts (and, with a token, answers it) is reachable; a refusal, a silence (a
// router dropping the packets), another answer or any error is not.
class SocketPeerProbe final : public PeerProbe
{
public:
    explicit SocketPeerProbe(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000))
        : timeout_(timeout)
    {
    }
    bool reaches(const std::string &ipv4Address, unsigned short port, const std::string &token) override;

private:
    std::chrono::milliseconds timeout_;
};

} // namespace jaserelle::community
