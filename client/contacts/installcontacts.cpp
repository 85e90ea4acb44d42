#include "client/contacts/installcontacts.h"

#include "client/contacts/contactface.h"
#include "client/contacts/presencehandler.h"
#include "client/platform/platform.h"
#include "client/server/replypipeline.h"
#include "client/shell/clientstate.h"
#include "client/shell/frmmain.h"
#include "client/shell/services.h"

#include <QTreeWidgetItem>
#include <memory>

namespace jaserelle::client {

std::unique_ptr<ContactEditor> installContacts(Services &services, FrmMain &main)
{
    ContactViews views{main.lvFavoris(), main.lvListeNoire(), [&main] { return main.selectedItem(); }};
    auto owned = std::make_unique<ContactEditor>(services.state, services.requests,
                                                 services.platform.notifier, views, &main);
    ContactEditor *editor = owned.get();

    const PresenceTargets targets{main.lvFavoris(), main.lvListeNoire(), main.lblMailsNumber(),
                                  main.pctbMail()};
    ClientState &state = services.state;
    SoundPlayer &player = services.platform.sound;
    ReplyPipeline &pipeline = services.pipeline;
    auto faces = std::make_shared<const contactface::Faces>();
    pipeline.setHandler(ReplySlot::Refresh, [targets, &state, &player, faces](QString &reply) {
        handlePresenceReply(reply, targets, state, player, *faces);
        return HandlerResult::Continue;
    });
    auto on = [editor](void (ContactEditor::*handler)()) {
        return [editor, handler](QString &) {
            (editor->*handler)();
            return HandlerResult::Continue;
        };
    };
    pipeline.setHandler(ReplySlot::ListesMisesAJour, on(&ContactEditor::onListesMisesAJour));
    pipeline.setHandler(ReplySlot::MembreNExistePas, on(&ContactEditor::onMembreNExistePas));
    pipeline.setHandler(ReplySlot::MembreDejaDansLaListe, on(&ContactEditor::onMembreDejaDansLaListe));
    pipeline.setHandler(ReplySlot::RemoveSuccessful, on(&ContactEditor::onRemoveSuccessful));

    // The context menus name the right-clicked row, which the editor reads itself.
    QObject::connect(&main, &FrmMain::addFavorisRequested, editor, &ContactEditor::showAjoutFavori);
    QObject::connect(&main, &FrmMain::addListeNoireRequested, editor, &ContactEditor::showAjoutListeNoire);
    QObject::connect(&main, &FrmMain::favorisToListeNoireRequested, editor,
                     &ContactEditor::putSelectedInListeNoire);
    QObject::connect(&main, &FrmMain::rechercheToListeNoireRequested, editor,
                     &ContactEditor::putSelectedInListeNoire);
    QObject::connect(&main, &FrmMain::listeNoireToFavorisRequested, editor,
                     &ContactEditor::putSelectedInFavoris);
    QObject::connect(&main, &FrmMain::rechercheToFavorisRequested, editor,
                     &ContactEditor::putSelectedInFavoris);
    QObject::connect(&main, &FrmMain::removeFromFavorisRequested, editor,
                     &ContactEditor::removeSelectedFromFavoris);
    QObject::connect(&main, &FrmMain::removeFromListeNoireRequested, editor,
                     &ContactEditor::removeSelectedFromListeNoire);
    return owned;
}

} // namespace jaserelle::client
