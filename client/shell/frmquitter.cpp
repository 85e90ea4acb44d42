#include "client/shell/frmquitter.h"

#include "client/assets/artwork.h"
#include "client/shell/windowplacement.h"
#include "ui_frmquitter.h"

namespace artwork = jaserelle::artwork;

FrmQuitter::FrmQuitter(QWidget *parent) : QDialog(parent), ui_(std::make_unique<Ui::frmQuitter>())
{
    ui_->setupUi(this);
    setWindowIcon(artwork::icon(artwork::windowIcon));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    connect(ui_->cmdQuitter, &QPushButton::clicked, this, [this] {
        emit quitChosen();
        hide();
    });
    connect(ui_->cmdAnnuler, &QPushButton::clicked, this, &QWidget::hide);
}

FrmQuitter::~FrmQuitter() = default;

void FrmQuitter::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    centreOnScreen(*this);
}

void FrmQuitter::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    emit hidden();
}
