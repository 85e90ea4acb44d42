#include "common/protocol.h"
#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

namespace jaserelle::community {
namespace {

// The message between "YOURLOGINISOK|" and the next "|": no "|" inside, and no
// keyword unless the server put it there on purpose.
std::string messageText(std::string_view text)
{
    std::string out = defuseKeywords(text);
    for (char &c : out)
        if (c == protocol::recordEnd)
            c = '/';
    return out;
}

std::string loginOpening()
{
    return std::string(protocol::loginOk) + protocol::recordEnd;
}

} // namespace

std::optional<Response> softloginQuick(Context &ctx, const Request &request, const Target &target)
{
    if (checksThrottled(ctx, normalisePseudo(target.value("login")), request))
        return keywordReply(protocol::loginWrong);
    return std::nullopt;
}

// softlogin.php?login=L&password=P. The password is checked against the slow hash; a good one
// opens the session. The client lower-cases both texts, so passwords are compared lower-cased.
Response softlogin(Context &ctx, const Request &request, const Target &target)
{
    const std::string login = normalisePseudo(target.value("login"));
    const std::string password = lowerAscii(target.value("password"));
    const Response wrong = keywordReply(protocol::loginWrong);
    if (checksThrottled(ctx, login, request))
        return wrong;

    const bool readable = !login.empty() && !password.empty() && password.size() <= 64;
    const auto member = readable ? ctx.store.member(login) : std::nullopt;
    // An unknown pseudo takes the same time as a wrong password, mostly without the hash.
    std::chrono::microseconds hold{0};
    const bool good = member ? ctx.hasher.verify(member->passwordHash, password)
                             : (hold = ctx.hasher.dummyCheck(password), false);
    noteCheck(ctx, login, request, good);
    if (!good) {
        Response refusal = wrong;
        refusal.holdFor = hold;
        return refusal;
    }

    if (!member->permitted) {
        // No session: the client shows the message and ends when it has been read.
        std::string why = ctx.store.setting(withdrawnMessageKey);
        if (why.empty())
            why = "Votre accès à Jaserelle a été suspendu par l'équipe de la communauté.";
        return textReply(loginOpening() + std::string(protocol::notPermitted) + messageText(why) +
                         protocol::recordEnd);
    }

    ctx.sessions.open(login, password, plainAddress(request.peerAddress), request.clientKey);
    // A new session starts with no relayed address: the last one's may be gone with its client.
    withdrawRelayed(ctx, login);
    ctx.store.setLastConnection(login, today(ctx).date());
    // A hash made with older, dearer limits costs every login of his that much: once is enough.
    if (ctx.hasher.needsRehash(member->passwordHash))
        ctx.store.setPasswordHash(login, ctx.hasher.hash(password));
    return textReply(loginOpening() + messageText(ctx.store.setting(loginMessageKey)) + protocol::recordEnd);
}

} // namespace jaserelle::community
