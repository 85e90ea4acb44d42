#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/peerpackets.h"
#include "client/server/enginenotices.h"
#include "tests/support/communityserver.h"
#include "tests/support/member.h"

#include <QSignalSpy>
#include <QTcpSocket>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

// A member who leaves his client alone while the real server goes away and comes back: nobody
// presses OK on anything.
class TestUnattended : public QObject
{
    Q_OBJECT

    CommunityServer server;

private slots:
    void initTestCase() { QVERIFY2(server.start(), server.log().constData()); }

    // The outage box waits, alone, for somebody to read it; the refreshes carry on underneath,
    // a call can be answered meanwhile, and the first refresh after the server's return brings
    // the member back, the outage box replaced by the return's.
    void backOnlineWithinOneRefreshWithOneBoxUp()
    {
        Member thomas(server.hostWithPort(), u"127.0.0.2"_s);
        QVERIFY(thomas.logIn(u"thomas"_s));
        RecordingNotifier &boxes = thomas.desktop.notifier;
        boxes.attended = false;
        thomas.engine().setRefreshInterval(150);
        qsizetype mostUp = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout,
                         [&] { mostUp = std::max(mostUp, boxes.openBoxes().size()); });
        watch.start(5);

        server.stop();
        const Notice outage = *socketErrorOutcome(RequestKind::Refresh, server.hostWithPort()).notice;
        QVERIFY(QTest::qWaitFor([&] { return boxes.openBoxes() == QList<Notice>{outage}; }, 10000));
        QSignalSpy failed(&thomas.engine(), &RequestEngine::requestFailed);
        QVERIFY(QTest::qWaitFor([&] { return failed.size() >= 3; }, 10000)); // refreshes go on, silently

        // Somebody calls: the notification answers with the box still up.
        QTcpSocket caller;
        caller.connectToHost(QHostAddress(u"127.0.0.2"_s), peerPort);
        caller.write("CONVERSATIONREQUESTED:emmaTHISISTHEENDOFTHEPACKET");
        FrmConversation *window = nullptr;
        QVERIFY(QTest::qWaitFor([&] {
            window = thomas.conversation(1);
            return window && window->incomingForm().isVisible();
        }));
        child<QPushButton>(&window->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return caller.bytesAvailable() > 0; }));
        QCOMPARE(caller.readAll(), QByteArray("NOPROBLEMYACCEPTTOURCALLTHISISTHEENDOFTHEPACKET"));
        QVERIFY(window->isVisible());
        QCOMPARE(boxes.openBoxes(), QList<Notice>{outage});

        // The server returns: the first refresh that reaches it is answered.
        QSignalSpy handled(&thomas.engine(), &RequestEngine::replyHandled);
        QVERIFY2(server.restart(), server.log().constData());
        QVERIFY(QTest::qWaitFor([&] { return handled.size() >= 1; }, 10000));
        QCOMPARE(handled[0][0].value<RequestKind>(), RequestKind::Refresh);
        QCOMPARE(boxes.openBoxes(), QList<Notice>{backOnlineNotice(server.hostWithPort())});
        // A server still starting may take a connection and drop it: the boxes may have changed
        // places more than once meanwhile, but never stacked.
        QVERIFY(!boxes.withdrawn.isEmpty() && boxes.withdrawn.first() == outage);
        for (const Notice &gone : boxes.withdrawn)
            QVERIFY(gone == outage || gone == backOnlineNotice(server.hostWithPort()));
        QCOMPARE(mostUp, 1);

        // Online again as far as the others can tell: Emma sees him connected.
        Member emma(server.hostWithPort(), u"127.0.0.3"_s);
        QVERIFY(emma.logIn(u"emma"_s));
        QVERIFY(emma.addFavori(u"thomas"_s));
        QVERIFY(contactrow::isOnline(emma.row(emma.main().lvFavoris(), u"thomas"_s)));
    }
};

QTEST_MAIN(TestUnattended)
#include "test_unattended.moc"
