#pragma once

#include <QObject>
#include <QPoint>
#include <array>

class QKeyEvent;
class QMenu;
class QTreeWidgetItem;
class QTreeWidget;

namespace jaserelle::client {

class RowSelection;

// The mouse rules shared by the three member lists (favourites, black list, search results):
// - every press in the list snaps the column widths back, so the hidden address column never
//   stays open and user-resized columns return to their design widths;
// - a right click on a row makes it the selected row and opens the list's context menu at the
//   mouse; a right click on empty space, or any left click, leaves the selected row alone;
// - the menu key or Shift+F10 does the same for the current row, the menu opening at the row;
// - a click on a column header sorts the list by that column's text, the direction flipping at
//   every click whichever column it is; rows added later take their place in that order.
class MemberListRules : public QObject
{
    Q_OBJECT

public:
    // Widths in pixels of the five columns: pseudo, age, department, sex, address. Age,
    // department and sex never come out narrower than their header; the pseudo takes the rest of
    // the list's width.
    using ColumnWidths = std::array<int, 5>;

    MemberListRules(QTreeWidget *list, QMenu *contextMenu, const ColumnWidths &widths,
                    RowSelection &selection, QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void restoreColumnWidths();
    void sortBy(int column);
    void openMenuAt(QTreeWidgetItem *row, QPoint inViewport);
    bool keyboardMenu(const QKeyEvent &key);

    QTreeWidget *list_;
    QMenu *menu_;
    ColumnWidths widths_;
    RowSelection &selection_;
    // The lists start unsorted, rows in arrival order, which counts as ascending: the first
    // header click sorts descending.
    Qt::SortOrder order_ = Qt::AscendingOrder;
    bool rightPressOnRow_ = false;
};

} // namespace jaserelle::client
