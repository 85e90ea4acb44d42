#pragma once

#include "client/conversation/callerverdict.h"

#include <QPointer>
#include <QTreeWidget>
#include <functional>
#include <vector>

namespace jaserelle::client {

// Where the caller check looks for what the server reported: the rows of the member lists.
using SightingsLookup = std::function<std::vector<MemberSighting>(const QString &pseudo)>;

// The rows named `pseudo` in the favourites, the black list and the search results, as the last
// refresh or search left them. A list that is gone is skipped.
SightingsLookup listSightings(QTreeWidget *favoris, QTreeWidget *listeNoire, QTreeWidget *recherche);

} // namespace jaserelle::client
