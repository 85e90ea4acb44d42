#include "common/protocol.h"
#include "community/handlers/handlers.h"
#include "community/handlers/reply.h"

namespace jaserelle::community {

// ajoutmembre.php?login=L&pseudo=P&liste=favoris|listenoire. Adding to one list takes the member
// out of the other one: the client's "move" is this single request.
Response ajoutmembre(Context &ctx, const Request &request, const Target &target)
{
    auto read = readListEdit(ctx, request, target);
    if (auto *refusal = std::get_if<Response>(&read))
        return std::move(*refusal);
    const auto &[login, pseudo, list] = std::get<ListEdit>(read);
    if (pseudo.empty())
        return keywordReply(protocol::memberUnknown);
    // One's own pseudo: nothing to add; the answer lets the client go on refreshing.
    if (pseudo == login)
        return keywordReply(protocol::memberAlreadyListed);

    switch (ctx.store.addContact(login, pseudo, list)) {
    case AddContactResult::Added:
    case AddContactResult::Moved:
        return keywordReply(protocol::listsUpdated);
    case AddContactResult::AlreadyInList:
        return keywordReply(protocol::memberAlreadyListed);
    case AddContactResult::NoSuchMember:
        break;
    }
    return keywordReply(protocol::memberUnknown);
}

} // namespace jaserelle::community
