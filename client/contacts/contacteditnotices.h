#pragma once

#include "client/platform/notice.h"
#include "client/server/requestkind.h"

#include <QString>
#include <optional>

namespace jaserelle::client {

// What the user reads when a change of his lists cannot be made. The server's refusals are only
// shown for the add requests: they make no sense for anything else.
Notice notAlphanumericPseudoNotice();
Notice selfAddNotice(); // the user named himself: told before any request goes out
std::optional<Notice> memberUnknownNotice(RequestKind kind); // "LEMEMBRENEXISTEPAS"
std::optional<Notice> alreadyListedNotice(RequestKind kind); // "LEMEMBREESTDEJADANSLALISTE"

} // namespace jaserelle::client
