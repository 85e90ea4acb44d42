#include "client/contacts/installcontacts.h"

#include "client/contacts/contactorderoption.h"
#include "client/contacts/presencehandler.h"
#include "client/platform/platform.h"
#include "client/server/replypipeline.h"
#include "client/shell/clientstate.h"
#include "client/shell/frmmain.h"
#include "client/shell/services.h"

#include <QTreeWidgetItem>
#include <memory>
#include <utility>

namespace jaserelle::client {

std::unique_ptr<ContactEditor> installContacts(Services &services, FrmMain &main,
                                               const contactface::Faces &faces)
{
    ContactViews views{main.lvFavoris(), main.lvListeNoire(), [&main] { return main.selectedItem(); }};
    auto owned = std::make_unique<ContactEditor>(services.state, services.requests,
                                                 services.platform.notifier, views, &main);
    ContactEditor *editor = owned.get();
    new ContactOrderOption(main, services.state.appDir, services.platform.notifier); // the window owns it

    const PresenceTargets targets{main.lvFavoris(), main.lvListeNoire(), main.lblMailsNumber(),
                                  main.pctbMail()};
    ClientState &state = services.state;
    SoundPlayer &player = services.platform.sound;
    ReplyPipeline &pipeline = services.pipeline;
    pipeline.setHandler(ReplySlot::Refresh, [targets, &state, &player, &faces](QString &reply) {
        handlePresenceReply(reply, targets, state, player, faces);
        return HandlerResult::Continue;
    });
    pipeline.setHandler(ReplySlot::ListesMisesAJour,
                        continueWith(editor, &ContactEditor::onListesMisesAJour));
    pipeline.setHandler(ReplySlot::MembreNExistePas,
                        continueWith(editor, &ContactEditor::onMembreNExistePas));
    pipeline.setHandler(ReplySlot::MembreDejaDansLaListe,
                        continueWith(editor, &ContactEditor::onMembreDejaDansLaListe));
    pipeline.setHandler(ReplySlot::RemoveSuccessful,
                        continueWith(editor, &ContactEditor::onRemoveSuccessful));

    QObject::connect(&main, &FrmMain::addFavorisRequested, editor,
                     [editor] { editor->showAjout(FrmAjoutMembre::Variant::Favori); });
    QObject::connect(&main, &FrmMain::addListeNoireRequested, editor,
                     [editor] { editor->showAjout(FrmAjoutMembre::Variant::ListeNoire); });
    // The context menus name the right-clicked row, which the editor reads itself.
    using RowCommand = void (FrmMain::*)(QTreeWidgetItem *);
    constexpr std::pair<RowCommand, RequestKind> rowCommands[] = {
        {&FrmMain::favorisToListeNoireRequested, RequestKind::AddListeNoire},
        {&FrmMain::rechercheToListeNoireRequested, RequestKind::AddListeNoire},
        {&FrmMain::listeNoireToFavorisRequested, RequestKind::AddFavoris},
        {&FrmMain::rechercheToFavorisRequested, RequestKind::AddFavoris},
        {&FrmMain::removeFromFavorisRequested, RequestKind::RemoveFavoris},
        {&FrmMain::removeFromListeNoireRequested, RequestKind::RemoveListeNoire},
    };
    for (const auto &[command, kind] : rowCommands)
        QObject::connect(&main, command, editor, [editor, kind] { editor->startForSelected(kind); });
    return owned;
}

} // namespace jaserelle::client
