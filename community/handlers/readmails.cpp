#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

namespace jaserelle::community {

// readmails.php?login=L: "HERESTARTMAILLIST" and every mail of the box, oldest first, five
// "~"-ended fields each. The client reads as many as its counter shows, so the mails
// that arrived since its last refresh are the ones it leaves for the next time.
Response readmails(Context &ctx, const Request &request, const Target &target)
{
    const std::string login = normalisePseudo(target.value("login"));
    if (!actsForLiveSession(ctx, request, login))
        return denied();
    std::string out = "HERESTARTMAILLIST";
    for (const Mail &m : ctx.store.mails(login)) {
        out += m.sender;
        out += '~';
        out += m.date;
        out += '~';
        out += m.time;
        out += '~';
        out += m.subject.empty() ? std::string("NULL") : m.subject;
        out += '~';
        out += m.text;
        out += '~';
    }
    return textReply(out);
}

} // namespace jaserelle::community
