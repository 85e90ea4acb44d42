#include "client/conversation/callannouncer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

void announceCall(const QString &caller)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage notify = QDBusMessage::createMethodCall(u"org.freedesktop.Notifications"_s,
                                                         u"/org/freedesktop/Notifications"_s,
                                                         u"org.freedesktop.Notifications"_s, u"Notify"_s);
    // app name, replaces id, icon, summary, body, actions, hints, timeout (-1: the server's own)
    notify << u"Jaserelle"_s << 0u << u"call-start"_s << u"Un appel !"_s
           << u"Un appel en provenance de "_s + caller << QStringList()
           << QVariantMap{{u"urgency"_s, uchar(2)}} << -1;
    // No answer is awaited: a missing service must not hold the ringing up.
    bus.send(notify);
}

} // namespace jaserelle::client
