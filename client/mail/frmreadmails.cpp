#include "client/mail/frmreadmails.h"

#include "client/shell/fixeddialog.h"
#include "client/shell/windowplacement.h"
#include "ui_frmreadmails.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QShowEvent>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

// Twips of the first two columns, 15 to a pixel.
constexpr int deWidth = 1440 / 15;
constexpr int leWidth = 1700 / 15;
constexpr int sortKeyRole = Qt::UserRole + 1;
constexpr int messageRole = Qt::UserRole + 2;

// "DD/MM/YYYY à HHhMM" read as "YYYYMMDDHHMM", so that the date column sorts by time.
QString chronologicalKey(const QString &when)
{
    return when.mid(6, 4) + when.mid(3, 2) + when.left(2) + when.right(5);
}

class MailRow : public QTreeWidgetItem
{
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (column == FrmReadMails::Le)
            return data(FrmReadMails::Le, sortKeyRole).toString() <
                   other.data(FrmReadMails::Le, sortKeyRole).toString();
        return QTreeWidgetItem::operator<(other);
    }
};

MailEntry entryOf(const QTreeWidgetItem &row)
{
    return {row.text(FrmReadMails::De), row.text(FrmReadMails::Le), row.text(FrmReadMails::Sujet),
            row.data(FrmReadMails::Texte, messageRole).toString()};
}

} // namespace

FrmReadMails::FrmReadMails(QWidget *parent) : QDialog(parent), ui_(std::make_unique<Ui::frmReadMails>())
{
    ui_->setupUi(this);
    makeDialogFrame(*this);
    setModal(false);
    // The close box discards the window; the envelope makes a new one.
    setAttribute(Qt::WA_DeleteOnClose);
    QTreeWidget *list = ui_->lvMails;
    list->header()->setSectionsClickable(true);
    list->header()->setStretchLastSection(false);
    list->viewport()->installEventFilter(this);
    setColumnWidths();
    connect(list->header(), &QHeaderView::sectionClicked, this, &FrmReadMails::sortBy);
    connect(list, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *row) { showMailOf(row); });
    connect(list, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *row) { showMailOf(row); });
    connect(ui_->cmdDeleteMail, &QPushButton::clicked, this, &FrmReadMails::deleteRequested);
    auto *reply = new QPushButton(u"&Répondre"_s, this);
    reply->setObjectName(u"cmdRepondre"_s);
    reply->setAutoDefault(false);
    ui_->layoutButtons->insertWidget(ui_->layoutButtons->indexOf(ui_->cmdDeleteMail), reply);
    connect(reply, &QPushButton::clicked, this, &FrmReadMails::replyRequested);
}

void FrmReadMails::focusList()
{
    ui_->lvMails->setFocus(Qt::OtherFocusReason);
}

FrmReadMails::~FrmReadMails() = default;

void FrmReadMails::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        keepOnScreen(*this);
}

void FrmReadMails::setColumnWidths()
{
    QTreeWidget *list = ui_->lvMails;
    list->setColumnWidth(De, deWidth);
    // The date is never cut short, whatever the font.
    const int le = std::max(leWidth, list->fontMetrics().horizontalAdvance(u"00/00/0000 à 00h00"_s) + 16);
    list->setColumnWidth(Le, le);
    // The subject takes what is left of the visible width, so that nothing scrolls sideways; it
    // widens with the window.
    list->setColumnWidth(Sujet, std::max(list->viewport()->width() - deWidth - le, le));
    list->setColumnWidth(Texte, 0);
}

void FrmReadMails::clearMails()
{
    ui_->lvMails->clear();
    ui_->txtMessage->clear();
}

void FrmReadMails::addMail(const MailEntry &mail)
{
    // The column holds the text on one line, so that a mail of many lines keeps its row one line
    // high; the text itself, line ends and all, is kept beside it.
    QString oneLine = mail.message;
    oneLine.replace(u'\r', u' ').replace(u'\n', u' ');
    auto *row = new MailRow(QStringList{mail.sender, mail.when, mail.subject, oneLine});
    row->setData(Texte, messageRole, mail.message);
    row->setData(Le, sortKeyRole, chronologicalKey(mail.when));
    row->setForeground(Texte, ui_->lvMails->palette().color(QPalette::Base));
    // A subject longer than its column is read in full on hovering it.
    row->setToolTip(Sujet, mail.subject);
    ui_->lvMails->addTopLevelItem(row);
}

int FrmReadMails::mailCount() const
{
    return ui_->lvMails->topLevelItemCount();
}

void FrmReadMails::selectFirst()
{
    QTreeWidgetItem *first = ui_->lvMails->topLevelItem(0);
    ui_->lvMails->setCurrentItem(first);
    showMailOf(first);
}

std::optional<MailEntry> FrmReadMails::selectedMail() const
{
    const QTreeWidgetItem *row = ui_->lvMails->currentItem();
    if (!row || !row->isSelected())
        return std::nullopt;
    return entryOf(*row);
}

bool FrmReadMails::removeMail(const MailEntry &mail)
{
    QTreeWidget *list = ui_->lvMails;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (entryOf(*list->topLevelItem(i)) == mail) {
            delete list->takeTopLevelItem(i);
            // The mail that took its place (or the one before, at the end) is selected and shown,
            // so that mails can be deleted one after another.
            QTreeWidgetItem *next = list->topLevelItem(std::min(i, list->topLevelItemCount() - 1));
            list->setCurrentItem(next);
            if (next)
                showMailOf(next);
            else
                ui_->txtMessage->clear();
            return true;
        }
    }
    return false;
}

QString FrmReadMails::messageText() const
{
    return ui_->txtMessage->toPlainText();
}

void FrmReadMails::showMailOf(QTreeWidgetItem *row)
{
    if (!row)
        return;
    // The server keeps the line ends a mail was written with; the box shows one line break each.
    QString text = row->data(Texte, messageRole).toString();
    text.replace(u"\r\n"_s, u"\n"_s);
    ui_->txtMessage->setPlainText(text);
}

void FrmReadMails::sortBy(int column)
{
    sortAscending_ = !sortAscending_;
    const Qt::SortOrder order = sortAscending_ ? Qt::AscendingOrder : Qt::DescendingOrder;
    ui_->lvMails->header()->setSortIndicatorShown(true);
    ui_->lvMails->sortItems(column, order);
}

bool FrmReadMails::eventFilter(QObject *watched, QEvent *event)
{
    // A column dragged open, the text column included, closes again at the next press in the list;
    // the subject follows the list's width.
    if (watched == ui_->lvMails->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Resize))
        setColumnWidths();
    return QDialog::eventFilter(watched, event);
}

} // namespace jaserelle::client
