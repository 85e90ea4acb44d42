#pragma once

#include "client/contacts/refreshreply.h"

#include <QString>

class QTreeWidget;
class QTreeWidgetItem;
class SoundPlayer;

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

// Merges one contact into a list: the last row with the pseudo as its text is updated, or a row is
// appended. A contact seen to come or go is selected and heard, unless its row is new.
QTreeWidgetItem *applyContactRecord(QTreeWidget &list, const ContactRecord &record, const ListSounds &sounds,
                                    PresenceMood mood, SoundPlayer &player);

// Every row of the list with this pseudo as its text is shown offline, silently: that member
// black-listed the user and cannot be reached.
void markUnreachable(QTreeWidget &list, const QString &pseudo);

// The whole refresh: favourites, black list, then the members who black-listed the user.
// Rows are only ever added or updated here, never removed.
void applyRefreshReply(QTreeWidget &lvFavoris, QTreeWidget &lvListeNoire, const RefreshReply &reply,
                       PresenceMood mood, SoundPlayer &player);
