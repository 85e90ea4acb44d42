#pragma once

#include "client/contacts/frmajoutmembre.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

namespace jaserelle::client {

class Notifier;
class RequestPort;
struct ClientState;

// The contact lists as the editing commands see them.
struct ContactViews
{
    QTreeWidget *lvFavoris = nullptr;
    QTreeWidget *lvListeNoire = nullptr;
    // The row the user last right-clicked in any member list; null before the first one, or once
    // that row has left its list.
    std::function<QTreeWidgetItem *()> selectedItem;
};

// Adding, moving and removing contacts: the menu commands, the two add dialogs and the server's
// answers to them. The lists themselves only change through the refresh that follows a confirmed
// change, except for a removal, which the client shows at once.
class ContactEditor : public QObject
{
    Q_OBJECT

public:
    ContactEditor(ClientState &state, RequestPort &engine, Notifier &notifier, ContactViews views,
                  QWidget *dialogParent = nullptr, QObject *parent = nullptr);
    ~ContactEditor() override;

    // "Mes listes" > "Ajouter un membre": the dialogs, modeless, created on first use.
    void showAjout(FrmAjoutMembre::Variant variant);
    // Context menus: the add or removal names the row last right-clicked. A move is a single add
    // to the other list; the source list is left to the refresh.
    void startForSelected(RequestKind kind);

    // The server's answers, each run when its keyword is in the reply.
    void onListesMisesAJour();
    void onMembreNExistePas();
    void onMembreDejaDansLaListe();
    void onRemoveSuccessful();

    // Null until first shown.
    FrmAjoutMembre *dialog(FrmAjoutMembre::Variant variant) const;

private:
    FrmAjoutMembre &ensureDialog(FrmAjoutMembre::Variant variant);
    void submit(FrmAjoutMembre &dialog);
    // `refused` runs once the user has read why nothing was started (at once when nothing is said).
    bool startContactRequest(RequestKind kind, const QString &pseudo, std::function<void()> refused = {});
    QString selectedPseudo() const;

    ClientState &state_;
    RequestPort &engine_;
    Notifier &notifier_;
    ContactViews views_;
    QPointer<QWidget> dialogParent_;
    // Owned by the parent window when there is one (it may go first), else by the editor.
    QPointer<FrmAjoutMembre> ajoutFavori_;
    QPointer<FrmAjoutMembre> ajoutListeNoire_;
};

} // namespace jaserelle::client
