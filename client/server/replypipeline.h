#pragma once

#include "client/server/protocolwords.h"

#include <QString>
#include <array>
#include <functional>
#include <type_traits>

namespace jaserelle::client {

// The reply handlers, in the one order they always run, whatever request is in flight.
enum class ReplySlot
{
    LoginOk,
    LoginWrong,
    Refresh,
    ListesMisesAJour,
    MembreNExistePas,
    MembreDejaDansLaListe,
    RemoveSuccessful,
    Profil,
    Photo,
    LogoffSuccess,
    NoSearchResult,
    SearchOk,
    MaxResultReached,
    MailSended,
    MailList,
    MailDeleted,
};

struct ReplySlotInfo
{
    ReplySlot slot;
    const char16_t *keyword; // the handler runs when the reply, as it stands then, contains this
    const char16_t *alsoKeyword = nullptr; // ... or this
};

// A keyword as the table holds it: a null-terminated UTF-16 text.
template <const std::string_view &Word, char... Tail>
inline constexpr const char16_t *word = utf16z<Word, Tail...>;

inline constexpr std::array<ReplySlotInfo, 16> replyHandlerOrder = {{
    {ReplySlot::LoginOk, word<protocol::loginOk>},
    {ReplySlot::LoginWrong, word<protocol::loginWrong>},
    // The mail count rides on other replies too, and is read by the refresh handler.
    {ReplySlot::Refresh, word<protocol::refreshOk>, word<protocol::mailCount, protocol::fieldSeparator>},
    {ReplySlot::ListesMisesAJour, word<protocol::listsUpdated>},
    {ReplySlot::MembreNExistePas, word<protocol::memberUnknown>},
    {ReplySlot::MembreDejaDansLaListe, word<protocol::memberAlreadyListed>},
    {ReplySlot::RemoveSuccessful, word<protocol::contactRemoved>},
    {ReplySlot::Profil, word<protocol::profileStart>},
    {ReplySlot::Photo, word<protocol::photoHeader>},
    {ReplySlot::LogoffSuccess, word<protocol::logoffDone>},
    {ReplySlot::NoSearchResult, word<protocol::noSearchResult>},
    {ReplySlot::SearchOk, word<protocol::searchOk>},
    {ReplySlot::MaxResultReached, word<protocol::maxResultReached>},
    {ReplySlot::MailSended, word<protocol::mailSent>},
    {ReplySlot::MailList, word<protocol::mailListStart>},
    {ReplySlot::MailDeleted, word<protocol::mailDeleted>},
}};

// What a handler tells the pipeline once it has run.
enum class HandlerResult
{
    Continue,
    StopPipeline
};

// A handler may rewrite the reply; the handlers after it see the rewritten text.
using ReplyHandler = std::function<HandlerResult(QString &reply)>;

// The usual handler: `target`'s method is told of the reply (given it when it takes it), and the
// pipeline goes on.
template <typename Target, typename Method> ReplyHandler continueWith(Target *target, Method method)
{
    return [target, method](QString &reply) {
        if constexpr (std::is_invocable_v<Method, Target *, QString &>)
            (target->*method)(reply);
        else
            (target->*method)();
        return HandlerResult::Continue;
    };
}

// Runs the registered handlers over a reply in the fixed order. Each subsystem registers the
// handlers of the keywords it owns; an empty slot is skipped.
class ReplyPipeline
{
public:
    void setHandler(ReplySlot slot, ReplyHandler handler);

    void run(QString &reply) const;

private:
    std::array<ReplyHandler, replyHandlerOrder.size()> handlers_;
};

} // namespace jaserelle::client
