// The port mapping against a real miniupnpd, in a home router made of network namespaces
// (router-lab): the forward is made, carries a connection from the "internet" to this computer,
// and is gone once removed. Skipped, with the reason, where namespaces cannot be made. The
// running client's mapping on its worker thread is proven in the homes lab (e2e_test_homes_lab).
#include "client/network/doorstate.h"
#include "client/network/natpmpmapper.h"
#include "client/network/upnpmapper.h"

#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace jaserelle::client;

namespace {

const QString lab = QStringLiteral(ROUTER_LAB);

int runLab(const QStringList &args, QByteArray *output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("/bin/sh"), QStringList{lab} + args);
    p.waitForFinished(60000);
    if (output)
        *output = p.readAll();
    return p.exitCode();
}

} // namespace

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
        bool arrived = false;
        while (QTcpSocket *s = peerPort_.nextPendingConnection()) {
            arrived = true;
            delete s;
        }
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

    void upnpForwardCarriesACallAndIsGivenBack()
    {
        QVERIFY(!reachedFromInternet()); // the stateful router drops it before any forward
        UpnpMapper upnp;
        const MappingOutcome o = upnp.map(13196, std::chrono::seconds(3600));
        QCOMPARE(o.status, MappingOutcome::Status::Mapped);
        QCOMPARE(o.method, QStringLiteral("UPnP"));
        QCOMPARE(o.externalAddress, QStringLiteral("11.22.33.44"));
        QCOMPARE(o.internalAddress, QStringLiteral("192.168.77.2"));
        QCOMPARE(judgeCallable(o, ProbeAnswer::Unknown), Callable::Yes);
        QVERIFY(reachedFromInternet());
        // Mapping again (a renewal, or a restart after a crash) takes over our own forward.
        QCOMPARE(UpnpMapper().map(13196, std::chrono::seconds(3600)).status, MappingOutcome::Status::Mapped);
        upnp.unmap(13196);
        UpnpMapper().unmap(13196);
        QVERIFY(!reachedFromInternet());
    }

    void natPmpForwardToo()
    {
        NatPmpMapper pmp;
        const MappingOutcome o = pmp.map(13196, std::chrono::seconds(3600));
        QCOMPARE(o.status, MappingOutcome::Status::Mapped);
        QCOMPARE(o.externalAddress, QStringLiteral("11.22.33.44"));
        QCOMPARE(o.internalAddress, QStringLiteral("192.168.77.2"));
        QVERIFY(o.lease.count() > 0);
        QVERIFY(reachedFromInternet());
        pmp.unmap(13196);
        QVERIFY(!reachedFromInternet());
    }
};

QTEST_GUILESS_MAIN(TestRouterLab)
#include "test_routerlab.moc"
