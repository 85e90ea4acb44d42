#include "client/history/installhistory.h"

#include "client/conversation/conversationwindows.h"
#include "client/history/frmhistory.h"
#include "client/history/historykeeper.h"
#include "client/history/historynotices.h"
#include "client/platform/platform.h"
#include "client/shell/clientstate.h"
#include "client/shell/frmmain.h"
#include "client/shell/services.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

HistoryDesk::HistoryDesk(Services &services, FrmMain &main, ConversationWindows &windows,
                         const QString &folder)
    : services_(services), keeper_(std::make_unique<HistoryKeeper>(folder, services.platform.notifier)),
      main_(&main)
{
    confirm = [this](const QString &question) {
        return QMessageBox::question(main_, u"Historique"_s, question, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No) == QMessageBox::Yes;
    };
    windows.setHistory(keeper_.get());

    QMenu *options = main.optionsMenu();
    options->addSeparator();
    QAction *keep = options->addAction(u"&Garder l'historique des conversations"_s);
    keep->setObjectName(u"MNU_GarderHistorique"_s);
    keep->setCheckable(true);
    keep->setChecked(keeper_->isEnabled());
    QAction *show = options->addAction(u"&Historique des conversations..."_s);
    show->setObjectName(u"MNU_Historique"_s);
    QAction *erase = options->addAction(u"&Effacer tout l'historique..."_s);
    erase->setObjectName(u"MNU_EffacerHistorique"_s);
    connect(keep, &QAction::toggled, this, [this](bool on) { keeper_->setEnabled(on); });
    connect(show, &QAction::triggered, this, &HistoryDesk::showHistory);
    connect(erase, &QAction::triggered, this, &HistoryDesk::deleteEverything);
}

HistoryDesk::~HistoryDesk() = default;

FrmHistory &HistoryDesk::frmHistory()
{
    if (!window_)
        window_ = std::make_unique<FrmHistory>(*keeper_, services_.state.userLogin);
    return *window_;
}

void HistoryDesk::showHistory()
{
    FrmHistory &window = frmHistory();
    window.refresh();
    window.show();
    window.raise();
    window.activateWindow();
}

void HistoryDesk::deleteEverything()
{
    if (!confirm(historyDeletionQuestion()))
        return;
    if (!keeper_->clearAll())
        return; // the keeper has said why
    if (window_ && window_->isVisible())
        window_->refresh();
    services_.platform.notifier.notify(historyDeletedNotice());
}

std::unique_ptr<HistoryDesk> installHistory(Services &services, FrmMain &main, ConversationWindows &windows,
                                            const QString &folder)
{
    return std::make_unique<HistoryDesk>(services, main, windows, folder);
}

} // namespace jaserelle::client
