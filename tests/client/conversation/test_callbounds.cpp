#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/missedcalls.h"
#include "client/conversation/peerframer.h"
#include "client/conversation/peerlink.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "tests/support/clientfixture.h"

#include <QApplication>
#include <QLabel>
#include <QTcpSocket>
#include <QTreeWidget>
#include <memory>
#include <vector>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

// One client's conversation windows on its own loopback address, without a main window.
struct Desk
{
    Desk(const QString &pseudo, const QString &address, int ringMs = PeerLink::ringDeadlineMs)
    {
        state.userLogin = pseudo;
        state.localAddress = QHostAddress(address);
        desktop.clock.now = QTime(9, 5, 42);
        windows = std::make_unique<ConversationWindows>(state, platform);
        windows->setRingDeadline(ringMs);
    }
    // Windows that are not discarded, the spare included.
    int alive() const
    {
        int count = 0;
        for (int i = 1; i <= windows->conversationCount(); ++i)
            count += windows->conversation(i) != nullptr;
        return count;
    }

    ClientState state;
    RecordingPlatform desktop;
    Platform platform = desktop.platform();
    std::unique_ptr<ConversationWindows> windows;
};

// What a stranger does on the peer port: asks for a call as `pseudo` and keeps the line.
std::unique_ptr<QTcpSocket> callFrom(const QString &address, const QByteArray &pseudo)
{
    auto caller = std::make_unique<QTcpSocket>();
    caller->connectToHost(QHostAddress(address), peerPort);
    caller->write("CONVERSATIONREQUESTED:" + pseudo + "THISISTHEENDOFTHEPACKET");
    return caller;
}

// The deleted windows really go before anything is counted.
void flushDeletes()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

int visibleTopLevels()
{
    int count = 0;
    for (const QWidget *widget : QApplication::topLevelWidgets())
        count += widget->isVisible();
    return count;
}

} // namespace

// A call is bounded: it rings for a while and then is a missed call; one that the caller takes
// back goes without a word; and nothing a stranger does with connections leaves anything behind.
class TestCallBounds : public QObject
{
    Q_OBJECT

private slots:
    // Call, ring, hang up, again and again, the hang-ups both polite (a close) and rude (a reset):
    // no window, no notification and no box is left, and the client still takes calls.
    void aStormOfCallsAndHangUpsLeavesNothingBehind()
    {
        Desk bob(u"bob"_s, u"127.0.6.3"_s);
        QVERIFY(bob.windows->start());
        flushDeletes();
        const qsizetype baseline = QApplication::topLevelWidgets().size();
        for (int cycle = 0; cycle < 60; ++cycle) {
            std::unique_ptr<QTcpSocket> caller =
                callFrom(u"127.0.6.3"_s, "storm" + QByteArray::number(cycle));
            const int index = bob.windows->conversationCount();
            QVERIFY(QTest::qWaitFor([&] {
                FrmConversation *window = bob.windows->conversation(index);
                return window && window->link().state() == PeerLink::State::Ringing;
            }));
            if (cycle % 2)
                caller->abort();
            else
                caller->disconnectFromHost();
            QVERIFY(QTest::qWaitFor([&] { return bob.windows->conversation(index) == nullptr; }));
        }
        flushDeletes();
        QCOMPARE(bob.alive(), 1); // the spare
        QCOMPARE(visibleTopLevels(), 0);
        QVERIFY(QApplication::topLevelWidgets().size() <= baseline + 1); // at most the spare's successor
        QVERIFY(bob.desktop.notifier.shown.isEmpty());
        QVERIFY(bob.windows->missedCalls().isEmpty());

        std::unique_ptr<QTcpSocket> last = callFrom(u"127.0.6.3"_s, "real");
        QVERIFY(QTest::qWaitFor([&] {
            FrmConversation *window = bob.windows->conversation(bob.windows->conversationCount() - 1);
            return window && window->incomingForm().isVisible();
        }));
    }

