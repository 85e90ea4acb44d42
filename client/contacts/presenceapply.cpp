#include "client/contacts/presenceapply.h"

#include "client/contacts/contactface.h"
#include "client/contacts/contactitem.h"
#include "client/platform/platform.h"
#include "client/shell/contactrow.h"

#include <QHash>
#include <QHeaderView>
#include <QPalette>
#include <QSet>
#include <QSignalBlocker>
#include <QTreeWidget>

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
    QTreeWidgetItem *find(QStringView pseudo) const { return byPseudo_.value(pseudo); }
    // `pseudo` must outlive the index.
    void add(QStringView pseudo, QTreeWidgetItem *row)
    {
        rows_.append({pseudo, row});
        byPseudo_.insert(pseudo, row);
    }
    // Every row of the list with its pseudo, duplicates included.
    const QList<std::pair<QStringView, QTreeWidgetItem *>> &rows() const { return rows_; }

private:
    QStringList known_;
    QList<std::pair<QStringView, QTreeWidgetItem *>> rows_;
    QHash<QStringView, QTreeWidgetItem *> byPseudo_;
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

void applySection(QTreeWidget &list, RowIndex &index, const QList<ContactRecord> &records,
                  const ListSounds &sounds, const Presence &presence, SoundPlayer &player)
{
    Announcement announcement;
    QList<const ContactRecord *> newcomers;
    bool changed = false;
    {
        // Known rows only change their cells here, never their place: the view is told once,
        // below, rather than once per cell, which on a long list costs far more than the change.
        const QSignalBlocker quiet(list.model());
        for (const ContactRecord &record : records) {
            if (QTreeWidgetItem *row = index.find(record.pseudo)) {
                changed |= updateRow(list.palette(), row, false, record, sounds, presence, announcement);
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
        QTreeWidgetItem *row = index.find(record->pseudo); // named twice in one reply
        if (!row) {
            if (list.topLevelItemCount() + added.size() >= maxContactRows)
                continue;
            row = new ContactItem;
            index.add(record->pseudo, row);
            added.append(row);
        }
        updateRow(list.palette(), row, true, *record, sounds, presence, announcement);
    }
    list.addTopLevelItems(added);

    if (announcement.row) {
        markRow(list, announcement.row);
        player.play(announcement.sound);
    }
}

// Rows the reply did not list (added by hand before, or kept past their last mention) still
// go grey when their member black-lists the user.
void markUnreachable(QTreeWidget &list, const RowIndex &index, const QSet<QStringView> &pseudos)
{
    for (const auto &[pseudo, row] : index.rows()) {
        if (pseudos.contains(pseudo))
            showOffline(list.palette(), row);
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
    RowIndex favoris(lvFavoris);
    RowIndex listeNoire(lvListeNoire);
    applySection(lvFavoris, favoris, reply.favoris, favorisSounds(), presence, player);
    applySection(lvListeNoire, listeNoire, reply.listeNoire, listeNoireSounds(), presence, player);
    if (unreachable.isEmpty())
        return;
    markUnreachable(lvFavoris, favoris, unreachable);
    markUnreachable(lvListeNoire, listeNoire, unreachable);
}

} // namespace jaserelle::client
