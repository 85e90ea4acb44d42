#pragma once

#include "client/network/portmapper.h"

namespace jaserelle::client {

// NAT-PMP through libnatpmp, to the default gateway: for the routers that do not speak UPnP
// (many Apple and some ISP boxes). A router that offers another public port than ours is no use
// (callers always dial 13196): that forward is given back at once and counts as a refusal.
class NatPmpMapper final : public PortMapper
{
public:
    // How long one question may wait for its answer; libnatpmp alone would retry for minutes.
    explicit NatPmpMapper(std::chrono::milliseconds answerWait = std::chrono::milliseconds(3000))
        : wait_(answerWait)
    {
    }

    MappingOutcome map(quint16 port, std::chrono::seconds lease) override;
    void unmap(quint16 port) override;

private:
    std::chrono::milliseconds wait_;
    bool mapped_ = false;
};

} // namespace jaserelle::client
