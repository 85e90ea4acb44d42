#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringView>
#include <utility>

class QTreeWidget;
class QTreeWidgetItem;

namespace jaserelle::client {

// What the last contact refresh wrote into one list, kept beside the list so that the next one
// can leave alone every row whose record reads exactly as before. Reading a row's cells back
// costs far more than comparing its record's text, and on a long list the rows no longer fit in
// the processor's caches: most records come back unchanged at every tick.
// Kept only while it is exact: each record of the last refresh had its own row, and no two rows
// of the list share a pseudo. Forgotten as soon as anything else changes the list (rows added,
// removed, edited or sorted from outside a refresh).
class RefreshMemory : public QObject
{
    Q_OBJECT

public:
    struct Entry
    {
        QStringView record; // the record's whole text, as ContactRecord::text()
        QTreeWidgetItem *row = nullptr;
        qsizetype pseudoLength = 0;
        bool unreachable = false; // shown offline because the member black-lists the user
        QStringView pseudo() const { return record.first(pseudoLength); }
    };
    using Others = QList<std::pair<QString, QTreeWidgetItem *>>;

    // The memory of `list`, made on first use; it lives as long as the list.
    static RefreshMemory &of(QTreeWidget &list);

    // The rows written by the last refresh, one per record in its order, when it listed
    // `records` of them and nothing else changed the list since; otherwise none. The caller
    // may update the entries as it writes the rows again, then keeps the text they point into.
    QList<Entry> *rowsFor(qsizetype records);
    // The list's rows that the last refresh named in no record, with their pseudo.
    const Others &others() const { return others_; }

    void remember(const QString &text, QList<Entry> entries, Others others);
    void keep(const QString &text) { text_ = text; }
    void forget();

    // While one lives, changes to the list are the refresh's own and keep the memory.
    class Writing
    {
    public:
        explicit Writing(RefreshMemory &memory) : memory_(memory) { memory_.writing_ = true; }
        ~Writing() { memory_.writing_ = false; }
        Writing(const Writing &) = delete;
        Writing &operator=(const Writing &) = delete;

    private:
        RefreshMemory &memory_;
    };

private:
    explicit RefreshMemory(QTreeWidget &list);
    void changedFromOutside();

    QTreeWidget &list_;
    QString text_; // the reply the entries point into
    QList<Entry> entries_;
    Others others_;
    int rowCount_ = 0;
    bool valid_ = false;
    bool writing_ = false;
};

} // namespace jaserelle::client
