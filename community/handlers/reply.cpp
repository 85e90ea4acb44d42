#include "community/handlers/reply.h"

#include "common/cp1252.h"

#include <algorithm>
#include <string>

namespace jaserelle::community {

Response textReply(std::string utf8, int status)
{
    Response r;
    r.status = status;
    // Most answers are plain ASCII (keywords, pseudos, numbers): nothing to convert.
    const bool ascii = std::find_if(utf8.begin(), utf8.end(), [](char c) {
                           return static_cast<unsigned char>(c) >= 0x80;
                       }) == utf8.end();
    r.body = ascii ? std::move(utf8) : cp1252::fromUtf8(utf8);
    return r;
}

Response keywordReply(std::string_view keyword, int status)
{
    return textReply(std::string(keyword), status);
}

Response denied()
{
    return textReply("Accès refusé : ouvrez d'abord une session avec Jaserelle.\r\n", 403);
}

Response badRequest(std::string_view why)
{
    return textReply(std::string("Requête incorrecte : ") + std::string(why) + "\r\n", 400);
}

Response notFound()
{
    return textReply("Cette page n'existe pas.\r\n", 404);
}

} // namespace jaserelle::community

#include "community/core/text.h"

namespace jaserelle::community {

bool actsForLiveSession(Context &ctx, const Request &request, const std::string &pseudo)
{
    return !pseudo.empty() &&
           ctx.sessions.liveFrom(pseudo, plainAddress(request.peerAddress), request.clientKey);
}

std::string observedAddress(const Request &request)
{
    std::string address = plainAddress(request.peerAddress);
    if (!isDottedIpv4(address))
        address.clear();
    return address;
}

std::variant<ListEdit, Response> readListEdit(Context &ctx, const Request &request, const Target &target)
{
    std::string login = normalisePseudo(target.value("login"));
    if (!actsForLiveSession(ctx, request, login))
        return denied();
    const std::string liste = target.value("liste");
    if (liste != "favoris" && liste != "listenoire")
        return badRequest("liste inconnue");
    return ListEdit{std::move(login), normalisePseudo(target.value("pseudo")),
                    liste == "favoris" ? ListKind::Favoris : ListKind::ListeNoire};
}

bool checksThrottled(Context &ctx, const std::string &pseudo, const Request &request)
{
    if (!ctx.failures)
        return false;
    return ctx.failures->blocked(FailureThrottle::addressKey(request.peerAddress)) ||
           (!pseudo.empty() && ctx.failures->blocked(FailureThrottle::pseudoKey(pseudo)));
}

void noteCheck(Context &ctx, const std::string &pseudo, const Request &request, bool passed)
{
    if (passed && ctx.recentLogins)
        ctx.recentLogins->succeeded(pseudo, request.peerAddress);
    if (!ctx.failures)
        return;
    if (passed) {
        // Only the pseudo is forgiven: a guesser with an account of his own must not clear his
        // address by logging in between guesses.
        ctx.failures->succeeded(FailureThrottle::pseudoKey(pseudo));
        return;
    }
    ctx.failures->failed(FailureThrottle::addressKey(request.peerAddress));
    if (!pseudo.empty())
        ctx.failures->failed(FailureThrottle::pseudoKey(pseudo));
}

LocalDateTime today(Context &ctx)
{
    return localDateTime(ctx.clock());
}

} // namespace jaserelle::community
