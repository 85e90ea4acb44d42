#pragma once

#include "community/core/probelimits.h"

#include <chrono>

namespace jaserelle::community {

// The probe over a real TCP connection: connect within `timeout`, write the probe line, close.
// A port that accepts is reachable; a refusal, a silence (a router dropping the packets) or any
// error is not.
class SocketPeerProbe final : public PeerProbe
{
public:
    explicit SocketPeerProbe(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000))
        : timeout_(timeout)
    {
    }
    bool reaches(const std::string &ipv4Address, unsigned short port) override;

private:
    std::chrono::milliseconds timeout_;
};

} // namespace jaserelle::community
