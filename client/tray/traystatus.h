#pragma once

#include <QString>

namespace jaserelle::client {

// What the tray icon tells at a glance.
struct TrayStatus
{
    bool connected = false;
    int waitingMails = 0;
    bool ringing = false;
    int unreadMessages = 0;
};

// The picture the tray shows: the most pressing news wins, a ringing call before unread messages,
// those before waiting mails, and the connection state when nothing waits.
enum class TrayLook
{
    Offline,
    Online,
    MailWaiting,
    Unread,
    Ringing
};

TrayLook trayLook(const TrayStatus &status);

// The tray's tooltip: the connection state, then one line for each thing that waits.
QString trayToolTip(const TrayStatus &status);

} // namespace jaserelle::client