    // Callers who ask and then say nothing fill the ringing places; once they have rung out they
    // are missed calls, their places are free again, and a real call rings.
    void heldCallsRingOutAndARealCallRings()
    {
        Desk bob(u"bob"_s, u"127.0.6.4"_s, 200);
        QVERIFY(bob.windows->start());
        std::vector<std::unique_ptr<QTcpSocket>> held;
        for (int i = 0; i < ConversationWindows::maxRinging; ++i) {
            held.push_back(callFrom(u"127.0.6.4"_s, "held" + QByteArray::number(i)));
            QVERIFY(QTest::qWaitFor([&] { return bob.windows->conversationCount() == i + 2; }));
        }
        std::unique_ptr<QTcpSocket> meanwhile = callFrom(u"127.0.6.4"_s, "early");
        QVERIFY(QTest::qWaitFor([&] { return meanwhile->bytesAvailable() > 0; }));
        QCOMPARE(meanwhile->readAll(), QByteArray("SORRYIREFUSEYOURCALLTHISISTHEENDOFTHEPACKET"));

        QVERIFY(QTest::qWaitFor(
            [&] { return bob.windows->missedCalls().calls().size() == ConversationWindows::maxRinging; }));
        QCOMPARE(bob.windows->missedCalls().calls().first().pseudo, u"held3"_s);
        for (const auto &caller : held) // each line closed, with no answer on it
            QVERIFY(QTest::qWaitFor([&] { return caller->state() == QAbstractSocket::UnconnectedState; }) &&
                    caller->readAll().isEmpty());
        QCOMPARE(bob.alive(), 1);

        Desk alice(u"alice"_s, u"127.0.6.5"_s);
        QVERIFY(alice.windows->start());
        QTreeWidget list;
        auto *row = new QTreeWidgetItem(&list, QStringList{u"bob"_s, {}, {}, {}, u"127.0.6.4"_s});
        contactrow::setOnline(row, true);
        alice.windows->callFromRow(CallSource::Favoris, row);
        const int index = bob.windows->conversationCount();
        QVERIFY(QTest::qWaitFor([&] {
            FrmConversation *window = bob.windows->conversation(index);
            return window && window->incomingForm().isVisible() && window->peerPseudo() == u"alice"_s;
        }));
        child<QPushButton>(&bob.windows->conversation(index)->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return alice.windows->conversation(1)->isVisible(); }));
        QVERIFY(bob.desktop.notifier.shown.isEmpty() && alice.desktop.notifier.shown.isEmpty());
    }

    // The user's side of a missed call: a line in the main window's status bar, newest first,
    // gone once clicked.
    void missedCallsAreShownUntilSeen()
    {
        MissedCalls calls;
        QCOMPARE(calls.summary(), QString());
        calls.add(u"toto"_s, QTime(9, 5, 59));
        QCOMPARE(calls.summary(), u"Appel manqué : toto à 09h05"_s);
        calls.add(u"titi"_s, QTime(14, 7));
        QCOMPARE(calls.summary(), u"Appels manqués : titi à 14h07, toto à 09h05"_s);
        for (int i = 0; i < 30; ++i)
            calls.add(u"m"_s + QString::number(i), QTime(10, i));
        QCOMPARE(calls.calls().size(), MissedCalls::kept);
        QCOMPARE(calls.summary(), u"Appels manqués : m29 à 10h29, m28 à 10h28, m27 à 10h27..."_s);
        QCOMPARE(calls.fullList().count(u'\n'), MissedCalls::kept - 1);

        ClientFixture f;
        QVERIFY(f.client->start());
        ConversationWindows &windows = f.client->conversations();
        QLabel *line = windows.missedCallsLabel();
        QVERIFY(line && line->isHidden());
        f.main().show();
        windows.setRingDeadline(50);
        // The spare of the moment was made with the full time: ring on the next one.
        std::unique_ptr<QTcpSocket> first = callFrom(u"127.0.0.1"_s, "zoe");
        QVERIFY(QTest::qWaitFor(
            [&] { return windows.conversation(1) && windows.conversation(1)->incomingForm().isVisible(); }));
        child<QPushButton>(&windows.conversation(1)->incomingForm(), u"cmdRefuseCall"_s)->click();
        std::unique_ptr<QTcpSocket> second = callFrom(u"127.0.0.1"_s, "zoe");
        QVERIFY(QTest::qWaitFor([&] { return line->isVisible(); }));
        QCOMPARE(line->text(), u"Appel manqué : zoe à 12h00"_s);
        QCOMPARE(f.main().statusText(), QString()); // the engine's own text is untouched
        QTest::mouseClick(line, Qt::LeftButton);
        QVERIFY(line->isHidden() && windows.missedCalls().isEmpty());
        QVERIFY(f.desktop.notifier.shown.isEmpty());
    }
};

QTEST_MAIN(TestCallBounds)
#include "test_callbounds.moc"
