#pragma once

#include <QObject>

class QTreeWidget;
class QTreeWidgetItem;

namespace jaserelle::client {

// `selectedItem` and `rightButtonDown`, shared by the three member lists of the main window.
// The row is the one the user last right-clicked; every context-menu command acts on it. A row
// is not a QObject, so the selection listens to its list and forgets the row as soon as it leaves
// it (deleted, taken out, or the list cleared): nobody ever holds a dangling row.
class RowSelection : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    QTreeWidgetItem *selectedItem() const { return item_; }
    // The text of the selected row, or "" when there is none.
    QString selectedPseudo() const;
    void setSelectedItem(QTreeWidgetItem *row) { item_ = row; }

    // 1 when the last button pressed on a member list was the right one, otherwise 0.
    int rightButtonDown() const { return rightButtonDown_; }
    void setRightButtonDown(bool right) { rightButtonDown_ = right ? 1 : 0; }

    // Rows of this list may be selected; forget them when they leave it.
    void watch(QTreeWidget *list);

private:
    void forgetRowsOf(const QTreeWidget *list, int first, int last);

    QTreeWidgetItem *item_ = nullptr;
    int rightButtonDown_ = 0;
};

} // namespace jaserelle::client
