#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class frmLogin;
}

namespace jaserelle::client {

// The start-up window: pseudo, password, and the three buttons. It only shows and reports; the
// start-up flow decides what each button does.
class FrmLogin : public QDialog
{
    Q_OBJECT

public:
    explicit FrmLogin(QWidget *parent = nullptr);
    ~FrmLogin() override;

    QString pseudoText() const;
    QString passwordText() const;
    void setTexts(const QString &pseudo, const QString &password);
    // Both boxes emptied, the window shown, the focus in the pseudo box.
    void showEmpty();
    // The pseudo of the last member who signed in here, the focus in the password box.
    void offerPseudo(const QString &pseudo);
    // "Se souvenir du mot de passe".
    bool rememberPassword() const;
    void setRememberPassword(bool on);
    // The server to sign in to, as typed.
    QString serverText() const;
    void setServerText(const QString &host);

signals:
    void connectRequested();
    void quitRequested();
    void newMemberRequested();

protected:
    void reject() override; // Escape and the close box both mean "Quitter"

private:
    std::unique_ptr<Ui::frmLogin> ui_;
};

} // namespace jaserelle::client
