#include "client/shell/frmmain.h"

#include "ui_frmmain.h"

#include <QCloseEvent>

FrmMain::FrmMain(QWidget *parent) : QMainWindow(parent), ui_(std::make_unique<Ui::frmMain>())
{
    ui_->setupUi(this);
    connect(ui_->MNU_Quitter, &QAction::triggered, this, &FrmMain::quitRequested);
}

FrmMain::~FrmMain() = default;

void FrmMain::setSoundMenu(bool hasDevice, bool soundEnabled)
{
    ui_->MNU_ActiveSound->setEnabled(hasDevice);
    ui_->MNU_DeActiveSound->setEnabled(hasDevice);
    if (!hasDevice)
        return;
    ui_->MNU_ActiveSound->setChecked(soundEnabled);
    ui_->MNU_DeActiveSound->setChecked(!soundEnabled);
}

void FrmMain::setStatusText(const QString &text)
{
    ui_->statusBar->showMessage(text);
}

QString FrmMain::statusText() const
{
    return ui_->statusBar->currentMessage();
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    // The window is never closed by its close box: that asks to quit, with confirmation.
    event->ignore();
    emit quitRequested();
}
