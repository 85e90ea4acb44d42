#pragma once

#include <QTreeWidgetItem>

namespace jaserelle::client {

// A row of the favourites or the black list. Sorted, it follows the list's order of the moment;
// with the "connected first" choice on, connected members come before the others whichever way
// the column is sorted.
class ContactItem : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem &other) const override;
};

namespace contactorder {

// Whether `list` shows its connected members first; rows are then sorted by pseudo within each
// group, and so is any row a refresh adds.
void setConnectedFirst(QTreeWidget &list, bool on);
bool connectedFirst(const QTreeWidget &list);

} // namespace contactorder

} // namespace jaserelle::client
