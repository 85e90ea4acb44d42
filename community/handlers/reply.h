#pragma once

#include "community/http/message.h"

#include <string_view>

namespace jaserelle::community {

// A plain-text answer for the client: the UTF-8 text goes out in Windows-1252.
Response textReply(std::string utf8, int status = 200);

// The answer to a request the security rules refuse: no keyword the client acts on.
Response denied();

// A request that names nothing the server knows, or with parameters it cannot use.
Response badRequest(std::string_view why);
Response notFound();

} // namespace jaserelle::community

#include "community/handlers/context.h"

#include <optional>
#include <string>

namespace jaserelle::community {

// The requests that carry no password (ajoutmembre, removemembre, sendmail, readmails,
// deletemail) act only for a live session, from the address that session logged in from; one
// that passes keeps the session alive, like a refresh.
bool actsForLiveSession(Context &ctx, const Request &request, const std::string &pseudo);

LocalDateTime today(Context &ctx);

// Password checks against the slow hash: refused at once for a while after repeated failures for
// the pseudo or from the address, and counted.
bool checksThrottled(Context &ctx, const std::string &pseudo, const Request &request);
void noteCheck(Context &ctx, const std::string &pseudo, const Request &request, bool passed);

// "favoris" or "listenoire", the liste parameter.
std::optional<ListKind> listKindOf(std::string_view liste);

} // namespace jaserelle::community
