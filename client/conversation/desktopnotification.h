#pragma once

#include <QString>
#include <functional>

class QObject;

namespace jaserelle::client {

// One bubble of the desktop's notification service (freedesktop, over the session bus).
struct DesktopNotification
{
    QString icon;      // a theme icon name
    QString summary;   // plain text
    QString body;      // may hold the service's small markup: escape what comes from elsewhere
    int urgency = 1;   // 0 low, 1 normal, 2 critical
    uint replaces = 0; // a bubble shown before, whose place this one takes (0: a new one)
};

// Sent without waiting for an answer; silent when there is no session bus or no notification
// service, so nothing ever waits on the desktop. With `context`, `shown` later receives the id the
// service gave the bubble (0 when the service refused it), unless `context` is gone by then.
void sendDesktopNotification(const DesktopNotification &notification, QObject *context = nullptr,
                             std::function<void(uint id)> shown = {});

} // namespace jaserelle::client
