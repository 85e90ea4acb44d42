#include "common/peerprobe.h"
#include "common/protocol.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

namespace jaserelle::community {

// jaserelle/reachable?login=L&password=P: the server's own resource (no legacy client asks it).
// Whether the member's peer port answers from where its requests come from: the server opens one
// connection there, on that port only, and says PEERPORTREACHABLE or PEERPORTUNREACHABLE;
// PEERPORTUNKNOWN when it may not probe now (asked too often) or cannot (an IPv6 member). Only a
// logged-in member may ask, and only about its own address.
Response reachable(Context &ctx, const Request &request, const Target &target)
{
    if (!ctx.peerProbe || !ctx.probeLimits)
        return notFound();
    const std::string login = normalisePseudo(target.value("login"));
    if (login.empty() || !ctx.sessions.checkPassword(login, lowerAscii(target.value("password"))))
        return denied();
    const std::string address = observedAddress(request);
    if (address.empty())
        return keywordReply(protocol::peerPortUnknown);
    const auto decision = ctx.probeLimits->decide(login, address);
    bool reached = decision.reached;
    switch (decision.verdict) {
    case ProbeLimits::Verdict::Later:
        return keywordReply(protocol::peerPortUnknown);
    case ProbeLimits::Verdict::Known:
        break;
    case ProbeLimits::Verdict::Probe:
        reached = false;
        try {
            reached = ctx.peerProbe->reaches(address, probedPeerPort);
        } catch (...) {
            ctx.probeLimits->record(address, false);
            throw;
        }
        ctx.probeLimits->record(address, reached);
        break;
    }
    return keywordReply(reached ? protocol::peerPortReachable : protocol::peerPortUnreachable);
}

} // namespace jaserelle::community
