#include "client/contacts/presenceapply.h"

#include "client/contacts/contactface.h"
#include "client/platform/platform.h"
#include "client/shell/contactrow.h"

#include <QHash>
#include <QPalette>
#include <QSet>
#include <QTreeWidget>

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
// long reply costs one pass over the list rather than one per record.
class RowIndex
{
public:
    explicit RowIndex(const QTreeWidget &list)
    {
        for (int i = 0; i < list.topLevelItemCount(); ++i) {
            QTreeWidgetItem *row = list.topLevelItem(i);
            rows_.insert(row->text(contactrow::Pseudo), row);
        }
    }
    QTreeWidgetItem *find(const QString &pseudo) const { return rows_.value(pseudo); }
    void add(const QString &pseudo, QTreeWidgetItem *row) { rows_.insert(pseudo, row); }

private:
    QHash<QString, QTreeWidgetItem *> rows_;
};

void showOnline(QTreeWidget &list, QTreeWidgetItem *row, const QString &address)
{
    contactrow::setOnline(row, true);
    row->setText(contactrow::Adresse, address);
    // The address stays out of sight even in a column the user has dragged open.
    row->setForeground(contactrow::Adresse, list.palette().color(QPalette::Base));
}

void showOffline(QTreeWidgetItem *row)
{
    contactrow::setOnline(row, false);
    row->setText(contactrow::Adresse, QString());
}

void announce(QTreeWidget &list, QTreeWidgetItem *row, const QString &sound, SoundPlayer &player)
{
    list.setCurrentItem(row);
    player.play(sound);
}

struct Presence
{
    PresenceMood mood;
    SoundPlayer &player;
    const contactface::Faces &faces;
};

void applyRecord(QTreeWidget &list, RowIndex &index, const ContactRecord &record, const ListSounds &sounds,
                 const Presence &presence)
{
    QTreeWidgetItem *row = index.find(record.pseudo);
    const bool isNew = row == nullptr;
    if (isNew) {
        if (list.topLevelItemCount() >= maxContactRows)
            return;
        row = new QTreeWidgetItem(&list);
        index.add(record.pseudo, row);
    }
    // Read before the texts change: with the list sorted, setting a text may move the row.
    const bool wasOnline = contactrow::isOnline(row);
    const bool heard = !isNew && presence.mood.soundEnabled && !presence.mood.firstRefresh;

    row->setText(contactrow::Pseudo, record.pseudo);
    row->setText(contactrow::Age, record.age);
    row->setText(contactrow::Departement, record.shownDepartement());
    row->setText(contactrow::Sexe, record.sexe);

    if (record.online()) {
        if (heard && !wasOnline)
            announce(list, row, sounds.arrival, presence.player);
        showOnline(list, row, record.address);
    } else {
        if (heard && wasOnline)
            announce(list, row, sounds.departure, presence.player);
        showOffline(row);
    }
    contactface::setFace(row, record.man(), record.colourFace(), presence.faces);
}

void applySection(QTreeWidget &list, const QList<ContactRecord> &records, const ListSounds &sounds,
                  const Presence &presence)
{
    RowIndex index(list);
    for (const ContactRecord &record : records)
        applyRecord(list, index, record, sounds, presence);
}

// Members who black-listed the user cannot be reached: every row of theirs goes grey, with no
// sound, no selection and no change of face.
void markUnreachable(QTreeWidget &list, const QSet<QString> &pseudos)
{
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = list.topLevelItem(i);
        if (pseudos.contains(row->text(contactrow::Pseudo)))
            showOffline(row);
    }
}

} // namespace

void applyRefreshReply(QTreeWidget &lvFavoris, QTreeWidget &lvListeNoire, const RefreshReply &reply,
                       PresenceMood mood, SoundPlayer &player, const contactface::Faces &faces)
{
    const Presence presence{mood, player, faces};
    applySection(lvFavoris, reply.favoris, favorisSounds(), presence);
    applySection(lvListeNoire, reply.listeNoire, listeNoireSounds(), presence);
    if (reply.blackListedBy.isEmpty())
        return;
    const QSet<QString> unreachable(reply.blackListedBy.begin(), reply.blackListedBy.end());
    markUnreachable(lvFavoris, unreachable);
    markUnreachable(lvListeNoire, unreachable);
}
