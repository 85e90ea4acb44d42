#include "client/directory/installdirectory.h"

#include "client/platform/platform.h"
#include "client/server/replypipeline.h"
#include "client/server/requestport.h"
#include "client/server/requestsources.h"
#include "client/shell/frmmain.h"
#include "client/shell/services.h"

#include <QTreeWidgetItem>

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
    pipeline.setHandler(ReplySlot::Profil, continueWith(directory, &MemberDirectory::onProfil));
    pipeline.setHandler(ReplySlot::Photo, continueWith(directory, &MemberDirectory::onPhoto));
    pipeline.setHandler(ReplySlot::NoSearchResult,
                        continueWith(directory, &MemberDirectory::onNoSearchResult));
    pipeline.setHandler(ReplySlot::SearchOk, continueWith(directory, &MemberDirectory::onSearchOk));
    pipeline.setHandler(ReplySlot::MaxResultReached,
                        continueWith(directory, &MemberDirectory::onMaxResultReached));

    for (auto ended : {&RequestPort::replyHandled, &RequestPort::requestFailed, &RequestPort::startFailed})
        QObject::connect(&engine, ended, directory, &MemberDirectory::onRequestEnded);
    QObject::connect(&main, &FrmMain::profilRequested, directory, &MemberDirectory::showProfil);
    QObject::connect(&main, &FrmMain::searchPseudoRequested, directory, &MemberDirectory::searchPseudo);
    QObject::connect(&main, &FrmMain::searchCriteresRequested, directory, &MemberDirectory::searchCriteres);
    return owned;
}

} // namespace jaserelle::client
