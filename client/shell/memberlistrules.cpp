#include "client/shell/memberlistrules.h"

#include "client/shell/rowselection.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>

namespace jaserelle::client {

MemberListRules::MemberListRules(QTreeWidget *list, QMenu *contextMenu, const ColumnWidths &widths,
                                 RowSelection &selection, QObject *parent)
    : QObject(parent), list_(list), menu_(contextMenu), widths_(widths), selection_(selection)
{
    // Unsorted until the first header click; the headers stay clickable all the same.
    list_->setSortingEnabled(false);
    QHeaderView *header = list_->header();
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    header->setSectionsMovable(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    restoreColumnWidths();

    connect(header, &QHeaderView::sectionClicked, this, &MemberListRules::sortBy);
    list_->viewport()->installEventFilter(this);
    list_->installEventFilter(this);
    selection_.watch(list_);
}

void MemberListRules::restoreColumnWidths()
{
    QHeaderView *header = list_->header();
    // Room for a header's text and its margins.
    const int padding = 2 * list_->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) + 2;
    ColumnWidths widths = widths_;
    int others = 0;
    for (int column = 1; column < int(widths.size()); ++column) {
        if (widths[column] > 0) {
            const QString title = list_->headerItem()->text(column);
            widths[column] =
                std::max(widths[column], header->fontMetrics().horizontalAdvance(title) + padding);
        }
        others += widths[column];
    }
    // The pseudo takes what the other columns leave beside the vertical scroll bar, so that the
    // last column never lies under it, whatever the font.
    const int room =
        list_->width() - 2 * list_->frameWidth() - list_->verticalScrollBar()->sizeHint().width();
    widths[0] = std::max(room - others,
                         header->fontMetrics().horizontalAdvance(list_->headerItem()->text(0)) + padding);
    for (int column = 0; column < int(widths.size()); ++column)
        header->resizeSection(column, widths[column]);
}

void MemberListRules::openMenuAt(QTreeWidgetItem *row, QPoint inViewport)
{
    list_->setCurrentItem(row);
    selection_.setSelectedItem(row);
    menu_->popup(list_->viewport()->mapToGlobal(inViewport));
}

// The menu key and Shift+F10 open the menu of the current row, just below the row's text.
bool MemberListRules::keyboardMenu(const QKeyEvent &key)
{
    const bool menuKey =
        key.key() == Qt::Key_Menu || (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier);
    if (!menuKey)
        return false;
    if (QTreeWidgetItem *row = list_->currentItem()) {
        list_->scrollToItem(row);
        const QRect shown = list_->visualItemRect(row);
        openMenuAt(row, QPoint(shown.left() + shown.height(), shown.bottom()));
    }
    return true;
}

bool MemberListRules::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == list_) {
        if (event->type() == QEvent::Resize)
            restoreColumnWidths();
        return event->type() == QEvent::KeyPress && keyboardMenu(*static_cast<QKeyEvent *>(event));
    }
    if (watched != list_->viewport())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        restoreColumnWidths();
        const bool right = mouse->button() == Qt::RightButton;
        selection_.setRightButtonDown(right);
        rightPressOnRow_ = right && list_->itemAt(mouse->position().toPoint()) != nullptr;
        break;
    }
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::RightButton || !rightPressOnRow_)
            break;
        rightPressOnRow_ = false;
        const QPoint at = mouse->position().toPoint();
        QTreeWidgetItem *row = list_->itemAt(at);
        if (row)
            openMenuAt(row, at);
        break;
    }
    default:
        break;
    }
    return false;
}

void MemberListRules::sortBy(int column)
{
    order_ = order_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    QHeaderView *header = list_->header();
    header->setSortIndicatorShown(true);
    header->setSortIndicator(column, order_);
    // Once sorted, the list keeps its order for rows added later.
    if (!list_->isSortingEnabled())
        list_->setSortingEnabled(true);
    else
        list_->sortItems(column, order_);
}

} // namespace jaserelle::client
