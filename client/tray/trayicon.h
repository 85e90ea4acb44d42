#pragma once

#include "client/tray/traystatus.h"

#include <QMenu>
#include <QObject>

class QAction;

namespace jaserelle::client {

class TrayHost;

// The client's icon in the notification area: its picture and tooltip follow the status, and its
// menu offers the main window, the sound switch and the way out. It only shows state; what the
// menu asks for goes out as signals. Nothing is shown when the desktop has no tray.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    explicit TrayIcon(TrayHost &host, QObject *parent = nullptr);
    ~TrayIcon() override;

    const TrayStatus &status() const { return status_; }
    TrayLook look() const { return trayLook(status_); }
    QMenu &menu() { return menu_; }

    void setConnected(bool connected);
    void setWaitingMails(int count);
    void setRinging(bool ringing);
    void setUnreadMessages(int count);
    // The sound entry's check mark; disabled when the machine cannot play sounds.
    void setSound(bool hasDevice, bool enabled);

signals:
    void openRequested();
    void soundSwitchRequested(bool on);
    void quitRequested();

private:
    void update();

    TrayHost &host_;
    TrayStatus status_;
    QMenu menu_;
    QAction *open_ = nullptr;
    QAction *sound_ = nullptr;
    QAction *quit_ = nullptr;
};

// The picture for each look, drawn from the client's own artwork.
QIcon trayPicture(TrayLook look);

} // namespace jaserelle::client
