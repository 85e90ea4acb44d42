#pragma once

#include "client/contacts/frmajoutmembre.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class Notifier;
class QTreeWidget;
class QTreeWidgetItem;
class RequestEngine;
struct ClientState;

// The contact lists as the editing commands see them.
struct ContactViews
{
    QTreeWidget *lvFavoris = nullptr;
    QTreeWidget *lvListeNoire = nullptr;
    // The row the user last right-clicked in any member list; null before the first one.
    std::function<QTreeWidgetItem *()> selectedItem;
    // Called just before a row is deleted, so that whoever remembers it (the right-clicked row)
    // lets go of it.
    std::function<void(QTreeWidgetItem *)> forgetRow;
};

// Adding, moving and removing contacts: the menu commands, the two add dialogs and the server's
// answers to them. The lists themselves only change through the refresh that follows a confirmed
// change, except for a removal, which the client shows at once.
class ContactEditor : public QObject
{
    Q_OBJECT

public:
    ContactEditor(ClientState &state, RequestEngine &engine, Notifier &notifier, ContactViews views,
                  QWidget *dialogParent = nullptr, QObject *parent = nullptr);
    ~ContactEditor() override;

    // "Mes listes" > "Ajouter un membre": the dialogs, modeless, created on first use.
    void showAjoutFavori();
    void showAjoutListeNoire();
    // Context menus: a move is a single add to the other list; the source list is left to the
    // refresh.
    void putSelectedInFavoris();
    void putSelectedInListeNoire();
    void removeSelectedFromFavoris();
    void removeSelectedFromListeNoire();

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
    void startContactRequest(RequestKind kind, const QString &pseudo);
    QString selectedPseudo() const;
    void refreshTimerOn();

    ClientState &state_;
    RequestEngine &engine_;
    Notifier &notifier_;
    ContactViews views_;
    QPointer<QWidget> dialogParent_;
    std::unique_ptr<FrmAjoutMembre> ajoutFavori_;
    std::unique_ptr<FrmAjoutMembre> ajoutListeNoire_;
};
