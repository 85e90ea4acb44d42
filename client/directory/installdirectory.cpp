#include "client/directory/installdirectory.h"

#include "client/platform/platform.h"
#include "client/server/replypipeline.h"
#include "client/server/requestport.h"
#include "client/server/requestsources.h"
#include "client/shell/frmmain.h"
#include "client/shell/services.h"

#include <QTreeWidgetItem>
#include <type_traits>

namespace jaserelle::client {

std::unique_ptr<MemberDirectory> installDirectory(Services &services, FrmMain &main,
                                                  const contactface::Faces &faces)
{
    RequestPort &engine = services.requests;
    auto owned = std::make_unique<MemberDirectory>(engine, services.platform.notifier, main, faces);
    MemberDirectory *directory = owned.get();

    // The profile and the photo name the member they were asked for; every other request keeps
    // reading the row last right-clicked.
    RequestSources &sources = services.sources;
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

    ReplyPipeline &pipeline = services.pipeline;
    // Each reply goes to its directory method, with the reply when the method reads it.
    auto on = [directory](auto handler) {
        return [directory, handler](QString &reply) {
            if constexpr (std::is_invocable_v<decltype(handler), MemberDirectory *, QString &>)
                (directory->*handler)(reply);
            else
                (directory->*handler)();
            return HandlerResult::Continue;
        };
    };
    pipeline.setHandler(ReplySlot::Profil, on(&MemberDirectory::onProfil));
    pipeline.setHandler(ReplySlot::Photo, on(&MemberDirectory::onPhoto));
    pipeline.setHandler(ReplySlot::NoSearchResult, on(&MemberDirectory::onNoSearchResult));
    pipeline.setHandler(ReplySlot::SearchOk, on(&MemberDirectory::onSearchOk));
    pipeline.setHandler(ReplySlot::MaxResultReached, on(&MemberDirectory::onMaxResultReached));

    for (auto ended : {&RequestPort::replyHandled, &RequestPort::requestFailed, &RequestPort::startFailed})
        QObject::connect(&engine, ended, directory, &MemberDirectory::onRequestEnded);
    QObject::connect(&main, &FrmMain::profilRequested, directory, &MemberDirectory::showProfil);
    QObject::connect(&main, &FrmMain::searchPseudoRequested, directory, &MemberDirectory::searchPseudo);
    QObject::connect(&main, &FrmMain::searchCriteresRequested, directory, &MemberDirectory::searchCriteres);
    return owned;
}

} // namespace jaserelle::client
