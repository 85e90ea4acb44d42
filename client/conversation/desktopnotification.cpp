#include "client/conversation/desktopnotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

void sendDesktopNotification(const DesktopNotification &notification, QObject *context,
                             std::function<void(uint id)> shown)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage notify = QDBusMessage::createMethodCall(u"org.freedesktop.Notifications"_s,
                                                         u"/org/freedesktop/Notifications"_s,
                                                         u"org.freedesktop.Notifications"_s, u"Notify"_s);
    // app name, replaces id, icon, summary, body, actions, hints, timeout (-1: the server's own)
    notify << u"Jaserelle"_s << notification.replaces << notification.icon << notification.summary
           << notification.body << QStringList() << QVariantMap{{u"urgency"_s, uchar(notification.urgency)}}
           << -1;
    if (!context || !shown) {
        bus.send(notify);
        return;
    }
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [watcher, shown = std::move(shown)] {
                         const QDBusPendingReply<uint> reply = *watcher;
                         shown(reply.isValid() ? reply.value() : 0u);
                         watcher->deleteLater();
                     });
}

} // namespace jaserelle::client
