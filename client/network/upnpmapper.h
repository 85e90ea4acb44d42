#pragma once

#include "client/network/portmapper.h"

#include <QByteArray>

namespace jaserelle::client {

// UPnP-IGD through libminiupnpc: finds the router by SSDP on the local network, asks for its
// public address, then for the forward. A forward of the same port already held by this computer
// (a mapping left by a crash) is taken over; one held by another computer of the home is left
// alone (error 718).
class UpnpMapper final : public PortMapper
{
public:
    explicit UpnpMapper(std::chrono::milliseconds discoveryWait = std::chrono::milliseconds(2000))
        : wait_(discoveryWait)
    {
    }

    MappingOutcome map(quint16 port, std::chrono::seconds lease) override;
    void unmap(quint16 port) override;

private:
    std::chrono::milliseconds wait_;
    // Where the forward made last lives, to remove it without searching again.
    QByteArray controlUrl_;
    QByteArray serviceType_;
};

} // namespace jaserelle::client
