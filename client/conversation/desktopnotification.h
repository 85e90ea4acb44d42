#pragma once

#include <QString>

namespace jaserelle::client {

// One bubble of the desktop's notification service (freedesktop, over the session bus).
struct DesktopNotification
{
    QString icon;    // a theme icon name
    QString summary; // plain text
    QString body;    // may hold the service's small markup: escape what comes from elsewhere
    int urgency = 1; // 0 low, 1 normal, 2 critical
};

// Sent without waiting for an answer; silent when there is no session bus or no notification
// service, so nothing ever waits on the desktop.
void sendDesktopNotification(const DesktopNotification &notification);

} // namespace jaserelle::client
