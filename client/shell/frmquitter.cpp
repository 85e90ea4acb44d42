#include "client/shell/frmquitter.h"

#include "client/shell/fixeddialog.h"
#include "ui_frmquitter.h"

namespace jaserelle::client {

FrmQuitter::FrmQuitter(QWidget *parent) : CentredOnFirstShow(parent), ui_(std::make_unique<Ui::frmQuitter>())
{
    ui_->setupUi(this);
    makeFixedDialog(*this);
    connect(ui_->cmdQuitter, &QPushButton::clicked, this, [this] {
        emit quitChosen();
        hide();
    });
    connect(ui_->cmdAnnuler, &QPushButton::clicked, this, &QWidget::hide);
}

FrmQuitter::~FrmQuitter() = default;

void FrmQuitter::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    emit hidden();
}

} // namespace jaserelle::client
