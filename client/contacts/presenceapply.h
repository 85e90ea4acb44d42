#pragma once

#include "client/contacts/refreshreply.h"

#include <QString>

class QTreeWidget;

namespace jaserelle::client {

class SoundPlayer;

namespace contactface {
class Faces;
}

// The arrival and departure sounds of one list, below the executable's folder.
struct ListSounds
{
    QString arrival;
    QString departure;
};

// The favourites take theirs from "sons/"; the black list's lie beside the executable itself.
ListSounds favorisSounds();
ListSounds listeNoireSounds();

// What decides whether a change of presence is heard.
struct PresenceMood
{
    bool soundEnabled = false;
    bool firstRefresh = true; // the first refresh fills the lists silently
};

// A list never grows past this many rows, whatever a server sends: members beyond it are not shown.
inline constexpr int maxContactRows = 5000;

// The whole refresh: favourites, black list, then the members who black-listed the user.
// Each contact updates the last row with its pseudo as text, or gets a row appended. In each list
// the last contact seen to come or go is selected (the current row stays) and heard, unless its
// row is new. The members
// who black-listed the user are shown offline in both lists, silently, for as long as they keep
// the user on their list. Rows are only ever added or updated here, never removed; a row whose
// record reads as at the last refresh, in a list nothing else changed since, is not even read.
void applyRefreshReply(QTreeWidget &lvFavoris, QTreeWidget &lvListeNoire, const RefreshReply &reply,
                       PresenceMood mood, SoundPlayer &player, const contactface::Faces &faces);

} // namespace jaserelle::client
