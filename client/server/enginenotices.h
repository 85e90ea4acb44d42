#pragma once

#include "client/platform/notice.h"
#include "client/server/requestkind.h"

#include <QString>
#include <optional>

namespace jaserelle::client {

// What a socket error means for the request in flight.
struct SocketErrorOutcome
{
    std::optional<Notice> notice;
    bool endsApplication = false;
    bool onlyWhileServerWasUp = false; // the periodic refresh announces an outage once
    bool hidesMailBox = false;
};

// The notices of the request engine: titles and texts as the user reads them.
Notice startFailureNotice(const QString &serverHost);
Notice backOnlineNotice(const QString &serverHost);
Notice timeoutNotice(RequestKind kind);
SocketErrorOutcome socketErrorOutcome(RequestKind kind, const QString &serverHost);
// Over TLS: the server's certificate is not one the client trusts (unknown authority, wrong name,
// expired); nothing was sent.
Notice certificateRefusedNotice(const QString &serverHost);
// Over TLS: the secure connection could not be set up (no TLS on that port, no common version).
Notice tlsFailedNotice(const QString &serverHost);
// The server answered, but with nothing the client knows (an error page, an empty answer).
Notice unansweredNotice(RequestKind kind, const QString &serverHost);

} // namespace jaserelle::client
