#include "client/conversation/callannouncer.h"
#include "client/conversation/messagenotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTest>
#include <QVariantMap>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

namespace {

// The desktop's notification service, as a recorder on a bus of the test's own.
class NotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Bubble
    {
        uint replaces;
        QString icon, summary, body;
        int urgency;
        uint id;
    };
    QList<Bubble> bubbles;

public slots:
    uint Notify(const QString &, uint replaces, const QString &icon, const QString &summary,
                const QString &body, const QStringList &, const QVariantMap &hints, int)
    {
        const uint id = replaces ? replaces : ++lastId_;
        bubbles.append({replaces, icon, summary, body, hints.value(u"urgency"_s).toInt(), id});
        return id;
    }

private:
    uint lastId_ = 40;
};

} // namespace

// The real notifications, through a session bus started for the test.
class TestDesktopNotifications : public QObject
{
    Q_OBJECT

    QProcess daemon_;
    NotificationService service_;

private slots:
    void initTestCase()
    {
        daemon_.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        QVERIFY(daemon_.waitForStarted());
        QVERIFY(daemon_.waitForReadyRead(10000));
        const QByteArray address = daemon_.readLine().trimmed();
        // Read by the client's first use of the session bus, which comes after this.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QDBusConnection desktop = QDBusConnection::connectToBus(QString::fromUtf8(address), u"desktop"_s);
        QVERIFY(desktop.isConnected());
        QVERIFY(desktop.registerObject(u"/org/freedesktop/Notifications"_s, &service_,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(desktop.registerService(u"org.freedesktop.Notifications"_s));
    }
    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(u"desktop"_s);
        daemon_.kill();
        daemon_.waitForFinished();
    }

    // One bubble per member, the next message in the place of the last; the peer's text shown as
    // typed, whatever markup the service reads.
    void bubbles()
    {
        const auto notifier = makeDesktopMessageNotifier();
        notifier->messageArrived(u"alice"_s, u"<b>vite</b> & bien"_s);
        QTRY_COMPARE(service_.bubbles.size(), 1);
        const NotificationService::Bubble first = service_.bubbles.first();
        QCOMPARE(first.replaces, 0u);
        QCOMPARE(first.summary, u"Message de alice"_s);
        QCOMPARE(first.body, u"&lt;b&gt;vite&lt;/b&gt; &amp; bien"_s);
        QCOMPARE(first.urgency, 1);

        notifier->messageArrived(u"alice"_s, u"tu es là ?"_s);
        QTRY_COMPARE(service_.bubbles.size(), 2);
        QCOMPARE(service_.bubbles.last().replaces, first.id);
        notifier->messageArrived(u"bob"_s, u"salut"_s);
        QTRY_COMPARE(service_.bubbles.size(), 3);
        QCOMPARE(service_.bubbles.last().replaces, 0u);

        // A call is critical: the desktop keeps it up until it is seen.
        announceCall(u"alice"_s);
        QTRY_COMPARE(service_.bubbles.size(), 4);
        const NotificationService::Bubble call = service_.bubbles.last();
        QCOMPARE(std::tuple(call.summary, call.body, call.urgency),
                 std::tuple(u"Un appel !"_s, u"Un appel en provenance de alice"_s, 2));
    }
};

QTEST_MAIN(TestDesktopNotifications)
#include "test_desktopnotifications.moc"
