#include "client/directory/searchresults.h"

#include "client/contacts/contactface.h"
#include "client/shell/contactrow.h"

#include <QPalette>
#include <QTreeWidget>

namespace jaserelle::client {

void showSearchResults(QTreeWidget &lvRecherche, const QList<SearchRecord> &records,
                       const contactface::Faces &faces)
{
    lvRecherche.clear();
    QList<QTreeWidgetItem *> rows;
    const qsizetype count = std::min(records.size(), maxSearchRecords);
    rows.reserve(count);
    const QPalette &palette = lvRecherche.palette();
    for (qsizetype i = 0; i < count; ++i) {
        const SearchRecord &record = records[i];
        auto *row = new QTreeWidgetItem;
        row->setText(contactrow::Pseudo, record.pseudo);
        row->setText(contactrow::Age, record.age);
        row->setText(contactrow::Departement, record.shownDepartement());
        row->setText(contactrow::Sexe, record.sexe);
        // A member who black-listed the user stays grey, and so cannot be called, but his address
        // is kept as the server gave it.
        contactrow::setOnline(row, record.reachable(), palette);
        if (record.online()) {
            row->setText(contactrow::Adresse, record.address);
            contactrow::hideAddress(row, palette);
        }
        contactface::setFace(row, record.man(), record.colourFace(), faces);
        rows.append(row);
    }
    lvRecherche.addTopLevelItems(rows);
}

} // namespace jaserelle::client
