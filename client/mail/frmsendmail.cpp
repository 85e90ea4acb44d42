#include "client/mail/frmsendmail.h"

#include "client/shell/fixeddialog.h"
#include "client/shell/windowplacement.h"
#include "client/spelling/spellhighlighter.h"
#include "ui_frmsendmail.h"

#include <QShowEvent>
#include <QTextCursor>
#include <QTextDocument>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

FrmSendMail::FrmSendMail(QWidget *parent) : QDialog(parent), ui_(std::make_unique<Ui::frmSendMail>())
{
    ui_->setupUi(this);
    makeDialogFrame(*this);
    setModal(false);
    // The close box discards the window; the next mail gets a new one.
    setAttribute(Qt::WA_DeleteOnClose);
    connect(ui_->cmdSendMail, &QPushButton::clicked, this, &FrmSendMail::sendRequested);
}

FrmSendMail::~FrmSendMail() = default;

void FrmSendMail::startMailTo(const QString &recipient)
{
    recipient_ = recipient;
    setWindowTitle(u"Envoyer un mail à "_s + recipient);
    ui_->txtSubject->clear();
    ui_->txtMessage->clear();
}

void FrmSendMail::setSubjectText(const QString &subject)
{
    ui_->txtSubject->setText(subject);
    ui_->txtMessage->setFocus();
}

QString FrmSendMail::subjectText() const
{
    return ui_->txtSubject->text();
}

QString FrmSendMail::messageText() const
{
    return ui_->txtMessage->toPlainText();
}

void FrmSendMail::checkSpelling(SpellChecker &checker)
{
    // A one-line subject has no document to underline in: the text is where mistakes matter.
    attachSpelling(*ui_->txtMessage, checker);
}

void FrmSendMail::selectFirstOf(const QString &character)
{
    if (const qsizetype at = ui_->txtSubject->text().indexOf(character); at >= 0) {
        ui_->txtSubject->setFocus();
        ui_->txtSubject->setSelection(int(at), int(character.size()));
        return;
    }
    const QTextCursor found = ui_->txtMessage->document()->find(character);
    if (found.isNull())
        return;
    ui_->txtMessage->setFocus();
    ui_->txtMessage->setTextCursor(found);
}

void FrmSendMail::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        keepOnScreen(*this);
    ui_->txtSubject->setFocus();
}

} // namespace jaserelle::client
