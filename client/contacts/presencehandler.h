#pragma once

#include <QString>

class QLabel;
class QTreeWidget;

namespace jaserelle::client {

class SoundPlayer;
struct ClientState;

namespace contactface {
class Faces;
}

// The controls a contact refresh and a mail count land in.
struct PresenceTargets
{
    QTreeWidget *lvFavoris = nullptr;
    QTreeWidget *lvListeNoire = nullptr;
    QLabel *lblMailsNumber = nullptr;
    QLabel *pctbMail = nullptr;
};

// The reply handler of the contact refresh: a reply holding "REFRESHISOK" is merged into the two
// lists and cut down to what follows its sections; then any reply holding "MYMAILSNUMBER," sets
// the mail indicator, whatever request it answers.
void handlePresenceReply(QString &reply, const PresenceTargets &targets, const ClientState &state,
                         SoundPlayer &player, const contactface::Faces &faces);

} // namespace jaserelle::client
