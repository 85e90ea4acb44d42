#include "client/contacts/contactitem.h"

#include "client/shell/contactrow.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace jaserelle::client {

namespace {

constexpr const char *connectedFirstProperty = "jaserelleConnectedFirst";

} // namespace

bool ContactItem::operator<(const QTreeWidgetItem &other) const
{
    const QTreeWidget *list = treeWidget();
    if (list && contactorder::connectedFirst(*list)) {
        const bool online = contactrow::isOnline(this);
        const bool otherOnline = contactrow::isOnline(&other);
        if (online != otherOnline) {
            // A descending sort reverses what this answers: the connected stay on top either way.
            const bool ascending = list->header()->sortIndicatorOrder() == Qt::AscendingOrder;
            return ascending ? online : !online;
        }
        const int column = list->sortColumn();
        if (column == contactrow::Pseudo)
            return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
    }
    return QTreeWidgetItem::operator<(other);
}

namespace contactorder {

void setConnectedFirst(QTreeWidget &list, bool on)
{
    list.setProperty(connectedFirstProperty, on);
    if (on) {
        list.header()->setSortIndicatorShown(true);
        list.header()->setSortIndicator(contactrow::Pseudo, Qt::AscendingOrder);
        if (!list.isSortingEnabled())
            list.setSortingEnabled(true);
        else
            list.sortItems(contactrow::Pseudo, Qt::AscendingOrder);
    } else if (list.isSortingEnabled()) {
        // Back to the column's own order, as a click on its header leaves it.
        list.sortItems(list.sortColumn(), list.header()->sortIndicatorOrder());
    }
}

bool connectedFirst(const QTreeWidget &list)
{
    return list.property(connectedFirstProperty).toBool();
}

} // namespace contactorder

} // namespace jaserelle::client
