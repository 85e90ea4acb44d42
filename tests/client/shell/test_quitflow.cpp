#include "client/shell/conversationlist.h"
#include "tests/support/clientfixture.h"
#include "tests/support/enginefixture.h"

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

// Remembers when the conversations were closed: how many requests the server had seen by then.
class RecordingConversations : public ConversationList
{
public:
    explicit RecordingConversations(const ScriptedServer &server) : server_(server) {}
    void closeEveryConversation() override { closedAfterRequests.append(server_.requests.size()); }
    QList<qsizetype> closedAfterRequests;

private:
    const ScriptedServer &server_;
};

struct QuitFixture : EngineFixture
{
    RecordingConversations conversations{server};
    QuitFlow quit{state, engine, conversations};
};

} // namespace

// Leaving the client: the confirmation, the conversations, the logoff. The close box and the end on
// the logoff's answer are shown end to end.
class TestQuitFlow : public QObject
{
    Q_OBJECT

private slots:
    // The question returns at once; the answer, whenever it comes, decides.
    void cancelledTwiceThenConfirmed()
    {
        QuitFixture b;
        FrmQuitter &window = b.quit.frmQuitter();
        b.quit.run();
        QVERIFY(window.isVisible() && !b.state.quitConfirmed);
        child<QPushButton>(&window, u"cmdAnnuler"_s)->click();
        QVERIFY(!window.isVisible() && !b.state.quitConfirmed);
        b.quit.run();
        window.close(); // the title bar's close box
        QVERIFY(!b.state.quitConfirmed && b.conversations.closedAfterRequests.isEmpty());
        QTest::qWait(50);
        QCOMPARE(b.server.connections, 0);

        b.quit.run();
        QVERIFY(b.conversations.closedAfterRequests.isEmpty()); // nothing before the answer
        child<QPushButton>(&window, u"cmdQuitter"_s)->click();
        QVERIFY(b.state.quitConfirmed);
        QCOMPARE(b.conversations.closedAfterRequests, QList<qsizetype>{0}); // before the logoff
        QVERIFY(b.server.waitForRequests(1));
        QVERIFY(
            b.server.requests[0].startsWith("GET /softlogoff.php?login=jean&password=secret1 HTTP/1.1\r\n"));
    }

    void aSecondQuitCommandWhileAskingGivesOneLogoff()
    {
        QuitFixture b;
        b.quit.run();
        b.quit.run(); // the same window again
        QVERIFY(b.quit.frmQuitter().isVisible());
        child<QPushButton>(&b.quit.frmQuitter(), u"cmdQuitter"_s)->click();
        QVERIFY(b.server.waitForRequests(1));
        QTest::qWait(50);
        QCOMPARE(b.server.requests.size(), 1);
        QCOMPARE(b.conversations.closedAfterRequests.size(), 1);
        b.quit.run(); // once leaving, a further close request does not ask again
        QVERIFY(!b.quit.frmQuitter().isVisible());
    }
};

QTEST_MAIN(TestQuitFlow)
#include "test_quitflow.moc"
