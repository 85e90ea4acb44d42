#pragma once

#include "client/platform/notice.h"
#include "client/server/requestkind.h"

#include <QStringList>
#include <optional>

namespace jaserelle::client {

// What the user reads about his mails, each with its own title.
Notice selfMailNotice(); // "lui envoyer un mail" on the user's own row
Notice emptyMailNotice();
Notice tildeInMailNotice(); // "~" ends a field of the mail list: a mail cannot carry one
// Characters the mail cannot carry, named so the user can change them; nothing is sent.
Notice untravellableCharactersNotice(const QStringList &characters);
Notice mailSentNotice();
Notice mailDeletedNotice();
// A mail request the server answered without its keyword; nothing for any other request.
std::optional<Notice> mailFailureNotice(RequestKind kind);

} // namespace jaserelle::client
