#include "community/core/text.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

namespace jaserelle::community {

// removemembre.php?login=L&pseudo=P&liste=favoris|listenoire. Removing a member who is not in the
// list succeeds too: afterwards the member is not there, which is what the client asked.
Response removemembre(Context &ctx, const Request &request, const Target &target)
{
    const std::string login = normalisePseudo(target.value("login"));
    if (!actsForLiveSession(ctx, request, login))
        return denied();
    const auto list = listKindOf(target.value("liste"));
    if (!list)
        return badRequest("liste inconnue");
    const std::string pseudo = normalisePseudo(target.value("pseudo"));
    if (!pseudo.empty())
        ctx.store.removeContact(login, pseudo, *list);
    return textReply("REMOVEISSUCCESSFUL");
}

} // namespace jaserelle::community
