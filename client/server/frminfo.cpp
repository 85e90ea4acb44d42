#include "client/server/frminfo.h"

#include "client/assets/artwork.h"
#include "ui_frminfo.h"

namespace jaserelle::client {

using namespace Qt::StringLiterals;

FrmInfo::FrmInfo(QWidget *parent) : QDialog(parent), ui_(std::make_unique<Ui::frmInfo>())
{
    ui_->setupUi(this);
    setWindowIcon(artwork::icon(artwork::windowIcon));
    ui_->pvtBoxJaserelle->setPixmap(artwork::pixmap(artwork::logo, devicePixelRatioF(), {48, 48}));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(ui_->cmdOk, &QPushButton::clicked, this, [this] {
        answered_ = true;
        hide();
        emit acknowledged();
    });
}

FrmInfo::~FrmInfo() = default;

void FrmInfo::setMessage(const QString &userLogin, const QString &message)
{
    ui_->lblUnMessagePour->setText(u"Un message pour "_s + userLogin + u" :"_s);
    ui_->txtBoxInfo->setPlainText(message);
}

QString FrmInfo::message() const
{
    return ui_->txtBoxInfo->toPlainText();
}

void FrmInfo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    ui_->cmdOk->setFocus();
}

void FrmInfo::reject()
{
    // Escape or the close box: the user has read it all the same. Without this the client would
    // be left running with no window at all.
    if (answered_)
        return;
    answered_ = true;
    hide();
    emit acknowledged();
}

} // namespace jaserelle::client
