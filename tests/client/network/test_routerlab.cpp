// Each port mapper against a real miniupnpd, in a home router made of network namespaces
// (router-lab); skipped, with the reason, where namespaces cannot be made. The running client's
// mapping is proven in the homes lab (e2e_test_homes_lab).
#include "client/network/doorstate.h"
#include "client/network/natpmpmapper.h"
#include "client/network/upnpmapper.h"

#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace jaserelle::client;

const QString lab = QStringLiteral(ROUTER_LAB);

static int runLab(const QStringList &args, QByteArray *output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("/bin/sh"), QStringList{lab} + args);
    p.waitForFinished(60000);
    if (output)
        *output = p.readAll();
    return p.exitCode();
}

class TestRouterLab : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    QTcpServer peerPort_;

    // Whether a connection from the internet to the router's public address reaches our port.
    bool reachedFromInternet()
    {
        QProcess p;
        p.start(QStringLiteral("/bin/sh"),
                {lab, QStringLiteral("internet"), dir_.path(), QStringLiteral("bash"), QStringLiteral("-c"),
                 QStringLiteral("exec 3<>/dev/tcp/11.22.33.44/13196 && echo knock >&3")});
        // The connection arrives while the child runs: keep the event loop turning.
        QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000);
        const bool connected = p.exitCode() == 0;
        QTest::qWaitFor([&] { return peerPort_.hasPendingConnections(); }, connected ? 3000 : 10);
        const std::unique_ptr<QTcpSocket> arrived(peerPort_.nextPendingConnection());
        return connected && arrived;
    }

private slots:
    void initTestCase()
    {
        QByteArray why;
        const int rc = runLab({QStringLiteral("up"), dir_.path()}, &why);
        if (rc == 77)
            QSKIP(why.trimmed().constData());
        QVERIFY2(rc == 0, why.constData());
        QVERIFY(peerPort_.listen(QHostAddress(QStringLiteral("192.168.77.2")), 13196));
    }
    void cleanupTestCase() { runLab({QStringLiteral("down"), dir_.path()}); }

    // Mapping again (a renewal, or a restart after a crash) takes over our own forward.
    void forwardsCarryACallAndAreGivenBack()
    {
        QVERIFY(!reachedFromInternet()); // the stateful router drops it before any forward
        for (const QString &method : {QStringLiteral("UPnP"), QStringLiteral("NAT-PMP")}) {
            const auto mapper = [&] {
                return method == u"UPnP" ? std::unique_ptr<PortMapper>(new UpnpMapper)
                                         : std::make_unique<NatPmpMapper>();
            };
            const auto first = mapper();
            const MappingOutcome o = first->map(13196, std::chrono::seconds(3600));
            QCOMPARE(o.status, MappingOutcome::Status::Mapped);
            QCOMPARE(o.method + u' ' + o.externalAddress + u' ' + o.internalAddress,
                     method + QStringLiteral(" 11.22.33.44 192.168.77.2"));
            QVERIFY(method == u"UPnP" || o.lease.count() > 0);
            QCOMPARE(judgeCallable(o, ProbeAnswer::Unknown), Callable::Yes);
            QVERIFY(reachedFromInternet());
            QCOMPARE(mapper()->map(13196, std::chrono::seconds(3600)).status, MappingOutcome::Status::Mapped);
            first->unmap(13196);
            mapper()->unmap(13196);
            QVERIFY(!reachedFromInternet());
        }
    }
};

QTEST_GUILESS_MAIN(TestRouterLab)
#include "test_routerlab.moc"
