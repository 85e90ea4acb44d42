#include "client/directory/installdirectory.h"

#include "client/server/requestengine.h"
#include "client/shell/client.h"
#include "client/shell/frmmain.h"

#include <QTreeWidgetItem>

MemberDirectory &installDirectory(Client &client, FrmMain &main)
{
    RequestEngine &engine = client.engine();
    auto *directory = new MemberDirectory(engine, client.platform().notifier, main, &client);

    // The profile and the photo name the member they were asked for; every other request keeps
    // reading the row last right-clicked.
    RequestSources &sources = engine.sources();
    sources.selectedPseudo = [&engine, directory, rowSource = sources.selectedPseudo] {
        switch (engine.requestKind()) {
        case RequestKind::Profil:
            return directory->profilPseudo();
        case RequestKind::Photo:
            return directory->photoPseudo();
        default:
            return rowSource ? rowSource() : QString();
        }
    };
    sources.searchPseudo = [directory] { return directory->searchedPseudo(); };
    sources.searchCriteria = [directory] { return directory->searchCriteria(); };

    ReplyPipeline &pipeline = client.pipeline();
    pipeline.setHandler(ReplySlot::Profil, [directory](QString &reply) {
        directory->onProfil(reply);
        return HandlerResult::Continue;
    });
    pipeline.setHandler(ReplySlot::Photo, [directory](QString &reply) {
        directory->onPhoto(reply);
        return HandlerResult::Continue;
    });
    pipeline.setHandler(ReplySlot::NoSearchResult, [directory](QString &) {
        directory->onNoSearchResult();
        return HandlerResult::Continue;
    });
    pipeline.setHandler(ReplySlot::SearchOk, [directory](QString &reply) {
        directory->onSearchOk(reply);
        return HandlerResult::Continue;
    });
    pipeline.setHandler(ReplySlot::MaxResultReached, [directory](QString &reply) {
        directory->onMaxResultReached(reply);
        return HandlerResult::Continue;
    });

    for (auto ended : {&RequestEngine::replyHandled, &RequestEngine::requestFailed, &RequestEngine::startFailed})
        QObject::connect(&engine, ended, directory, &MemberDirectory::onRequestEnded);
    QObject::connect(&main, &FrmMain::profilRequested, directory, &MemberDirectory::showProfil);
    QObject::connect(&main, &FrmMain::searchPseudoRequested, directory, &MemberDirectory::searchPseudo);
    QObject::connect(&main, &FrmMain::searchCriteresRequested, directory, &MemberDirectory::searchCriteres);
    return *directory;
}
