#include "common/protocol.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

namespace jaserelle::community {

// removemembre.php?login=L&pseudo=P&liste=favoris|listenoire. Removing a member who is not in the
// list succeeds too: afterwards the member is not there, which is what the client asked.
Response removemembre(Context &ctx, const Request &request, const Target &target)
{
    auto read = readListEdit(ctx, request, target);
    if (auto *refusal = std::get_if<Response>(&read))
        return std::move(*refusal);
    const auto &[login, pseudo, list] = std::get<ListEdit>(read);
    if (!pseudo.empty())
        ctx.store.removeContact(login, pseudo, list);
    return keywordReply(protocol::contactRemoved);
}

} // namespace jaserelle::community
