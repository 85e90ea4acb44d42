#include "community/handlers/reply.h"

#include "common/cp1252.h"

#include <string>

namespace jaserelle::community {

Response textReply(std::string_view utf8, int status)
{
    Response r;
    r.status = status;
    r.body = cp1252::fromUtf8(utf8);
    return r;
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
    return !pseudo.empty() && ctx.sessions.liveFrom(pseudo, plainAddress(request.peerAddress));
}

std::optional<ListKind> listKindOf(std::string_view liste)
{
    if (liste == "favoris")
        return ListKind::Favoris;
    if (liste == "listenoire")
        return ListKind::ListeNoire;
    return std::nullopt;
}

LocalDateTime today(Context &ctx)
{
    return localDateTime(ctx.clock());
}

} // namespace jaserelle::community
