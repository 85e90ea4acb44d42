#include "client/server/frminfo.h"
#include "client/server/loginreplies.h"
#include "client/server/loginreply.h"
#include "client/shell/frmtrytoconnect.h"
#include "tests/support/clientfixture.h"

#include <QLabel>
#include <QTextEdit>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

// The answers to the login and the logoff, from the reply text to the windows the user sees. A
// refused login is shown against the real server, in the end-to-end main window test.
class TestLoginReplies : public QObject
{
    Q_OBJECT

    static FrmInfo *waitForInfo(ClientFixture &f)
    {
        const auto info = [&] { return f.client->loginReplies().frmInfo(); };
        return QTest::qWaitFor([&] { return info() != nullptr; }) ? info() : nullptr;
    }

private slots:
    // The message between the bars, what the handlers after this one see; without a closing
    // "|" the rest of the reply, white space trimmed.
    void messageOfAnAcceptedLogin()
    {
        const QString http = u"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n"_s;
        const std::tuple<QString, QString, bool, bool> rows[] = {
            {http + u"YOURLOGINISOK||"_s, u""_s, false, true},
            {http + u"YOURLOGINISOK|Bienvenue !|ignored"_s, u"Bienvenue !"_s, true, true},
            {u"YOURLOGINISOK|YOURLOGINISOK|Salut|"_s, u"Salut"_s, true, true},
            {u"YOURLOGINISOK|Compte YOUDONTHAVETHEPERMISSIONTOUSEJASERELLE suspendu.|"_s,
             u"Compte  suspendu."_s, true, false},
            {http + u"YOURLOGINISOK|Bonjour\r\n"_s, u"Bonjour"_s, true, true},
            {http + u"YOURLOGINISOK\r\n"_s, u""_s, false, true},
        };
        for (auto [reply, message, hasMessage, permitted] : rows) {
            const LoginMessage taken = takeLoginMessage(reply);
            QCOMPARE(taken.text, message);
            QCOMPARE(taken.hasMessage, hasMessage);
            QCOMPARE(taken.permitted, permitted);
            QCOMPARE(reply, message);
        }
    }

    // The message is read before anything else happens; the handlers after it see only the message.
    void serverMessageComesFirst()
    {
        ClientFixture f;
        QVERIFY(f.client->start()); // the main window's load registers the real handlers first
        QStringList seen;
        f.client->pipeline().setHandler(ReplySlot::Refresh, [&](QString &reply) {
            seen.append(reply);
            return HandlerResult::Continue;
        });
        // Windows-1252 on the wire; the keyword in the headers goes with them.
        f.server.queue(Answer{"HTTP/1.1 200 OK\r\nX-Note: REFRESHISOK\r\n\r\n"
                              "YOURLOGINISOK|REFRESHISOK \xE0 22h.|REFRESHISOK|"});
        f.submitLogin(u"demo"_s, u"secret"_s);
        FrmInfo *info = waitForInfo(f);
        QVERIFY(info && info->isVisible());
        QCOMPARE(seen, QStringList{u"REFRESHISOK à 22h."_s});
        QCOMPARE(child<QLabel>(info, u"lblUnMessagePour"_s)->text(), u"Un message pour demo :"_s);
        QCOMPARE(child<QTextEdit>(info, u"txtBoxInfo"_s)->toPlainText(), u"REFRESHISOK à 22h."_s);
        QVERIFY(!f.client->frmTryToConnect().isVisible() && !f.main().isVisible());
        QCOMPARE(f.server.requests.size(), 1); // nothing more until the message is read

        child<QPushButton>(info, u"cmdOk"_s)->click();
        QVERIFY(f.server.waitForRequests(2));
        QVERIFY(f.server.requests[1].startsWith("GET /softrefresh2.php"));
        QVERIFY(f.main().isVisible() && f.engine().refreshTimer().isActive());
        QCOMPARE(f.client->loginReplies().frmInfo(), nullptr); // read once, then gone
    }

    void accountWithoutPermissionEndsOnceTheMessageIsRead()
    {
        ClientFixture f;
        f.server.queue(QByteArray("YOURLOGINISOK|YOUDONTHAVETHEPERMISSIONTOUSEJASERELLE|"));
        QVERIFY(f.client->start());
        f.submitLogin(u"demo"_s, u"secret"_s);
        FrmInfo *info = waitForInfo(f);
        QVERIFY(info && !f.desktop.lifetime.ended());
        // Closed from its title bar, the notice is read all the same: no client left with no window.
        info->close();
        QVERIFY(QTest::qWaitFor([&] { return f.desktop.lifetime.ended(); }));
        QCOMPARE(f.server.requests.size(), 1);
        QVERIFY(!f.main().isVisible());
    }

    void answerThatIsNeitherGivesTheLoginWindowBack()
    {
        ClientFixture f;
        f.server.queue(Answer{"HTTP/1.1 404 Not Found\r\n\r\n<h1>Not Found</h1>"});
        QVERIFY(f.client->start());
        f.submitLogin(u"demo"_s, u"secret"_s);
        QVERIFY(QTest::qWaitFor([&] { return f.client->frmLogin().isVisible(); }));
        QCOMPARE(f.desktop.notifier.titles(), QStringList{u"Attention!"_s});
        QVERIFY(!f.client->frmTryToConnect().isVisible() && !f.desktop.lifetime.ended());
    }

    // Keywords inside another reply do nothing; the logoff's own answer ends the application
    // before any handler after its own.
    void keywordsInsideOtherRepliesThenTheLogoff()
    {
        ClientFixture f;
        QVERIFY(f.logIn());
        bool laterHandlerRan = false;
        f.client->pipeline().setHandler(ReplySlot::NoSearchResult, [&](QString &) {
            laterHandlerRan = true;
            return HandlerResult::Continue;
        });
        // A mail another member wrote comes back inside the mail list.
        f.server.queue(QByteArray("HERESTARTMAILLISTbob~YOURLOGINISOK|YOUDONTHAVETHEPERMISSIONTOUSEJASERELLE|"
                                  "YOURLOGINISWRONG SOFTLOGOFFSUCCESS~"));
        f.engine().start({RequestKind::ReadMails});
        QVERIFY(f.server.waitForRequests(3) && f.waitIdle());
        QVERIFY(!f.desktop.lifetime.ended() && f.desktop.notifier.shown.isEmpty());
        QCOMPARE(f.client->loginReplies().frmInfo(), nullptr);
        QVERIFY(!f.client->frmLogin().isVisible());

        f.server.queue(QByteArray("SOFTLOGOFFSUCCESS NOSEARCHRESULT"));
        f.engine().start({RequestKind::Logoff});
        QVERIFY(QTest::qWaitFor([&] { return f.desktop.lifetime.ended(); }));
        QVERIFY(!laterHandlerRan && f.desktop.notifier.shown.isEmpty());
    }
};

QTEST_MAIN(TestLoginReplies)
#include "test_loginreplies.moc"
