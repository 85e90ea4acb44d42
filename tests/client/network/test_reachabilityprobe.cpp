// The probe end to end: the real jaserelle-server knocks on the member's peer port, the real
// client's listener takes the knock without showing anything and sends back the token of its own
// question only, and the verdict lands on the shared Reachability. Each 127.0.0.x is a home of its own.
#include "client/conversation/peerlistener.h"
#include "client/network/networkdoor.h"
#include "client/network/portmapping.h"
#include "client/network/reachability.h"
#include "client/network/reachabilityprobe.h"
#include "tests/support/communityserver.h"
#include "tests/support/member.h"

#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

class TestReachabilityProbe : public QObject
{
    Q_OBJECT

private slots:
    void replies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("answer");
        const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 17\r\n\r\n";
        QTest::newRow("reachable") << ok + "PEERPORTREACHABLE" << int(ProbeAnswer::Reachable);
        QTest::newRow("unreachable") << ok + "PEERPORTUNREACHABLE" << int(ProbeAnswer::Unreachable);
        QTest::newRow("not now") << ok + "PEERPORTUNKNOWN" << int(ProbeAnswer::Unknown);
        QTest::newRow("legacy server")
            << QByteArray("HTTP/1.1 404 Not Found\r\n\r\nx") << int(ProbeAnswer::NotOffered);
        QTest::newRow("refused") << QByteArray("HTTP/1.1 403 Forbidden\r\n\r\nPEERPORTREACHABLE")
                                 << int(ProbeAnswer::Unknown);
        QTest::newRow("cut short") << QByteArray("HTTP/1.1 200 OK\r\nContent-") << int(ProbeAnswer::Unknown);
        QTest::newRow("nothing") << QByteArray() << int(ProbeAnswer::Unknown);
    }
    void replies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, answer);
        QCOMPARE(int(parseProbeReply(reply)), answer);
    }

    void publicAddresses()
    {
        for (const char *a : {"11.22.33.44", "8.8.8.8", "100.128.0.1", "192.169.0.1"})
            QVERIFY2(isPublicIpv4(QString::fromLatin1(a)), a);
        for (const char *a : {"192.168.1.1", "10.1.2.3", "100.64.0.1", "172.31.255.255", "127.0.0.1",
                              "203.0.113.7", "169.254.1.1", "224.0.0.1", "1.2.3", "1.2.3.400", ""})
            QVERIFY2(!isPublicIpv4(QString::fromLatin1(a)), a);
    }

    void theServerKnocksAndTheClientShowsNothing()
    {
        CommunityServer server;
        QVERIFY2(server.start(), server.log().constData());
        Member demo(server.hostWithPort(), u"127.0.0.2"_s);
        QVERIFY(demo.logIn(u"demo"_s));
        const int windows = demo.client->conversations().conversationCount();

        Reachability &reachability = demo.client->reachability();
        NetworkDoor door(demo.client->state(), reachability,
                         std::make_unique<PortMapping>(std::vector<std::unique_ptr<PortMapper>>{}, 13196,
                                                       PortMapping::Timing{}));
        door.watch(&demo.main());
        door.probe();
        QTRY_COMPARE_WITH_TIMEOUT(reachability.state(), Reachability::State::Reachable, 10000);
        QVERIFY(demo.main().statusBar()->toolTip().endsWith(u"Joignable depuis Internet : oui"_s));
        QTRY_COMPARE(demo.client->conversations().listener().waitingCount(), 0);
        QCOMPARE(demo.client->conversations().conversationCount(), windows);
        QVERIFY(demo.desktop.notifier.shown.isEmpty());

        // Another computer of the same home asks: the knock reaches this client, which does not
        // know that token and sends nothing back, so the other computer is told no.
        Reachability another;
        ReachabilityProbe probe(demo.client->state(), another);
        QSignalSpy answered(&probe, &ReachabilityProbe::answered);
        probe.ask();
        QVERIFY(answered.wait(10000));
        QCOMPARE(answered.first().first().value<ProbeAnswer>(), ProbeAnswer::Unreachable);
    }
};

QTEST_MAIN(TestReachabilityProbe)
#include "test_reachabilityprobe.moc"
