#include "client/shell/frmtrytoconnect.h"

#include "client/shell/windowplacement.h"
#include "ui_frmtrytoconnect.h"

using namespace Qt::StringLiterals;

FrmTryToConnect::FrmTryToConnect(const QString &serverHost, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(std::make_unique<Ui::frmTryToConnect>())
{
    ui_->setupUi(this);
    ui_->lblTryToConnect->setText(u"Tentative de connection au serveur "_s + serverHost + u" en cours..."_s);
    setFixedSize(size());
}

FrmTryToConnect::~FrmTryToConnect() = default;

// It takes the login window's place, so it appears where that one was: in the middle.
void FrmTryToConnect::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    centreOnScreen(*this);
}
