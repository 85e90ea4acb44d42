#include "client/contacts/contacteditor.h"

#include "client/contacts/contacteditnotices.h"
#include "client/platform/platform.h"
#include "client/server/requestport.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "client/shell/logininput.h"

#include <QPointer>
#include <QTreeWidget>

namespace jaserelle::client {

ContactEditor::ContactEditor(ClientState &state, RequestPort &engine, Notifier &notifier, ContactViews views,
                             QWidget *dialogParent, QObject *parent)
    : QObject(parent), state_(state), engine_(engine), notifier_(notifier), views_(std::move(views)),
      dialogParent_(dialogParent)
{
}

ContactEditor::~ContactEditor()
{
    delete ajoutFavori_.data();
    delete ajoutListeNoire_.data();
}

FrmAjoutMembre *ContactEditor::dialog(FrmAjoutMembre::Variant variant) const
{
    return variant == FrmAjoutMembre::Variant::Favori ? ajoutFavori_.data() : ajoutListeNoire_.data();
}

FrmAjoutMembre &ContactEditor::ensureDialog(FrmAjoutMembre::Variant variant)
{
    QPointer<FrmAjoutMembre> &slot =
        variant == FrmAjoutMembre::Variant::Favori ? ajoutFavori_ : ajoutListeNoire_;
    if (!slot) {
        auto *dialog = new FrmAjoutMembre(variant, dialogParent_.data());
        connect(dialog, &FrmAjoutMembre::addRequested, this, [this, dialog] { submit(*dialog); });
        slot = dialog;
    }
    return *slot;
}

void ContactEditor::showAjout(FrmAjoutMembre::Variant variant)
{
    FrmAjoutMembre &dialog = ensureDialog(variant);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

void ContactEditor::submit(FrmAjoutMembre &dialog)
{
    const QString pseudo = dialog.pseudoText();
    // A refused pseudo stays in the box while the user reads why.
    const auto clear = [typedIn = QPointer<FrmAjoutMembre>(&dialog)] {
        if (typedIn)
            typedIn->clearPseudo();
    };
    if (!isAlphanumeric(pseudo)) {
        // A typing mistake is the user's own business: whatever request is in flight goes on.
        notifier_.notify(notAlphanumericPseudoNotice(), clear);
        return;
    }
    if (startContactRequest(dialog.kind(), pseudo, clear)) {
        dialog.hide();
        dialog.clearPseudo();
    }
}

QString ContactEditor::selectedPseudo() const
{
    QTreeWidgetItem *row = views_.selectedItem ? views_.selectedItem() : nullptr;
    return row ? row->text(contactrow::Pseudo) : QString();
}

bool ContactEditor::startContactRequest(RequestKind kind, const QString &pseudo,
                                        std::function<void()> refused)
{
    if (pseudo.isEmpty()) {
        // no row was ever right-clicked: there is nobody to act on
        if (refused)
            refused();
        return false;
    }
    const bool adding = kind == RequestKind::AddFavoris || kind == RequestKind::AddListeNoire;
    if (adding && pseudo.compare(state_.userLogin, Qt::CaseInsensitive) == 0) {
        notifier_.notify(selfAddNotice(), std::move(refused));
        return false;
    }
    // The member is named now: a right click on another row meanwhile changes nothing.
    engine_.start({kind, pseudo}); // switches the periodic refresh off until the answer is handled
    return true;
}

void ContactEditor::startForSelected(RequestKind kind)
{
    startContactRequest(kind, selectedPseudo());
}

namespace {

// Every row of that member goes: the server no longer holds him in that list, and no refresh
// would ever take a stale row away.
void removeRowsOf(QTreeWidget *list, const QString &pseudo)
{
    if (!list || pseudo.isEmpty())
        return;
    for (int i = list->topLevelItemCount() - 1; i >= 0; --i) {
        if (list->topLevelItem(i)->text(contactrow::Pseudo) == pseudo)
            delete list->takeTopLevelItem(i);
    }
}

} // namespace

void ContactEditor::onListesMisesAJour()
{
    // A member added to one list leaves the other one on the server: his row there goes too,
    // rather than staying behind frozen and still offering a call.
    const Request &added = engine_.request();
    if (added.kind == RequestKind::AddFavoris)
        removeRowsOf(views_.lvListeNoire, added.targetPseudo);
    else if (added.kind == RequestKind::AddListeNoire)
        removeRowsOf(views_.lvFavoris, added.targetPseudo);
    engine_.startRefresh();
    engine_.resumeRefresh();
}

void ContactEditor::onMembreNExistePas()
{
    if (const std::optional<Notice> notice = memberUnknownNotice(engine_.requestKind()))
        notifier_.notify(*notice);
    engine_.resumeRefresh();
}

void ContactEditor::onMembreDejaDansLaListe()
{
    if (const std::optional<Notice> notice = alreadyListedNotice(engine_.requestKind()))
        notifier_.notify(*notice);
    engine_.resumeRefresh();
}

void ContactEditor::onRemoveSuccessful()
{
    const Request &removed = engine_.request();
    QTreeWidget *list = removed.kind == RequestKind::RemoveFavoris      ? views_.lvFavoris
                        : removed.kind == RequestKind::RemoveListeNoire ? views_.lvListeNoire
                                                                        : nullptr;
    // The member removed is the one the request named, whatever row the user has right-clicked
    // or however the list was sorted since.
    removeRowsOf(list, removed.targetPseudo);
    engine_.startRefresh();
    engine_.resumeRefresh();
}

} // namespace jaserelle::client
