#include "client/shell/frmapropos.h"

#include "client/assets/artwork.h"
#include "client/shell/windowplacement.h"
#include "ui_frmapropos.h"

namespace artwork = jaserelle::artwork;

FrmAPropos::FrmAPropos(const QString &serverHost, QWidget *parent)
    : QDialog(parent), ui_(std::make_unique<Ui::frmAPropos>())
{
    ui_->setupUi(this);
    ui_->imgLogo->setPixmap(artwork::pixmap(artwork::logo, devicePixelRatioF()));
    setWindowIcon(artwork::icon(artwork::windowIcon));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    ui_->lblServeur->setText(serverHost);
    connect(ui_->cmdQuitter, &QPushButton::clicked, this, &QWidget::hide);
}

FrmAPropos::~FrmAPropos() = default;

void FrmAPropos::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    centreOnScreen(*this);
}
