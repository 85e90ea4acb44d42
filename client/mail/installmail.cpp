#include "client/mail/installmail.h"

#include "client/mail/maildesk.h"
#include "client/platform/platform.h"
#include "client/server/replypipeline.h"
#include "client/server/requestport.h"
#include "client/server/requestsources.h"
#include "client/shell/frmmain.h"
#include "client/shell/services.h"

#include <QAction>
#include <QMenu>
#include <QTreeWidgetItem>

namespace jaserelle::client {

std::unique_ptr<MailDesk> installMail(Services &services, FrmMain &main)
{
    RequestPort &engine = services.requests;
    auto owned = std::make_unique<MailDesk>(services.state, engine, services.platform.notifier,
                                            MailIndicator{main.lblMailsNumber(), main.pctbMail()}, &main);
    MailDesk *desk = owned.get();

    services.sources.outgoingMail = [desk] { return desk->outgoingMail(); };
    services.sources.selectedMail = [desk] { return desk->mailToDelete(); };

    ReplyPipeline &pipeline = services.pipeline;
    pipeline.setHandler(ReplySlot::MailSended, continueWith(desk, &MailDesk::onMailSended));
    pipeline.setHandler(ReplySlot::MailList, continueWith(desk, &MailDesk::onMailList));
    pipeline.setHandler(ReplySlot::MailDeleted, continueWith(desk, &MailDesk::onMailDeleted));

    QObject::connect(&engine, &RequestPort::requestFailed, desk, [desk](RequestKind kind) {
        if (kind == RequestKind::ReadMails)
            desk->onReadMailsFailed();
    });
    QObject::connect(&engine, &RequestPort::replyHandled, desk, &MailDesk::onReplyHandled);
    QObject::connect(&main, &FrmMain::mailRequested, desk, [desk](QTreeWidgetItem *row) {
        if (row)
            desk->writeTo(*row);
    });
    QObject::connect(&main, &FrmMain::mailIconClicked, desk, &MailDesk::openMailBox);
    // The envelope is a picture: the keyboard reaches the mail box through the File menu.
    auto *readMails = new QAction(QObject::tr("Lire mes &mails"), &main);
    readMails->setObjectName(QStringLiteral("MNU_LireMails"));
    readMails->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    QMenu *file = main.fileMenu();
    file->insertAction(file->actions().value(0), readMails);
    file->insertSeparator(file->actions().value(1));
    QObject::connect(readMails, &QAction::triggered, desk, &MailDesk::openMailBox);
    return owned;
}

} // namespace jaserelle::client
