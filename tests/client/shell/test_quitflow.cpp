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
    // The question returns at once; the answer, whenever it comes, decides. Asked again while it is
    // up, it is the same window, and one logoff goes.
    void cancelledTwiceThenConfirmedOnce()
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
        b.quit.run();
        QVERIFY(window.isVisible() &&
                b.conversations.closedAfterRequests.isEmpty()); // nothing before the answer
        child<QPushButton>(&window, u"cmdQuitter"_s)->click();
        QVERIFY(b.state.quitConfirmed);
        QCOMPARE(b.conversations.closedAfterRequests, QList<qsizetype>{0}); // before the logoff
        QVERIFY(b.server.waitForRequests(1));
        QVERIFY(
            b.server.requests[0].startsWith("GET /softlogoff.php?login=jean&password=secret1 HTTP/1.1\r\n"));
        QTest::qWait(50);
        QCOMPARE(b.server.requests.size(), 1);
        b.quit.run(); // once leaving, a further close request does not ask again
        QVERIFY(!window.isVisible());
        QCOMPARE(b.conversations.closedAfterRequests.size(), 1);
    }
};

QTEST_MAIN(TestQuitFlow)
#include "test_quitflow.moc"
