#pragma once

#include "client/directory/searchreply.h"

class QTreeWidget;

namespace jaserelle::client {

namespace contactface {
class Faces;
}

// Fills lvRecherche with the members found, replacing what it held. The rows read like contact
// rows: black only when the member is connected and reachable, the address hidden in the fifth
// column whenever the member is connected, a face by sex and colour flag.
void showSearchResults(QTreeWidget &lvRecherche, const QList<SearchRecord> &records,
                       const contactface::Faces &faces);

} // namespace jaserelle::client
