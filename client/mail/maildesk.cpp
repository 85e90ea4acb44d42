#include "client/mail/maildesk.h"

#include "client/contacts/mailindicator.h"
#include "client/mail/frmreadmails.h"
#include "client/mail/frmsendmail.h"
#include "client/mail/mailcharacters.h"
#include "client/mail/mailnotices.h"
#include "client/mail/replysubject.h"
#include "client/platform/platform.h"
#include "client/server/requestport.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"

#include <QLabel>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

void bringForward(QWidget &window)
{
    window.show();
    window.raise();
    window.activateWindow();
}

// The text box gives one "\n" per line; mails travel with the desktop's CR LF line ends.
QString withCrLf(QString text)
{
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\n', u"\r\n"_s);
    return text;
}

} // namespace

MailDesk::MailDesk(ClientState &state, RequestPort &engine, Notifier &notifier, MailIndicator indicator,
                   QWidget *windowParent, QObject *parent)
    : QObject(parent), state_(state), engine_(engine), notifier_(notifier), indicator_(indicator),
      windowParent_(windowParent)
{
}

MailDesk::~MailDesk()
{
    delete sendMail_.data();
    delete readMails_.data();
}

FrmSendMail *MailDesk::frmSendMail() const
{
    return sendMail_.data();
}

FrmReadMails *MailDesk::frmReadMails() const
{
    return readMails_.data();
}

FrmSendMail &MailDesk::ensureSendMail()
{
    if (!sendMail_) {
        sendMail_ = new FrmSendMail(windowParent_.data());
        if (spelling_)
            sendMail_->checkSpelling(*spelling_);
        connect(sendMail_, &FrmSendMail::sendRequested, this, &MailDesk::sendMail);
    }
    return *sendMail_;
}

FrmReadMails &MailDesk::ensureReadMails()
{
    if (!readMails_) {
        readMails_ = new FrmReadMails(windowParent_.data());
        connect(readMails_, &FrmReadMails::deleteRequested, this, &MailDesk::deleteSelectedMail);
        connect(readMails_, &FrmReadMails::replyRequested, this, &MailDesk::replyToSelectedMail);
    }
    return *readMails_;
}

int MailDesk::mailCount() const
{
    return indicator_.lblMailsNumber ? mailCountOf(indicator_.lblMailsNumber->text()) : 0;
}

void MailDesk::startMailRequest(const Request &request)
{
    answered_ = false;
    engine_.start(request); // switches the periodic refresh off until the answer is handled
}

void MailDesk::writeTo(const QTreeWidgetItem &row)
{
    const QString pseudo = row.text(contactrow::Pseudo);
    if (pseudo == state_.userLogin) {
        notifier_.notify(selfMailNotice());
        return;
    }
    if (sendMail_ && sendMail_->isVisible())
        return; // one mail at a time: the one being written keeps its recipient
    FrmSendMail &window = ensureSendMail();
    window.startMailTo(pseudo);
    bringForward(window);
}

void MailDesk::replyToSelectedMail()
{
    const std::optional<MailEntry> mail = readMails_ ? readMails_->selectedMail() : std::nullopt;
    if (!mail)
        return;
    if (sendMail_ && sendMail_->isVisible())
        return; // the mail being written keeps its recipient, as for a mail from a member row
    FrmSendMail &window = ensureSendMail();
    window.startMailTo(mail->sender);
    window.setSubjectText(replySubject(mail->subject));
    bringForward(window);
}

void MailDesk::sendMail()
{
    if (!sendMail_)
        return;
    FrmSendMail &window = *sendMail_;
    const QString subject = window.subjectText();
    const QString message = window.messageText();
    if (message.isEmpty()) {
        notifier_.notify(emptyMailNotice());
        return;
    }
    if (message.contains(u'~') || subject.contains(u'~')) {
        notifier_.notify(tildeInMailNotice());
        return;
    }
    // Nothing leaves as a silent "?": the user is told which characters and changes them.
    const QStringList cannot = charactersThatCannotTravel(subject + message);
    if (!cannot.isEmpty()) {
        window.selectFirstOf(cannot.first());
        notifier_.notify(untravellableCharactersNotice(cannot));
        return;
    }
    // Taken now: the window may be opened for another mail before the connection is up.
    startMailRequest(
        {.kind = RequestKind::SendMail, .mail = {window.recipient(), subject, withCrLf(message)}});
    window.hide();
}

void MailDesk::openMailBox()
{
    if (mailCount() <= 0 || (readMails_ && readMails_->isVisible()))
        return;
    FrmReadMails &window = ensureReadMails();
    window.clearMails();
    bringForward(window);
    startMailRequest({RequestKind::ReadMails});
}

void MailDesk::deleteSelectedMail()
{
    const std::optional<MailEntry> mail = readMails_ ? readMails_->selectedMail() : std::nullopt;
    if (!mail)
        return; // no row chosen: nothing to name to the server
    // The row is named as it is now: the answer takes away this mail, whatever row the user has
    // clicked or however the list was sorted in the meantime.
    startMailRequest({.kind = RequestKind::DeleteMail,
                      .mailRow = {mail->sender, mail->when, mail->subject, mail->message}});
}

void MailDesk::onMailSended()
{
    answered_ = true;
    notifier_.notify(mailSentNotice());
    engine_.resumeRefresh();
}

void MailDesk::onMailList(QStringView reply)
{
    answered_ = true;
    // A mail box the user closed while its list was coming stays closed.
    if (readMails_) {
        FrmReadMails &window = *readMails_;
        window.clearMails();
        for (const MailEntry &mail : parseMailList(reply, mailCount()))
            window.addMail(mail);
        if (window.mailCount() > 0)
            window.selectFirst();
        else
            window.hide(); // nothing readable came: an empty box would only puzzle
    }
    engine_.resumeRefresh();
}

void MailDesk::onMailDeleted()
{
    answered_ = true;
    const MailRowRef &deleted = engine_.request().mailRow;
    if (readMails_ && engine_.requestKind() == RequestKind::DeleteMail)
        readMails_->removeMail({deleted.sender, deleted.when, deleted.subject, deleted.message});
    if (indicator_.lblMailsNumber && indicator_.pctbMail) {
        // Never below none: a count the refresh had already lowered stays at 0.
        showMailCount(*indicator_.lblMailsNumber, *indicator_.pctbMail, std::max(mailCount() - 1, 0));
    }
    notifier_.notify(mailDeletedNotice());
    if (readMails_ && readMails_->mailCount() == 0)
        readMails_->hide();
    else if (readMails_) {
        readMails_->activateWindow();
        readMails_->focusList();
    }
    engine_.resumeRefresh();
}

void MailDesk::onReadMailsFailed()
{
    if (readMails_)
        readMails_->hide();
}

void MailDesk::onReplyHandled(RequestKind kind)
{
    const std::optional<Notice> failure = mailFailureNotice(kind);
    if (answered_ || !failure)
        return;
    answered_ = true;
    notifier_.notify(*failure);
    switch (kind) {
    case RequestKind::SendMail:
        // The mail is still in its window, unless the user has started another one since.
        if (sendMail_ && !sendMail_->isVisible() &&
            sendMail_->recipient() == engine_.request().mail.recipient)
            bringForward(*sendMail_);
        break;
    case RequestKind::ReadMails:
        onReadMailsFailed();
        break;
    default:
        break;
    }
    // No handler has switched the periodic refresh back on.
    engine_.resumeRefresh();
}

} // namespace jaserelle::client
