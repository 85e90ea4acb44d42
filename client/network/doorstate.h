#pragma once

#include "client/network/portmapper.h"

#include <QByteArrayView>
#include <QString>

namespace jaserelle::client {

// What the community server found when it knocked on this computer's peer port.
enum class ProbeAnswer
{
    Unknown, // it could not say (asked too often, no answer yet)
    Reachable,
    Unreachable,
    NotOffered, // a server without the probe (404): nothing to ask it again
};

// The whole HTTP answer to jaserelle/reachable.
ProbeAnswer parseProbeReply(QByteArrayView reply);

// The first bytes of a connection to the peer port, read as the server's probe: not the probe (a
// call, or anything else), the probe still to be read whole, or the probe with the token it
// brings. A server that gives no token closes after the probe line: that probe stays incomplete
// until the connection is dropped.
struct ProbeKnock
{
    enum class Kind
    {
        NotProbe,
        Incomplete,
        Probe,
    };
    Kind kind = Kind::NotProbe;
    QByteArray token;
};
ProbeKnock readProbeKnock(QByteArrayView head);

// Whether other members can call this computer: the probe's word when it has one, otherwise a
// forward the router made with a public address (a forward behind a second NAT proves nothing).
enum class Callable
{
    Unknown,
    Yes,
    No,
};
Callable judgeCallable(const MappingOutcome &mapping, ProbeAnswer probe);

// True for an IPv4 address of the public internet (none of the private, shared, loopback,
// link-local, documentation or multicast ranges).
bool isPublicIpv4(const QString &address);

// What the user can look up about it: two lines, the router and the verdict.
QString doorSummary(const MappingOutcome &mapping, Callable callable);

} // namespace jaserelle::client
