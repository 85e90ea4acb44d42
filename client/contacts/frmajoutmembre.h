#pragma once

#include "client/server/requestkind.h"

#include <QDialog>
#include <memory>

namespace Ui {
class frmAjoutMembre;
}

namespace jaserelle::client {

// The two "add a member" dialogs, frmAjoutFavori and frmAjoutListeNoire: the same form, told
// apart by their captions, their picture and the list they add to.
class FrmAjoutMembre : public QDialog
{
    Q_OBJECT

public:
    enum class Variant
    {
        Favori,
        ListeNoire
    };

    explicit FrmAjoutMembre(Variant variant, QWidget *parent = nullptr);
    ~FrmAjoutMembre() override;

    RequestKind kind() const;

    QString pseudoText() const;
    void clearPseudo();

signals:
    // "&Ajouter" (or Enter): the pseudo typed is to be checked and sent.
    void addRequested();

protected:
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;

private:
    std::unique_ptr<Ui::frmAjoutMembre> ui_;
    Variant variant_;
};

} // namespace jaserelle::client
