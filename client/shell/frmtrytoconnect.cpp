#include "client/shell/frmtrytoconnect.h"

#include "ui_frmtrytoconnect.h"

#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QScreen>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

FrmTryToConnect::FrmTryToConnect(const QString &serverHost, QWidget *parent)
    : CentredOnFirstShow(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(std::make_unique<Ui::frmTryToConnect>())
{
    ui_->setupUi(this);
    connect(ui_->cmdCancel, &QPushButton::clicked, this, &FrmTryToConnect::cancelChosen);
    QLabel *label = ui_->lblTryToConnect;
    label->setText(u"Tentative de connection au serveur "_s + serverHost + u" en cours..."_s);
    // The notice reads best on one line: the window widens for it, up to a width that a long
    // host name cannot push off the screen, where the text wraps instead.
    const QMargins margins = layout()->contentsMargins();
    const int oneLine =
        label->fontMetrics().horizontalAdvance(label->text()) + margins.left() + margins.right() + 8;
    const int widest = qMin(2 * width(), screen()->availableGeometry().width() - 2 * margins.left());
    setFixedSize(qMax(qMin(oneLine, widest), qMin(width(), widest)), height());
}

FrmTryToConnect::~FrmTryToConnect() = default;

} // namespace jaserelle::client
