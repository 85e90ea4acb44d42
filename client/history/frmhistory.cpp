#include "client/history/frmhistory.h"

#include "client/assets/artwork.h"
#include "client/conversation/boxpictures.h"
#include "client/history/entryview.h"
#include "client/history/historykeeper.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {
constexpr int dayRole = Qt::UserRole + 1;
}

FrmHistory::FrmHistory(HistoryKeeper &history, const QString &ownPseudo, QWidget *parent)
    : QWidget(parent, Qt::Window), history_(history), ownPseudo_(ownPseudo), search_(new QLineEdit(this)),
      members_(new QListWidget(this)), days_(new QListWidget(this)), entries_(new QTextEdit(this))
{
    setObjectName(u"frmHistory"_s);
    setWindowTitle(u"Historique des conversations"_s);
    setWindowIcon(artwork::icon(artwork::windowIcon));
    resize(640, 440);
    search_->setObjectName(u"txtRecherche"_s);
    search_->setPlaceholderText(u"Mots à chercher"_s);
    members_->setObjectName(u"lstMembres"_s);
    days_->setObjectName(u"lstJours"_s);
    entries_->setObjectName(u"txtEntrees"_s);
    entries_->setReadOnly(true);
    auto *find = new QPushButton(u"&Chercher"_s, this);
    find->setObjectName(u"cmdChercher"_s);

    // The search row across the whole window: the words typed stay readable.
    auto *searchRow = new QHBoxLayout;
    searchRow->addWidget(search_);
    searchRow->addWidget(find);
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(u"Membres :"_s, this));
    left->addWidget(members_, 3);
    left->addWidget(new QLabel(u"Jours :"_s, this));
    left->addWidget(days_, 2);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addWidget(entries_, 3);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addLayout(columns);

    connect(find, &QPushButton::clicked, this, [this] { search(search_->text()); });
    connect(search_, &QLineEdit::returnPressed, this, [this] { search(search_->text()); });
    connect(members_, &QListWidget::currentTextChanged, this, [this](const QString &member) {
        if (!member.isEmpty())
            showMember(member);
    });
    connect(days_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        if (item && members_->currentItem())
            showDay(members_->currentItem()->text(), item->data(dayRole).toDate());
    });
}

void FrmHistory::refresh()
{
    history_.flush();
    members_->clear();
    days_->clear();
    entries_->clear();
    members_->addItems(history_.reader().members());
    if (members_->count() == 0)
        entries_->setPlainText(u"Aucune conversation n'est gardée pour l'instant."_s);
}

void FrmHistory::showMember(const QString &member)
{
    const QSignalBlocker quiet(days_);
    days_->clear();
    for (const QDate day : history_.reader().days(member)) {
        auto *item = new QListWidgetItem(day.toString(u"dd/MM/yyyy"_s), days_);
        item->setData(dayRole, day);
    }
    if (days_->count() > 0) {
        days_->setCurrentRow(0);
        showDay(member, days_->item(0)->data(dayRole).toDate());
    }
}

void FrmHistory::showDay(const QString &member, QDate day)
{
    showEntries(history_.reader().day(member, day), false, {});
}

void FrmHistory::search(const QString &words)
{
    history_.flush();
    showEntries(history_.reader().search(words), true, u"Aucune entrée ne contient ces mots."_s);
}

void FrmHistory::showEntries(const QList<HistoryEntry> &entries, bool withMember, const QString &empty)
{
    entries_->clear();
    if (entries.isEmpty()) {
        entries_->setPlainText(empty);
        return;
    }
    QTextCursor cursor(entries_->document());
    for (const HistoryEntry &entry : entries) {
        if (!entries_->document()->isEmpty())
            cursor.insertBlock();
        const QString when = entry.at.toString(withMember ? u"dd/MM/yyyy HH:mm"_s : u"HH:mm"_s);
        const int from = cursor.position();
        showHistoryEntry(cursor, entry, ownPseudo_,
                         withMember ? u"["_s + entry.member + u"] "_s + when : when);
        // Pictures as wide as the box at most, and colours that read on its background, as in
        // the conversation window.
        boxpictures::settle(*entries_->document(), from, cursor.position(), boxpictures::room(*entries_),
                            devicePixelRatioF(), entries_->palette().color(QPalette::Base),
                            entries_->palette().color(QPalette::Text));
    }
    entries_->moveCursor(QTextCursor::Start);
}

} // namespace jaserelle::client
