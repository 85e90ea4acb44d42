#include "client/contacts/refreshmemory.h"

#include <QAbstractItemModel>
#include <QTreeWidget>

namespace jaserelle::client {

RefreshMemory &RefreshMemory::of(QTreeWidget &list)
{
    if (auto *memory = list.findChild<RefreshMemory *>(QString(), Qt::FindDirectChildrenOnly))
        return *memory;
    return *new RefreshMemory(list);
}

RefreshMemory::RefreshMemory(QTreeWidget &list) : QObject(&list), list_(list)
{
    const QAbstractItemModel *model = list.model();
    auto outside = [this] { changedFromOutside(); };
    // Before a row goes, not after: the memory never holds a deleted row, even for a moment.
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, outside);
    connect(model, &QAbstractItemModel::rowsInserted, this, outside);
    connect(model, &QAbstractItemModel::rowsMoved, this, outside);
    connect(model, &QAbstractItemModel::dataChanged, this, outside);
    connect(model, &QAbstractItemModel::layoutChanged, this, outside);
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, outside);
}

QList<RefreshMemory::Entry> *RefreshMemory::rowsFor(qsizetype records)
{
    // The row count also catches a change made while the model's signals were blocked.
    const bool same = valid_ && entries_.size() == records && list_.topLevelItemCount() == rowCount_;
    return same ? &entries_ : nullptr;
}

void RefreshMemory::remember(const QString &text, QList<Entry> entries, Others others)
{
    text_ = text;
    entries_ = std::move(entries);
    others_ = std::move(others);
    rowCount_ = list_.topLevelItemCount();
    valid_ = true;
}

void RefreshMemory::forget()
{
    valid_ = false;
    text_.clear();
    entries_.clear();
    others_.clear();
}

void RefreshMemory::changedFromOutside()
{
    if (!writing_)
        forget();
}

} // namespace jaserelle::client
