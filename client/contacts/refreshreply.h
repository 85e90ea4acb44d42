#pragma once

#include "client/server/protocolwords.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace jaserelle::client {

// One contact as the refresh reply describes it: pseudo, address, sex, age, department and the
// colour flag of its face, in the order the server writes them. The fields are views into the
// text of the RefreshReply that holds the record (a long list would otherwise cost six small
// strings per contact at every refresh), so they live as long as that reply.
struct ContactRecord
{
    QStringView pseudo;
    QStringView address; // "0.0.0.0" while the member is not connected
    QStringView sexe;
    QStringView age;
    QStringView departement;
    QStringView colourFlag;

    // Any address but the server's "nobody" one counts as connected.
    bool online() const { return address != latin1(protocol::offlineAddress); }
    bool man() const { return sexe == u"H"; }
    bool colourFace() const { return colourFlag == u"1"; }
    // Departments are shown on two characters.
    QStringView shownDepartement() const { return departement.left(2); }
    // The whole record as the server wrote it, without its "|".
    QStringView text() const { return QStringView(pseudo.begin(), colourFlag.end()); }

    bool operator==(const ContactRecord &) const = default;
};

// Where a reply stopped being what the server is expected to send. Everything read before that
// point is kept; nothing after it is used.
enum class RefreshParseError
{
    None,
    MissingFavorisMarker,    // neither "HERESTARTFAVORIS|" nor "NOFAVORISDEFINED|"
    MissingListeNoireMarker, // neither "HERESTARTLISTENOIRE|" nor "NOLISTENOIREDEFINED|"
    ShortRecord,             // a record ended ("|") before its sixth field
    UnterminatedSection,     // a list with no "|" left to close it
    MissingBlackListedByMarker,
    UnterminatedBlackListedBy, // the black-listed-by pseudos are not followed by the mail count
};

struct RefreshReply
{
    QString text; // the reply the records point into; never modified, so they stay valid
    QList<ContactRecord> favoris;
    QList<ContactRecord> listeNoire;
    QStringList blackListedBy; // members who put the user on their black list
    QString rest;              // what the handlers after this one see: the mail count onwards
    RefreshParseError error = RefreshParseError::None;
};

// Reads the four sections of a contact refresh reply. Never reads past the end of the text and
// stops at the first thing out of place. The reply's text is shared, not copied.
RefreshReply parseRefreshReply(const QString &reply);

} // namespace jaserelle::client
