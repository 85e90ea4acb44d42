#pragma once

#include "client/server/request.h"

#include <QString>

namespace jaserelle::client {

// What a path is built from: the request, and the session it goes out in.
struct RequestInputs : Request
{
    QString userLogin = {};
    QString userPassword = {};
    QString localAddress = {}; // of the server socket, dotted decimal
};

// The argument a request cannot go without: the member or the mail it is about.
enum class Needs
{
    Nothing,
    TargetPseudo,
    MailRow,
};

// How a failed request is announced: apart (the login and the logoff end the application), or in
// one of the two wordings of the failing-server notice.
enum class FailureFrame
{
    Apart,
    A,
    B,
};

// Everything the client knows about one request kind.
struct RequestRule
{
    RequestKind kind;
    QString (*path)(const RequestInputs &in);
    Needs needs;
    bool stopsRefresh;  // switched off when the user starts the request
    bool awaitsHandler; // the refresh stays off until a reply handler switches it back on
    FailureFrame failureFrame;
    const char16_t *failureLine; // what did not happen; null when announced apart
};

const RequestRule &requestRule(RequestKind kind);

// The path and query written after "GET /" for the request.
QString buildRequestPath(const RequestInputs &in);
// False when the request names nobody and nothing where its kind needs it: nothing to send.
bool hasNeededInput(const Request &request);

// Helpers the table uses, exposed for the windows that show the same conversions.
QString spacesAsPercent20(const QString &text);
QString mailDateForServer(const QString &when); // "dd/mm/yyyy..." -> "yyyy-mm-dd"
QString mailTimeForServer(const QString &when); // "...HHhMM" -> "HH:MM:00"

} // namespace jaserelle::client
