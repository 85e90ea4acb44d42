#include "client/conversation/membersightings.h"

#include "client/shell/contactrow.h"

namespace jaserelle::client {

namespace {
void collect(const QTreeWidget *list, const QString &pseudo, bool blackListed,
             std::vector<MemberSighting> &into)
{
    if (!list)
        return;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = list->topLevelItem(i);
        if (row->text(contactrow::Pseudo) != pseudo)
            continue;
        into.push_back({pseudo, row->text(contactrow::Adresse), contactrow::isOnline(row), blackListed});
    }
}
} // namespace

SightingsLookup listSightings(QTreeWidget *favoris, QTreeWidget *listeNoire, QTreeWidget *recherche)
{
    return [favoris = QPointer(favoris), listeNoire = QPointer(listeNoire),
            recherche = QPointer(recherche)](const QString &pseudo) {
        std::vector<MemberSighting> seen;
        collect(favoris, pseudo, false, seen);
        collect(listeNoire, pseudo, true, seen);
        collect(recherche, pseudo, false, seen);
        return seen;
    };
}

} // namespace jaserelle::client
