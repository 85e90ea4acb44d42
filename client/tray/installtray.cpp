#include "client/tray/installtray.h"

#include "client/contacts/mailindicator.h"
#include "client/platform/platform.h"
#include "client/server/requestport.h"
#include "client/shell/clientstate.h"
#include "client/shell/frmmain.h"
#include "client/shell/preferencesfile.h"
#include "client/shell/services.h"
#include "client/tray/trayhost.h"
#include "client/tray/trayicon.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMenu>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

// The incoming-call window, whichever conversation it belongs to.
constexpr QStringView ringingWindowName = u"frmIncome";

} // namespace

MainTray::MainTray(FrmMain &main, ClientState &state, Platform &platform, RequestPort &requests,
                   TrayHost &host, std::function<void()> openMain)
    : main_(main), state_(state), platform_(platform), host_(host), icon_(std::make_unique<TrayIcon>(host))
{
    closeToTray_ = new QAction(u"&Réduire dans la zone de notification à la fermeture"_s, &main);
    closeToTray_->setObjectName(u"MNU_CloseToTray"_s);
    closeToTray_->setCheckable(true);
    closeToTray_->setChecked(loadPreferences(state.appDir).closeToTray);
    main.optionsMenu()->addSeparator();
    main.optionsMenu()->addAction(closeToTray_);
    connect(closeToTray_, &QAction::toggled, this, &MainTray::saveCloseToTray);
    // Hiding is only offered while there is a tray to come back from; otherwise the close box asks
    // to quit, as it always did.
    main.setCloseHides([this] { return closeToTray_->isChecked() && host_.available(); });

    connect(icon_.get(), &TrayIcon::openRequested, this, std::move(openMain));
    connect(icon_.get(), &TrayIcon::soundSwitchRequested, &main, [&main](bool on) {
        if (on)
            emit main.soundOnRequested();
        else
            emit main.soundOffRequested();
    });
    // The same way out as the menu's "Quitter": the confirmation, then the logoff.
    connect(icon_.get(), &TrayIcon::quitRequested, &main, &FrmMain::quitRequested);
    connect(&icon_->menu(), &QMenu::aboutToShow, this,
            [this] { icon_->setSound(platform_.sound.hasDevice(), state_.soundEnabled); });
    icon_->setSound(platform_.sound.hasDevice(), state_.soundEnabled);

    connect(&requests, &RequestPort::replyHandled, this, [this] {
        icon_->setConnected(signedIn_);
        showMailCount();
    });
    connect(&requests, &RequestPort::requestFailed, this, [this] { icon_->setConnected(false); });
    connect(&requests, &RequestPort::startFailed, this, [this] { icon_->setConnected(false); });
    qApp->installEventFilter(this);
}

MainTray::~MainTray()
{
    main_.setCloseHides({});
}

void MainTray::setUnreadMessages(int count)
{
    icon_->setUnreadMessages(count);
}

void MainTray::setSignedIn()
{
    signedIn_ = true;
    icon_->setConnected(true);
}

void MainTray::saveCloseToTray(bool on)
{
    Preferences preferences = loadPreferences(state_.appDir);
    preferences.closeToTray = on;
    // The choice holds for this run whatever happens; the user hears only that it will not last.
    if (!savePreferences(state_.appDir, preferences))
        platform_.notifier.notify(preferencesNotSavedNotice());
}

void MainTray::showMailCount()
{
    const bool waiting = mailsWaiting(*main_.pctbMail());
    icon_->setWaitingMails(waiting ? std::max(1, main_.lblMailsNumber()->text().toInt()) : 0);
}

void MainTray::showRinging()
{
    bool ringing = false;
    for (const QWidget *window : QApplication::topLevelWidgets())
        ringing |= window->objectName() == ringingWindowName && window->isVisible();
    icon_->setRinging(ringing);
}

bool MainTray::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::Show || type == QEvent::Hide || type == QEvent::Destroy) &&
        watched->isWidgetType() && watched->objectName() == ringingWindowName) {
        // After the event: the window's visibility is settled once it has been delivered.
        QMetaObject::invokeMethod(this, &MainTray::showRinging, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

std::unique_ptr<MainTray> installTray(Services &services, FrmMain &main, TrayHost &host,
                                      std::function<void()> openMain)
{
    return std::make_unique<MainTray>(main, services.state, services.platform, services.requests, host,
                                      std::move(openMain));
}

} // namespace jaserelle::client
