#include "common/protocol.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

namespace jaserelle::community {

// deletemail.php?login=L&sender=S&date=D&time=T&subject=J&message=M. Deletes exactly one mail of
// the box with that sender, date, time to the minute (the client sends the seconds as "00"),
// subject ("NULL" for none) and text. When none matches the mail is already gone, which is what
// the client asked, so the answer is the same.
Response deletemail(Context &ctx, const Request &request, const Target &target)
{
    const std::string login = normalisePseudo(target.value("login"));
    if (!actsForLiveSession(ctx, request, login))
        return denied();
    Mail mail;
    mail.recipient = login;
    mail.sender = normalisePseudo(target.value("sender"));
    mail.date = target.value("date");
    mail.time = target.value("time").substr(0, 5);
    const std::string subject = target.value("subject");
    mail.subject = subject == protocol::noText ? std::string() : subject;
    mail.text = target.value("message");
    if (!mail.sender.empty())
        ctx.store.deleteMail(mail);
    return keywordReply(protocol::mailDeleted);
}

} // namespace jaserelle::community
