#include "client/contacts/presenceapply.h"

#include "client/contacts/contactface.h"
#include "client/platform/platform.h"
#include "client/shell/contactrow.h"

#include <QPalette>
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

// Rows are matched on their exact text; with duplicates the last one in the list's current order
// is the one kept up to date.
QTreeWidgetItem *lastRowNamed(const QTreeWidget &list, const QString &pseudo)
{
    for (int i = list.topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem *row = list.topLevelItem(i);
        if (row->text(contactrow::Pseudo) == pseudo)
            return row;
    }
    return nullptr;
}

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
    list.scrollToItem(row);
    player.play(sound);
}

} // namespace

QTreeWidgetItem *applyContactRecord(QTreeWidget &list, const ContactRecord &record, const ListSounds &sounds,
                                    PresenceMood mood, SoundPlayer &player)
{
    QTreeWidgetItem *row = lastRowNamed(list, record.pseudo);
    const bool isNew = row == nullptr;
    if (isNew)
        row = new QTreeWidgetItem(&list);
    // Read before the texts change: with the list sorted, setting a text may move the row.
    const bool wasOnline = contactrow::isOnline(row);
    const bool heard = !isNew && mood.soundEnabled && !mood.firstRefresh;

    row->setText(contactrow::Pseudo, record.pseudo);
    row->setText(contactrow::Age, record.age);
    row->setText(contactrow::Departement, record.shownDepartement());
    row->setText(contactrow::Sexe, record.sexe);

    if (record.online()) {
        if (heard && !wasOnline)
            announce(list, row, sounds.arrival, player);
        showOnline(list, row, record.address);
    } else {
        if (heard && wasOnline)
            announce(list, row, sounds.departure, player);
        showOffline(row);
    }
    contactface::setFace(row, record.man(), record.colourFace());
    return row;
}

void markUnreachable(QTreeWidget &list, const QString &pseudo)
{
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = list.topLevelItem(i);
        if (row->text(contactrow::Pseudo) == pseudo)
            showOffline(row);
    }
}

void applyRefreshReply(QTreeWidget &lvFavoris, QTreeWidget &lvListeNoire, const RefreshReply &reply,
                       PresenceMood mood, SoundPlayer &player)
{
    for (const ContactRecord &record : reply.favoris)
        applyContactRecord(lvFavoris, record, favorisSounds(), mood, player);
    for (const ContactRecord &record : reply.listeNoire)
        applyContactRecord(lvListeNoire, record, listeNoireSounds(), mood, player);
    for (const QString &pseudo : reply.blackListedBy) {
        markUnreachable(lvFavoris, pseudo);
        markUnreachable(lvListeNoire, pseudo);
    }
}
