#include "client/server/replypipeline.h"
#include "client/shell/clientstate.h"
#include "client/shell/conversationlist.h"
#include "client/shell/frmquitter.h"
#include "client/shell/quitflow.h"
#include "client/shell/shellcommands.h"
#include "tests/support/clientfixture.h"

#include <QAction>
#include <QTimer>
#include <functional>

namespace {

// Remembers when the conversations were closed: how many requests the server had seen by then.
class RecordingConversations : public ConversationList
{
public:
    explicit RecordingConversations(const ScriptedServer &server) : server_(server) {}
    void closeEveryConversation() override { closedAfterRequests.append(server_.requests.size()); }
    void discard(int) override {}
    QList<qsizetype> closedAfterRequests;

private:
    const ScriptedServer &server_;
};

// The engine, its server and the quit flow, without the rest of the client.
struct QuitBench
{
    QuitBench()
    {
        state.serverHost = server.hostWithPort();
        state.userLogin = QStringLiteral("demo");
        state.userPassword = QStringLiteral("secret");
    }
    ScriptedServer server;
    RecordingPlatform desktop;
    ClientState state;
    ReplyPipeline pipeline;
    RequestEngine engine{state, desktop.notifier, desktop.lifetime, pipeline};
    RecordingConversations conversations{server};
    QuitFlow quit{state, engine, conversations};
};

// Acts as the user once the confirmation window is up. The question waits in an event loop of its
// own, so the answer has to come from inside that loop: a timer that looks for the window.
void whenAsked(QuitFlow &quit, std::function<void(FrmQuitter &)> act)
{
    auto *poll = new QTimer(&quit);
    QObject::connect(poll, &QTimer::timeout, &quit, [poll, &quit, act] {
        if (!quit.frmQuitter().isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(quit.frmQuitter());
    });
    poll->start(5);
}

void answerWhenAsked(QuitFlow &quit, const char *buttonName)
{
    whenAsked(quit, [buttonName](FrmQuitter &window) {
        window.findChild<QPushButton *>(QString::fromLatin1(buttonName))->click();
    });
}

} // namespace

// Leaving the client: the confirmation, the conversations, the logoff, the end.
class TestQuitFlow : public QObject
{
    Q_OBJECT

private slots:
    void cancelLeavesEverythingRunning()
    {
        QuitBench b;
        answerWhenAsked(b.quit, "cmdAnnuler");
        b.quit.run();
        QVERIFY(!b.quit.frmQuitter().isVisible());
        QVERIFY(!b.state.quitConfirmed);
        QVERIFY(b.conversations.closedAfterRequests.isEmpty());
        QTest::qWait(50);
        QCOMPARE(b.server.connections, 0);

        // Closed from its title bar: the same as cancelling.
        whenAsked(b.quit, [](FrmQuitter &window) { window.close(); });
        b.quit.run();
        QVERIFY(!b.state.quitConfirmed);
        QCOMPARE(b.server.connections, 0);
    }

    void confirmClosesConversationsThenLogsOff()
    {
        QuitBench b;
        answerWhenAsked(b.quit, "cmdQuitter");
        b.quit.run();
        QVERIFY(b.state.quitConfirmed);
        QCOMPARE(b.conversations.closedAfterRequests, QList<qsizetype>{0});
        QVERIFY(b.server.waitForRequests(1));
        QVERIFY(b.server.requests.at(0).startsWith(
            "GET /softlogoff.php?login=demo&password=secret HTTP/1.1\r\n"));
    }

    void eventsKeepFlowingWhileAsking()
    {
        QuitBench b;
        bool tickHandled = false;
        int secondWaitReturned = 0;
        QTimer::singleShot(0, &b.quit, [&] {
            // A timer fires meanwhile, and a second quit command waits on the same window.
            QTimer::singleShot(10, &b.quit, [&] { tickHandled = true; });
            QTimer::singleShot(0, &b.quit, [&] {
                b.quit.run();
                ++secondWaitReturned;
            });
            QTimer::singleShot(30, &b.quit, [&] {
                QVERIFY(tickHandled);
                b.quit.frmQuitter().findChild<QPushButton *>(QStringLiteral("cmdQuitter"))->click();
            });
        });
        b.quit.run();
        QCOMPARE(secondWaitReturned, 1);
        QVERIFY(b.server.waitForRequests(1));
        QTest::qWait(50);
        // Both waits ended on the one answer; one logoff, one round of closing.
        QCOMPARE(b.server.requests.size(), 1);
        QCOMPARE(b.conversations.closedAfterRequests.size(), 1);

        // Once leaving, a further close request does not ask again.
        b.quit.run();
        QVERIFY(!b.quit.frmQuitter().isVisible());
    }

    void closeBoxAsksAndTheLogoffAnswerEnds()
    {
        ClientFixture f;
        QVERIFY(f.logIn());
        FrmMain &main = f.client->frmMain();
        QuitFlow &quit = f.client->shellCommands().quitFlow();

        QString asked;
        whenAsked(quit, [&asked](FrmQuitter &window) {
            asked = window.windowTitle();
            window.findChild<QPushButton *>(QStringLiteral("cmdAnnuler"))->click();
        });
        QVERIFY(!main.close()); // the close box never closes the window itself
        QVERIFY(QTest::qWaitFor([&] { return !asked.isEmpty() && !quit.frmQuitter().isVisible(); }));
        QCOMPARE(asked, QStringLiteral("Quitter Jaserelle ???"));
        QVERIFY(main.isVisible());
        QVERIFY(!f.client->state().quitConfirmed);

        f.server.queue(QByteArray("SOFTLOGOFFSUCCESS"));
        const qsizetype before = f.server.requests.size();
        answerWhenAsked(quit, "cmdQuitter");
        main.findChild<QAction *>(QStringLiteral("MNU_Quitter"))->trigger();
        QVERIFY(QTest::qWaitFor([&] { return f.desktop.lifetime.ended(); }));
        QVERIFY(f.server.requests.at(before).startsWith("GET /softlogoff.php?"));

        // On the way out every window is closed: this time the main window goes without asking.
        QVERIFY(main.close());
        QTest::qWait(20);
        QVERIFY(!quit.frmQuitter().isVisible());
    }
};

QTEST_MAIN(TestQuitFlow)
#include "test_quitflow.moc"
