#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QAction;

namespace jaserelle::client {

struct ClientState;
struct Platform;
struct Services;
class FrmMain;
class RequestPort;
class TrayHost;
class TrayIcon;

// The tray icon kept in step with the client: connected or not as the server answers, the waiting
// mails as the envelope shows them, a call while its ringing window is up. Also the Options entry
// that makes the close box hide the main window into the tray, a choice kept in jaserelle.ini.
class MainTray : public QObject
{
    Q_OBJECT

public:
    MainTray(FrmMain &main, ClientState &state, Platform &platform, RequestPort &requests, TrayHost &host,
             std::function<void()> openMain);
    ~MainTray() override;

    TrayIcon &icon() { return *icon_; }
    // Messages that arrived where the user was not looking, until he looks.
    void setUnreadMessages(int count);
    // The main window has been entered: from now on the server's answers mean connected.
    void setSignedIn();
    bool signedIn() const { return signedIn_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void saveCloseToTray(bool on);
    void showMailCount();
    void showRinging();

    FrmMain &main_;
    ClientState &state_;
    Platform &platform_;
    TrayHost &host_;
    std::unique_ptr<TrayIcon> icon_;
    QAction *closeToTray_ = nullptr;
    bool signedIn_ = false;
};

std::unique_ptr<MainTray> installTray(Services &services, FrmMain &main, TrayHost &host,
                                      std::function<void()> openMain);

} // namespace jaserelle::client
