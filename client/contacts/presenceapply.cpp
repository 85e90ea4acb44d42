#include "client/contacts/presenceapply.h"

#include "client/contacts/contactface.h"
#include "client/contacts/contactitem.h"
#include "client/contacts/refreshmemory.h"
#include "client/platform/platform.h"
#include "client/shell/contactrow.h"

#include <QHash>
#include <QHeaderView>
#include <QPalette>
#include <QSet>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <optional>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

ListSounds favorisSounds()
{
    return {u"sons/comein.wav"_s, u"sons/goout.wav"_s};
}

ListSounds listeNoireSounds()
{
    return {u"comein.wav"_s, u"goout.wav"_s};
}

namespace {

// The rows of one list by pseudo, exact and case-sensitive. When several rows share a pseudo the
// last one in the list's current order is the one kept up to date. Built once per refresh, so a
// long reply costs one pass over the list rather than one per record. The keys are views: into
// the pseudos kept here (shared with the rows, not copied) or into the reply being applied.
class RowIndex
{
public:
    struct Row
    {
        QStringView pseudo;
        QTreeWidgetItem *row = nullptr;
        bool named = false; // by a record of the refresh; see claim()
    };

    explicit RowIndex(const QTreeWidget &list)
    {
        const int count = list.topLevelItemCount();
        known_.reserve(count);
        rows_.reserve(count);
        byPseudo_.reserve(count);
        for (int i = 0; i < count; ++i) {
            QTreeWidgetItem *row = list.topLevelItem(i);
            known_.append(row->text(contactrow::Pseudo));
            add(known_.constLast(), row); // a later row replaces an earlier one
        }
    }
    QTreeWidgetItem *find(QStringView pseudo) const
    {
        const qsizetype at = byPseudo_.value(pseudo, -1);
        return at < 0 ? nullptr : rows_.at(at).row;
    }
    // `pseudo` must outlive the index.
    void add(QStringView pseudo, QTreeWidgetItem *row)
    {
        byPseudo_.insert(pseudo, rows_.size());
        rows_.append({pseudo, row});
    }
    // The row a record names, once: null when it has none, or when an earlier record named it.
    QTreeWidgetItem *claim(QStringView pseudo)
    {
        const qsizetype at = byPseudo_.value(pseudo, -1);
        if (at < 0 || rows_.at(at).named)
            return nullptr;
        rows_[at].named = true;
        return rows_.at(at).row;
    }
    bool hasTwins() const { return byPseudo_.size() != rows_.size(); }
    // Every row of the list with its pseudo, duplicates included.
    const QList<Row> &rows() const { return rows_; }

private:
    QStringList known_;
    QList<Row> rows_;
    QHash<QStringView, qsizetype> byPseudo_;
};

void showOffline(const QPalette &palette, QTreeWidgetItem *row)
{
    contactrow::setOnline(row, false, palette);
    row->setText(contactrow::Adresse, QString());
}

struct Presence
{
    PresenceMood mood;
    const contactface::Faces &faces;
    const QSet<QStringView> &unreachable;
};

// The last row of one list seen to come or go, and the sound that goes with it. A refresh where
// many members change selects and plays only once: only the last selection would ever be seen,
// and each new sound cuts the one before.
struct Announcement
{
    QTreeWidgetItem *row = nullptr;
    QString sound;
};

// Whether the row shows anything else than before.
bool updateRow(const QPalette &palette, QTreeWidgetItem *row, bool isNew, const ContactRecord &record,
               const ListSounds &sounds, const Presence &presence, Announcement &announcement)
{
    bool changed = false;
    auto setCell = [row, &changed](int column, QStringView text) {
        if (row->text(column) != text) {
            row->setText(column, text.toString());
            changed = true;
        }
    };
    const int faceBefore = contactface::face(row);
    const bool wasOnline = contactrow::isOnline(row);
    const bool heard = !isNew && presence.mood.soundEnabled && !presence.mood.firstRefresh;
    // A member who black-listed the user is listed as connected, yet cannot be reached: he is
    // shown offline, silently, for as long as that lasts, rather than coming back at each refresh.
    const bool unreachable = presence.unreachable.contains(record.pseudo);
    const bool online = record.online() && !unreachable;

    setCell(contactrow::Pseudo, record.pseudo);
    setCell(contactrow::Age, record.age);
    setCell(contactrow::Departement, record.shownDepartement());
    setCell(contactrow::Sexe, record.sexe);
    setCell(contactrow::Adresse, online ? record.address : QStringView());

    if (heard && online != wasOnline && !unreachable)
        announcement = {row, online ? sounds.arrival : sounds.departure};
    if (online && !wasOnline)
        contactrow::hideAddress(row, palette);
    contactrow::setOnline(row, online, palette);
    contactface::setFace(row, record.man(), record.colourFace(), presence.faces);
    return changed || online != wasOnline || faceBefore != contactface::face(row);
}

// The member who came or went becomes the selected row. The keyboard's place in the list stays
// where the user left it, and a list under the pointer does not scroll: moving either made the
// next key press or click act on another member than the one the user was aiming at.
void markRow(QTreeWidget &list, QTreeWidgetItem *row)
{
    const QModelIndex index = list.indexFromItem(row);
    list.selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (!list.underMouse() && !list.viewport()->underMouse())
        list.scrollToItem(row);
}

// One list's share of the reply.
struct Section
{
    QTreeWidget &list;
    const QString &text; // the reply the records point into
    const QList<ContactRecord> &records;
    ListSounds sounds;
};

// The leading records that name the members the memory holds rows for, in the same order,
// update those rows; a record that reads as before leaves its row alone. Returns how many
// records that covered.
qsizetype updateRemembered(const Section &section, QList<RefreshMemory::Entry> &remembered,
                           const Presence &presence, Announcement &announcement, bool &changed)
{
    RefreshMemory::Entry *entry = remembered.data();
    qsizetype done = 0;
    for (const ContactRecord &record : section.records) {
        if (entry->pseudo() != record.pseudo)
            break;
        const bool unreachable = presence.unreachable.contains(record.pseudo);
        if (entry->record != record.text() || entry->unreachable != unreachable) {
            changed |= updateRow(section.list.palette(), entry->row, false, record, section.sounds, presence,
                                 announcement);
        }
        entry->record = record.text();
        entry->unreachable = unreachable;
        ++entry;
        ++done;
    }
    return done;
}

// After a refresh that had to find its rows by pseudo: what the next one may take for granted,
// as long as it is exact.
void remember(RefreshMemory &memory, const Section &section, RowIndex &index, const Presence &presence)
{
    if (index.hasTwins())
        return memory.forget();
    QList<RefreshMemory::Entry> entries;
    entries.reserve(section.records.size());
    for (const ContactRecord &record : section.records) {
        QTreeWidgetItem *row = index.claim(record.pseudo);
        if (!row) // beyond the cap, or named twice
            return memory.forget();
        entries.append(
            {record.text(), row, record.pseudo.size(), presence.unreachable.contains(record.pseudo)});
    }
    RefreshMemory::Others others;
    for (const RowIndex::Row &row : index.rows()) {
        if (!row.named)
            others.append({row.pseudo.toString(), row.row});
    }
    memory.remember(section.text, std::move(entries), std::move(others));
}

// Returns the index of the list's rows when it had to build one.
std::optional<RowIndex> writeSection(const Section &section, const Presence &presence,
                                     Announcement &announcement)
{
    QTreeWidget &list = section.list;
    RefreshMemory &memory = RefreshMemory::of(list);
    const RefreshMemory::Writing writing(memory);
    std::optional<RowIndex> index;
    QList<const ContactRecord *> newcomers;
    bool changed = false;
    {
        // Known rows only change their cells here, never their place: the view is told once,
        // below, rather than once per cell, which on a long list costs far more than the change.
        const QSignalBlocker quiet(list.model());
        QList<RefreshMemory::Entry> *remembered = memory.rowsFor(section.records.size());
        const qsizetype done =
            remembered ? updateRemembered(section, *remembered, presence, announcement, changed) : 0;
        if (!remembered || done < section.records.size())
            index.emplace(list);
        for (qsizetype i = done; i < section.records.size(); ++i) {
            const ContactRecord &record = section.records.at(i);
            if (QTreeWidgetItem *row = index->find(record.pseudo)) {
                changed |=
                    updateRow(list.palette(), row, false, record, section.sounds, presence, announcement);
            } else {
                newcomers.append(&record);
            }
        }
    }
    if (changed) {
        list.viewport()->update();
        if (list.isSortingEnabled())
            list.sortItems(list.sortColumn(), list.header()->sortIndicatorOrder());
    }

    // New rows are filled before they join the list, and join it together.
    QList<QTreeWidgetItem *> added;
    for (const ContactRecord *record : newcomers) {
        QTreeWidgetItem *row = index->find(record->pseudo); // named twice in one reply
        if (!row) {
            if (list.topLevelItemCount() + added.size() >= maxContactRows)
                continue;
            row = new ContactItem;
            index->add(record->pseudo, row);
            added.append(row);
        }
        updateRow(list.palette(), row, true, *record, section.sounds, presence, announcement);
    }
    list.addTopLevelItems(added);
    if (index)
        remember(memory, section, *index, presence);
    else
        memory.keep(section.text);
    return index;
}

std::optional<RowIndex> applySection(const Section &section, const Presence &presence, SoundPlayer &player)
{
    Announcement announcement;
    std::optional<RowIndex> index = writeSection(section, presence, announcement);
    if (announcement.row) {
        markRow(section.list, announcement.row);
        player.play(announcement.sound);
    }
    return index;
}

// Rows the reply did not list (added by hand before, or kept past their last mention) still
// go grey when their member black-lists the user. Without an index, the memory knows which rows
// those are: the others are up to date already.
void markUnreachable(QTreeWidget &list, const std::optional<RowIndex> &index,
                     const QSet<QStringView> &pseudos)
{
    const RefreshMemory::Writing writing(RefreshMemory::of(list));
    auto grey = [&](QStringView pseudo, QTreeWidgetItem *row) {
        if (pseudos.contains(pseudo))
            showOffline(list.palette(), row);
    };
    if (index) {
        for (const RowIndex::Row &row : index->rows())
            grey(row.pseudo, row.row);
    } else {
        for (const auto &[pseudo, row] : RefreshMemory::of(list).others())
            grey(pseudo, row);
    }
}

} // namespace

void applyRefreshReply(QTreeWidget &lvFavoris, QTreeWidget &lvListeNoire, const RefreshReply &reply,
                       PresenceMood mood, SoundPlayer &player, const contactface::Faces &faces)
{
    QSet<QStringView> unreachable;
    for (const QString &pseudo : reply.blackListedBy)
        unreachable.insert(pseudo);
    const Presence presence{mood, faces, unreachable};
    const std::optional<RowIndex> favoris =
        applySection({lvFavoris, reply.text, reply.favoris, favorisSounds()}, presence, player);
    const std::optional<RowIndex> listeNoire =
        applySection({lvListeNoire, reply.text, reply.listeNoire, listeNoireSounds()}, presence, player);
    if (unreachable.isEmpty())
        return;
    markUnreachable(lvFavoris, favoris, unreachable);
    markUnreachable(lvListeNoire, listeNoire, unreachable);
}

} // namespace jaserelle::client
