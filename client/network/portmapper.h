#pragma once

#include <QString>
#include <chrono>

namespace jaserelle::client {

// What asking the home router for a port forward came to.
struct MappingOutcome
{
    enum class Status
    {
        Pending,  // nothing asked yet, or the first answer not in
        Mapped,   // the router forwards the port to this computer
        Refused,  // a router answered, and said no
        NoRouter, // nothing answered: no router, or one that speaks neither protocol
    };
    Status status = Status::Pending;
    QString method;                // "UPnP" or "NAT-PMP" for the router that answered
    QString externalAddress;       // the router's public address as it reports it; may be empty
    QString internalAddress;       // this computer's address on the router's side
    int errorCode = 0;             // the router's refusal code (UPnP 718: held by another computer)
    std::chrono::seconds lease{0}; // what the router granted; 0 for a mapping without end

    bool operator==(const MappingOutcome &) const = default;
};

// One way of asking a home router to forward a TCP port to this computer (UPnP-IGD, NAT-PMP).
// Both calls block for up to a few seconds on the network: they run on the mapping's worker
// thread, never on the windows' thread.
class PortMapper
{
public:
    virtual ~PortMapper() = default;
    // Forwards external `port` to the same port here for `lease` (renewing is mapping again).
    virtual MappingOutcome map(quint16 port, std::chrono::seconds lease) = 0;
    // Removes what map() made; nothing when it made nothing.
    virtual void unmap(quint16 port) = 0;
};

} // namespace jaserelle::client
