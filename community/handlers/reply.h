#pragma once

#include "community/http/message.h"

#include <string_view>

namespace jaserelle::community {

// A plain-text answer for the client: the UTF-8 text goes out in Windows-1252.
Response textReply(std::string utf8, int status = 200);

// A protocol keyword (common/protocol.h) alone, as the body of a plain-text answer.
Response keywordReply(std::string_view keyword, int status = 200);

// The answer to a request the security rules refuse: no keyword the client acts on.
Response denied();

// A request that names nothing the server knows, or with parameters it cannot use.
Response badRequest(std::string_view why);
Response notFound();

} // namespace jaserelle::community

#include "community/handlers/context.h"
#include "community/http/query.h"

#include <optional>
#include <string>
#include <variant>

namespace jaserelle::community {

// The requests that carry no password (ajoutmembre, removemembre, sendmail, readmails,
// deletemail) act only for a live session, from the address that session logged in from; one
// that passes keeps the session alive, like a refresh.
bool actsForLiveSession(Context &ctx, const Request &request, const std::string &pseudo);

// Where a request comes from as an IPv4 address a client could call (the proxy's X-Real-IP when
// it comes through a trusted one); empty when it comes over IPv6.
std::string observedAddress(const Request &request);

LocalDateTime today(Context &ctx);

// Password checks against the slow hash: refused at once for a while after repeated failures for
// the pseudo or from the address, and counted.
bool checksThrottled(Context &ctx, const std::string &pseudo, const Request &request);
void noteCheck(Context &ctx, const std::string &pseudo, const Request &request, bool passed);

// A change to a contact list (ajoutmembre, removemembre: login=L&pseudo=P&liste=favoris|listenoire),
// or the answer refusing it: no live session for the login, or an unknown list.
struct ListEdit
{
    std::string login;
    std::string pseudo; // as typed in the add dialog, kept in lower case like every pseudo
    ListKind list;
};
std::variant<ListEdit, Response> readListEdit(Context &ctx, const Request &request, const Target &target);

} // namespace jaserelle::community
