#include "client/shell/memberlistrules.h"

#include "client/shell/rowselection.h"

#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeWidget>

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
    selection_.watch(list_);
}

void MemberListRules::restoreColumnWidths()
{
    for (int column = 0; column < int(widths_.size()); ++column)
        list_->header()->resizeSection(column, widths_[column]);
}

bool MemberListRules::eventFilter(QObject *watched, QEvent *event)
{
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
        if (!row)
            break;
        list_->setCurrentItem(row);
        selection_.setSelectedItem(row);
        menu_->popup(list_->viewport()->mapToGlobal(at));
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
