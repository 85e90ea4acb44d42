#pragma once

#include "client/server/requestkind.h"

#include <QString>

namespace jaserelle::client {

// What the search-by-criteria request reads from the search tab's combo boxes.
struct SearchCriteria
{
    QString sexe;
    QString age;
    QString region;
    QString taille;
    QString poids;
    bool avecPhoto = false;
};

// What the mail composing window holds when its mail is sent.
struct OutgoingMail
{
    QString recipient; // fixed when the window was opened
    QString subject;
    QString message;
};

// The mail row selected in the mail box, as shown: sender, "dd/mm/yyyy ... HHhMM", subject, text.
struct MailRowRef
{
    QString sender;
    QString when;
    QString subject;
    QString message;
};

// Every value a request path may read, gathered when the connection is established.
struct RequestInputs
{
    QString userLogin;
    QString userPassword;
    QString localAddress;   // of the server socket, dotted decimal
    QString targetPseudo;   // add dialogs and move commands
    QString selectedPseudo; // the row acted on; for Photo, the member whose profile just arrived
    QString searchPseudo;
    SearchCriteria criteria;
    OutgoingMail mail;
    MailRowRef mailRow;
};

// The input a request cannot go without: the row it is about.
enum class Needs
{
    Nothing,
    SelectedPseudo,
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

// The path and query written after "GET /" for a request kind.
QString buildRequestPath(RequestKind kind, const RequestInputs &in);
// False when the row the request is about has gone: nothing sensible to send.
bool hasNeededInput(RequestKind kind, const RequestInputs &in);

// Helpers the table uses, exposed for the windows that show the same conversions.
QString spacesAsPercent20(const QString &text);
QString mailDateForServer(const QString &when); // "dd/mm/yyyy..." -> "yyyy-mm-dd"
QString mailTimeForServer(const QString &when); // "...HHhMM" -> "HH:MM:00"

} // namespace jaserelle::client
