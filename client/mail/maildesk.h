#pragma once

#include "client/mail/maillist.h"
#include "client/server/request.h"

#include <QObject>
#include <QPointer>

class QLabel;
class QTreeWidgetItem;

namespace jaserelle::client {

class FrmReadMails;
class FrmSendMail;
class Notifier;
class RequestPort;
struct ClientState;

// The main window's mail indicator, as the mail commands see it.
struct MailIndicator
{
    QLabel *lblMailsNumber = nullptr;
    QLabel *pctbMail = nullptr;
};

// The mail function: writing a mail to a member, the mail box with its deletions, and the server's
// answers to the three mail requests. The two windows are made on first use and made again after
// the user has closed them.
class SpellChecker;

class MailDesk : public QObject
{
    Q_OBJECT

public:
    MailDesk(ClientState &state, RequestPort &engine, Notifier &notifier, MailIndicator indicator,
             QWidget *windowParent = nullptr, QObject *parent = nullptr);
    ~MailDesk() override;

    // Spelling in the mail window's subject and text, from its next opening.
    void setSpelling(SpellChecker *spelling) { spelling_ = spelling; }
    // "lui envoyer un mail" on a member row.
    void writeTo(const QTreeWidgetItem &row);
    // A click on the envelope.
    void openMailBox();
    void sendMail();
    void deleteSelectedMail();
    // "&Répondre" in the mail box: a mail to the sender, "Re: " before the subject.
    void replyToSelectedMail();

    // The server's answers, each run when its keyword is in the reply.
    void onMailSended();
    void onMailList(QStringView reply);
    void onMailDeleted();
    void onReadMailsFailed();
    // Every answer to a mail request, once the handlers have run: one that none of them
    // recognised (an unknown recipient, a lapsed session, a server fault) is a failure.
    void onReplyHandled(RequestKind kind);

    // Null until first shown, and again once closed by the user.
    FrmSendMail *frmSendMail() const;
    FrmReadMails *frmReadMails() const;

private:
    FrmSendMail &ensureSendMail();
    FrmReadMails &ensureReadMails();
    int mailCount() const;
    void startMailRequest(const Request &request);

    ClientState &state_;
    RequestPort &engine_;
    Notifier &notifier_;
    MailIndicator indicator_;
    QPointer<QWidget> windowParent_;
    QPointer<FrmSendMail> sendMail_;
    QPointer<FrmReadMails> readMails_;
    bool answered_ = false; // the request in flight got the answer it asked for
    SpellChecker *spelling_ = nullptr;
};

} // namespace jaserelle::client
