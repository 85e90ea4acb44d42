#include "common/peerprobe.h"
#include "common/protocol.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

namespace jaserelle::community {

// jaserelle/reachable?login=L&password=P[&token=T]: the server's own resource (no legacy client
// asks it). Whether the member's peer port reaches that member's client from where its requests
// come from: the server opens one connection there, on that port only, and says
// PEERPORTREACHABLE or PEERPORTUNREACHABLE; PEERPORTUNKNOWN when it may not probe now (asked too
// often) or cannot (an IPv6 member). With a token (what the asker's listener must send back), the
// answer says the asker itself was reached. Only a logged-in member may ask, and only about its
// own address.
Response reachable(Context &ctx, const Request &request, const Target &target)
{
    if (!ctx.peerProbe || !ctx.probeLimits)
        return notFound();
    const std::string login = normalisePseudo(target.value("login"));
    if (login.empty() || !ctx.sessions.checkPassword(login, lowerAscii(target.value("password"))))
        return denied();
    const std::string token = target.value("token");
    if (!token.empty() && !isProbeToken(token))
        return badRequest("token");
    const std::string address = observedAddress(request);
    if (address.empty() || !ctx.probeLimits->allow(login, address))
        return keywordReply(protocol::peerPortUnknown);
    bool reached = false;
    try {
        reached = ctx.peerProbe->reaches(address, probedPeerPort, token);
    } catch (...) {
        ctx.probeLimits->finished();
        throw;
    }
    ctx.probeLimits->finished();
    return keywordReply(reached ? protocol::peerPortReachable : protocol::peerPortUnreachable);
}

} // namespace jaserelle::community
