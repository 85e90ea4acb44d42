#include "client/mail/installmail.h"

#include "client/mail/maildesk.h"
#include "client/server/requestengine.h"
#include "client/shell/client.h"
#include "client/shell/frmmain.h"

#include <QTreeWidgetItem>

MailDesk &installMail(Client &client, FrmMain &main)
{
    RequestEngine &engine = client.engine();
    auto *desk = new MailDesk(client.state(), engine, client.platform().notifier,
                              MailIndicator{main.lblMailsNumber(), main.pctbMail()}, &main, &client);

    engine.sources().outgoingMail = [desk] { return desk->outgoingMail(); };
    engine.sources().selectedMail = [desk] { return desk->mailToDelete(); };

    ReplyPipeline &pipeline = client.pipeline();
    pipeline.setHandler(ReplySlot::MailSended, [desk](QString &) {
        desk->onMailSended();
        return HandlerResult::Continue;
    });
    pipeline.setHandler(ReplySlot::MailList, [desk](QString &reply) {
        desk->onMailList(reply);
        return HandlerResult::Continue;
    });
    pipeline.setHandler(ReplySlot::MailDeleted, [desk](QString &) {
        desk->onMailDeleted();
        return HandlerResult::Continue;
    });

    QObject::connect(&engine, &RequestEngine::requestFailed, desk, [desk](RequestKind kind) {
        if (kind == RequestKind::ReadMails)
            desk->onReadMailsFailed();
    });
    QObject::connect(&engine, &RequestEngine::replyHandled, desk, &MailDesk::onReplyHandled);
    QObject::connect(&main, &FrmMain::mailRequested, desk, [desk](QTreeWidgetItem *row) {
        if (row)
            desk->writeTo(*row);
    });
    QObject::connect(&main, &FrmMain::mailIconClicked, desk, &MailDesk::openMailBox);
    return *desk;
}
