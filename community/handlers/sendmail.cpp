#include "common/protocol.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

namespace jaserelle::community {

// What a mail may hold once stored: no "~" (the mail list's separator) and no keyword
// that would act when the list is read. Stored so, a mail comes back to deletemail.php exactly
// as it was listed.
std::string mailSafe(std::string_view text, bool singleLine)
{
    std::string out = defuseKeywords(text);
    for (char &c : out) {
        if (c == protocol::mailFieldEnd)
            c = '-';
        else if (singleLine && (c == '\r' || c == '\n'))
            c = ' ';
    }
    return out;
}

// sendmail.php?sender=S&login=R&subject=T&message=M. The subject "NULL" means none. A mail to a
// member who has black-listed the sender is answered as sent and dropped.
Response sendmail(Context &ctx, const Request &request, const Target &target)
{
    const std::string sender = normalisePseudo(target.value("sender"));
    if (!actsForLiveSession(ctx, request, sender))
        return denied();
    const std::string recipient = normalisePseudo(target.value("login"));
    if (recipient.empty() || !ctx.store.member(recipient))
        return keywordReply(protocol::memberUnknown);

    // Refusals carry no keyword: the client tells its user that the mail could not be sent.
    const std::string senderKey = FailureThrottle::pseudoKey(sender);
    if (ctx.mailsSent && ctx.mailsSent->blocked(senderKey))
        return textReply("Trop de mails envoyés en peu de temps : réessayez dans un moment.\r\n", 429);
    if (ctx.mailsSent)
        ctx.mailsSent->failed(senderKey);

    if (!ctx.store.hasBlackListed(recipient, sender)) {
        const LocalDateTime now = today(ctx);
        Mail mail;
        mail.sender = sender;
        mail.recipient = recipient;
        mail.date = now.date();
        mail.time = now.time();
        const std::string subject = target.value("subject");
        mail.subject = subject == protocol::noText ? std::string() : mailSafe(subject, true);
        mail.text = mailSafe(target.value("message"), false);
        const MailBoxSize box = ctx.store.mailBoxSize(recipient);
        if (box.count >= ctx.mailLimits.boxMails ||
            box.bytes + static_cast<std::int64_t>(mail.subject.size() + mail.text.size()) >
                ctx.mailLimits.boxBytes)
            return textReply("La boîte aux lettres de ce membre est pleine.\r\n", 507);
        ctx.store.addMail(mail);
    }
    return keywordReply(protocol::mailSent);
}

} // namespace jaserelle::community
