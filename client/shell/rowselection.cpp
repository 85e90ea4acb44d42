#include "client/shell/rowselection.h"

#include <QAbstractItemModel>
#include <QTreeWidget>

namespace jaserelle::client {

QString RowSelection::selectedPseudo() const
{
    return item_ ? item_->text(0) : QString();
}

void RowSelection::watch(QTreeWidget *list)
{
    QAbstractItemModel *model = list->model();
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this, list](const QModelIndex &parent, int first, int last) {
                if (!parent.isValid())
                    forgetRowsOf(list, first, last);
            });
    // A cleared list, or one being destroyed: every row goes. Only pointers are compared here,
    // since the list may be half torn down already.
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this, list] {
        if (item_ && item_->treeWidget() == list)
            setSelectedItem(nullptr);
    });
}

void RowSelection::forgetRowsOf(const QTreeWidget *list, int first, int last)
{
    if (!item_ || item_->treeWidget() != list)
        return;
    const int index = list->indexOfTopLevelItem(item_);
    if (index >= first && index <= last)
        setSelectedItem(nullptr);
}

} // namespace jaserelle::client
