#include "common/protocol.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

namespace jaserelle::community {

// softlogoff.php?login=L&password=P. The client ends on this answer, so it always gets it; the
// session ends only when the password is the session's own.
Response softlogoff(Context &ctx, const Request &, const Target &target)
{
    const std::string login = normalisePseudo(target.value("login"));
    if (!login.empty() && ctx.sessions.checkPassword(login, lowerAscii(target.value("password")))) {
        ctx.sessions.close(login);
        withdrawRelayed(ctx, login);
    }
    return keywordReply(protocol::logoffDone);
}

} // namespace jaserelle::community
