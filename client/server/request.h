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

// A request to the community server as the user asked for it: its kind and whatever the kind
// names, taken when the user acted. Nothing is read back from the windows later, so whatever the
// user does meanwhile, the request and the handling of its answer are about the same thing. The
// session it goes out in (login, password, local address) is the engine's to add. Every field
// has its default, so that a starter names only what its kind reads.
struct Request
{
    RequestKind kind = RequestKind::Refresh;
    // The member added, moved or removed, or whose profile or photo is asked for.
    QString targetPseudo = {};
    QString searchPseudo = {}; // as checked when "Go !" was pressed
    SearchCriteria criteria = {};
    OutgoingMail mail = {};
    MailRowRef mailRow = {}; // the mail to delete
};

} // namespace jaserelle::client
