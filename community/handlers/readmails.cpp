#include "common/protocol.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

namespace jaserelle::community {

// readmails.php?login=L: "HERESTARTMAILLIST" and the mails of the box, oldest first, five
// "~"-ended fields each. The client reads as many as its counter shows, so the mails
// that arrived since its last refresh are the ones it leaves for the next time. A box larger than
// one listing gives its oldest mails (the client shows what came whole): deleted, they make room
// for the next ones, so any box can be read and emptied.
Response readmails(Context &ctx, const Request &request, const Target &target)
{
    const std::string login = normalisePseudo(target.value("login"));
    if (!actsForLiveSession(ctx, request, login))
        return denied();
    std::string out(protocol::mailListStart);
    for (const Mail &m : ctx.store.mailsUpTo(login, ctx.mailLimits.listBytes)) {
        out += m.sender;
        out += protocol::mailFieldEnd;
        out += m.date;
        out += protocol::mailFieldEnd;
        out += m.time;
        out += protocol::mailFieldEnd;
        out += m.subject.empty() ? std::string(protocol::noText) : m.subject;
        out += protocol::mailFieldEnd;
        out += m.text;
        out += protocol::mailFieldEnd;
    }
    return textReply(std::move(out));
}

} // namespace jaserelle::community
