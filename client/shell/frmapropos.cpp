#include "client/shell/frmapropos.h"

#include "client/assets/artwork.h"
#include "client/shell/fixeddialog.h"
#include "ui_frmapropos.h"

namespace jaserelle::client {

FrmAPropos::FrmAPropos(const QString &serverHost, QWidget *parent)
    : CentredOnFirstShow(parent), ui_(std::make_unique<Ui::frmAPropos>())
{
    ui_->setupUi(this);
    ui_->imgLogo->setPixmap(artwork::pixmap(artwork::logo, devicePixelRatioF()));
    makeFixedDialog(*this);
    ui_->lblServeur->setText(serverHost);
    connect(ui_->cmdQuitter, &QPushButton::clicked, this, &QWidget::hide);
}

FrmAPropos::~FrmAPropos() = default;

} // namespace jaserelle::client
