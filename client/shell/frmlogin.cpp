#include "client/shell/frmlogin.h"

#include "client/assets/artwork.h"
#include "ui_frmlogin.h"

namespace jaserelle::client {

FrmLogin::FrmLogin(QWidget *parent) : QDialog(parent), ui_(std::make_unique<Ui::frmLogin>())
{
    ui_->setupUi(this);
    setWindowIcon(artwork::icon(artwork::windowIcon));
    ui_->pctBoxSecure->setPixmap(artwork::pixmap(artwork::secure, devicePixelRatioF()));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(sizeHint().expandedTo(size()));
    connect(ui_->cmdOk, &QPushButton::clicked, this, &FrmLogin::connectRequested);
    connect(ui_->cmdCancel, &QPushButton::clicked, this, &FrmLogin::quitRequested);
    connect(ui_->cmdNewMember, &QPushButton::clicked, this, &FrmLogin::newMemberRequested);
}

FrmLogin::~FrmLogin() = default;

QString FrmLogin::pseudoText() const
{
    return ui_->txtLogin->text();
}

QString FrmLogin::passwordText() const
{
    return ui_->txtPassword->text();
}

void FrmLogin::setTexts(const QString &pseudo, const QString &password)
{
    ui_->txtLogin->setText(pseudo);
    ui_->txtPassword->setText(password);
}

void FrmLogin::showEmpty()
{
    setTexts({}, {});
    show();
    activateWindow();
    ui_->txtLogin->setFocus();
}

void FrmLogin::offerPseudo(const QString &pseudo)
{
    if (pseudo.isEmpty())
        return;
    setTexts(pseudo, {});
    ui_->txtPassword->setFocus();
}

bool FrmLogin::rememberPassword() const
{
    return ui_->chkRememberPassword->isChecked();
}

void FrmLogin::setRememberPassword(bool on)
{
    ui_->chkRememberPassword->setChecked(on);
}

QString FrmLogin::serverText() const
{
    return ui_->txtServer->text();
}

void FrmLogin::setServerText(const QString &host)
{
    ui_->txtServer->setText(host);
}

void FrmLogin::reject()
{
    emit quitRequested();
}

} // namespace jaserelle::client
