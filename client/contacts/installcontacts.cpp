#include "client/contacts/installcontacts.h"

#include "client/contacts/contactface.h"
#include "client/contacts/presencehandler.h"
#include "client/server/requestengine.h"
#include "client/shell/client.h"
#include "client/shell/contactrow.h"

#include <QTreeWidgetItem>

#include <memory>

ContactEditor &installContacts(Client &client, const ContactWidgets &widgets)
{
    auto *editor = new ContactEditor(client.state(), client.engine(), client.platform().notifier,
                                     widgets.views, widgets.dialogParent, &client);

    const PresenceTargets targets{widgets.views.lvFavoris, widgets.views.lvListeNoire, widgets.lblMailsNumber,
                                  widgets.pctbMail};
    ClientState &state = client.state();
    SoundPlayer &player = client.platform().sound;
    ReplyPipeline &pipeline = client.pipeline();
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

    // The removal requests name the right-clicked row; the main window fills this in when it has
    // its own way of telling.
    RequestSources &sources = client.engine().sources();
    if (!sources.selectedPseudo && widgets.views.selectedItem) {
        sources.selectedPseudo = [selected = widgets.views.selectedItem] {
            QTreeWidgetItem *row = selected();
            return row ? row->text(contactrow::Pseudo) : QString();
        };
    }
    return *editor;
}
