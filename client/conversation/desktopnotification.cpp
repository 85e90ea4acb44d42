#include "client/conversation/desktopnotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

void sendDesktopNotification(const DesktopNotification &notification)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage notify = QDBusMessage::createMethodCall(u"org.freedesktop.Notifications"_s,
                                                         u"/org/freedesktop/Notifications"_s,
                                                         u"org.freedesktop.Notifications"_s, u"Notify"_s);
    // app name, replaces id, icon, summary, body, actions, hints, timeout (-1: the server's own)
    notify << u"Jaserelle"_s << 0u << notification.icon << notification.summary << notification.body
           << QStringList() << QVariantMap{{u"urgency"_s, uchar(notification.urgency)}} << -1;
    bus.send(notify);
}

} // namespace jaserelle::client
