#include "client/shell/frmtrytoconnect.h"

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
