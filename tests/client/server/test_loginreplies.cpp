#include "client/server/frminfo.h"
#include "client/server/loginreplies.h"
#include "client/server/loginreply.h"
#include "client/shell/frmtrytoconnect.h"
#include "tests/support/clientfixture.h"

#include <QLabel>
#include <QTextEdit>

// The answers to the login and the logoff, from the reply text to the windows the user sees.
class TestLoginReplies : public QObject
{
    Q_OBJECT

private:
    static QPushButton *button(QWidget *window, const char *name)
    {
        return window->findChild<QPushButton *>(QString::fromLatin1(name));
    }

    static bool sentTo(const QByteArray &request, const char *path)
    {
        return request.startsWith(QByteArray("GET /") + path);
    }

private slots:
    void messageOfAnAcceptedLogin_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("hasMessage");
        QTest::addColumn<bool>("permitted");

        const QString http = QStringLiteral("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n");
        QTest::newRow("no message") << http + "YOURLOGINISOK||"
                                    << "" << false << true;
        QTest::newRow("message between the separators")
            << http + "YOURLOGINISOK|Bienvenue sur Jaserelle !|ignored"
            << "Bienvenue sur Jaserelle !" << true << true;
        QTest::newRow("every repeat of the keyword goes") << "YOURLOGINISOK|YOURLOGINISOK|Salut|"
                                                          << "Salut" << true << true;
        QTest::newRow("permission keyword alone")
            << http + "YOURLOGINISOK|YOUDONTHAVETHEPERMISSIONTOUSEJASERELLE|"
            << "" << true << false;
        QTest::newRow("permission keyword inside the text")
            << "YOURLOGINISOK|Compte YOUDONTHAVETHEPERMISSIONTOUSEJASERELLE suspendu.|"
            << "Compte  suspendu." << true << false;
        // No "|" closes the message: the rest of the reply is the message, white space trimmed.
        QTest::newRow("unclosed message") << http + "YOURLOGINISOK|Bonjour\r\n"
                                          << "Bonjour" << true << true;
        QTest::newRow("unclosed refusal still refuses")
            << "YOURLOGINISOK|YOUDONTHAVETHEPERMISSIONTOUSEJASERELLE"
            << "" << true << false;
        QTest::newRow("keyword without any separator") << http + "YOURLOGINISOK\r\n"
                                                       << "" << false << true;
    }

    void messageOfAnAcceptedLogin()
    {
        QFETCH(QString, reply);
        QFETCH(QString, message);
        QFETCH(bool, hasMessage);
        QFETCH(bool, permitted);

        const LoginMessage taken = takeLoginMessage(reply);
        QCOMPARE(taken.text, message);
        QCOMPARE(taken.hasMessage, hasMessage);
        QCOMPARE(taken.permitted, permitted);
        QCOMPARE(reply, message); // what the handlers after this one see
    }

    void serverMessageComesFirst()
    {
        ClientFixture f;
        // The server speaks Windows-1252.
        f.server.queue(QByteArray("YOURLOGINISOK|Maintenance ce soir \xE0 22h.|"));
        QVERIFY(f.client->start());
        f.submitLogin(QStringLiteral("demo"), QStringLiteral("secret"));
        QVERIFY(QTest::qWaitFor([&] { return f.client->loginReplies().frmInfo() != nullptr; }));

        FrmInfo *info = f.client->loginReplies().frmInfo();
        QVERIFY(info->isVisible());
        QCOMPARE(info->findChild<QLabel *>(QStringLiteral("lblUnMessagePour"))->text(),
                 QStringLiteral("Un message pour demo :"));
        QCOMPARE(info->findChild<QTextEdit *>(QStringLiteral("txtBoxInfo"))->toPlainText(),
                 QStringLiteral("Maintenance ce soir à 22h."));
        QVERIFY(!f.client->frmTryToConnect().isVisible());
        QVERIFY(!f.client->frmMain().isVisible());
        QCOMPARE(f.server.requests.size(), 1); // nothing more until the message is read

        button(info, "cmdOk")->click();
        QVERIFY(f.server.waitForRequests(2));
        QVERIFY(sentTo(f.server.requests.at(1), "softrefresh2.php"));
        QVERIFY(f.client->frmMain().isVisible());
        QVERIFY(f.client->engine().refreshTimer().isActive());
        QCOMPARE(f.client->loginReplies().frmInfo(), nullptr); // read once, then gone
        QVERIFY(!f.desktop.lifetime.ended());
    }

    void accountWithoutPermissionEndsOnceTheMessageIsRead()
    {
        ClientFixture f;
        f.server.queue(QByteArray("YOURLOGINISOK|YOUDONTHAVETHEPERMISSIONTOUSEJASERELLE|"));
        QVERIFY(f.client->start());
        f.submitLogin(QStringLiteral("demo"), QStringLiteral("secret"));
        QVERIFY(QTest::qWaitFor([&] { return f.client->loginReplies().frmInfo() != nullptr; }));
        FrmInfo *info = f.client->loginReplies().frmInfo();
        QCOMPARE(info->message(), QString());
        QVERIFY(!f.desktop.lifetime.ended());

        // Closing the notice from its title bar reads it as well: the client must not stay
        // running with no window at all.
        info->close();
        QVERIFY(QTest::qWaitFor([&] { return f.desktop.lifetime.ended(); }));
        QCOMPARE(f.server.requests.size(), 1);
        QVERIFY(!f.client->frmMain().isVisible());
    }

    void refusedLoginGivesTheLoginWindowBack()
    {
        ClientFixture f;
        f.server.queue(QByteArray("YOURLOGINISWRONG"));
        QVERIFY(f.client->start());
        f.submitLogin(QStringLiteral("demo"), QStringLiteral("faux"));
        QVERIFY(QTest::qWaitFor([&] { return f.desktop.notifier.shown.size() == 1; }));

        const RecordingNotifier::Shown box = f.desktop.notifier.shown.at(0);
        QCOMPARE(box.title, QStringLiteral("Erreur d'authentification."));
        QCOMPARE(box.text,
                 QStringLiteral("Ce compte n'est pas enregistré\r\nsur ") + f.server.hostWithPort());
        QCOMPARE(box.icon, Notifier::Icon::Information);
        FrmLogin &login = f.client->frmLogin();
        QVERIFY(login.isVisible());
        QVERIFY(!f.client->frmTryToConnect().isVisible());
        QCOMPARE(login.pseudoText(), QString());
        QCOMPARE(login.passwordText(), QString());
        QCOMPARE(login.focusWidget(), login.findChild<QLineEdit *>(QStringLiteral("txtLogin")));
        QVERIFY(!f.client->engine().refreshTimer().isActive());

        // And the user may try again: no message, so straight to the main window and the refresh.
        f.server.queue(QByteArray("YOURLOGINISOK||"));
        f.submitLogin(QStringLiteral("Demo"), QStringLiteral("Secret"));
        QVERIFY(f.server.waitForRequests(3));
        QVERIFY(sentTo(f.server.requests.at(2), "softrefresh2.php?login=demo&password=secret&ipAdress="));
        QVERIFY(QTest::qWaitFor([&] { return f.client->frmMain().isVisible(); }));
        QVERIFY(f.client->engine().refreshTimer().isActive());
        QVERIFY(!login.isVisible());
    }

    void answerThatIsNeitherGivesTheLoginWindowBack()
    {
        ClientFixture f;
        f.server.queue(ScriptedServer::Answer{"HTTP/1.1 404 Not Found\r\n\r\n<h1>Not Found</h1>"});
        QVERIFY(f.client->start());
        f.submitLogin(QStringLiteral("demo"), QStringLiteral("secret"));
        QVERIFY(QTest::qWaitFor([&] { return f.client->frmLogin().isVisible(); }));
        QCOMPARE(f.desktop.notifier.titles(), QStringList{QStringLiteral("Attention!")});
        QVERIFY(f.desktop.notifier.shown.at(0).text.contains(QStringLiteral(" est défaillant,\r\n")));
        QVERIFY(!f.client->frmTryToConnect().isVisible());
        QVERIFY(!f.desktop.lifetime.ended());
    }

    void laterHandlersSeeOnlyTheMessage()
    {
        ClientFixture f;
        // Started first: the main window's load registers the real contact handlers.
        QVERIFY(f.client->start());
        QStringList seen;
        f.client->pipeline().setHandler(ReplySlot::Refresh, [&](QString &reply) {
            seen.append(reply);
            return HandlerResult::Continue;
        });
        // The keyword in the headers goes with them; the one in the message stays.
        f.server.queue(ScriptedServer::Answer{
            "HTTP/1.1 200 OK\r\nX-Note: REFRESHISOK\r\n\r\nYOURLOGINISOK|Voir REFRESHISOK ici|REFRESHISOK|"});
        f.submitLogin(QStringLiteral("demo"), QStringLiteral("secret"));
        QVERIFY(QTest::qWaitFor([&] { return f.client->loginReplies().frmInfo() != nullptr; }));
        QCOMPARE(seen, QStringList{QStringLiteral("Voir REFRESHISOK ici")});
    }

    void keywordsInsideOtherRepliesDoNothing()
    {
        ClientFixture f;
        QVERIFY(f.logIn());
        QTest::qWait(0);
        // A mail another member wrote comes back inside the mail list.
        f.server.queue(QByteArray("HERESTARTMAILLISTbob~YOURLOGINISOK|YOUDONTHAVETHEPERMISSIONTOUSEJASERELLE|"
                                  "YOURLOGINISWRONG SOFTLOGOFFSUCCESS~"));
        f.client->engine().start(RequestKind::ReadMails);
        QVERIFY(f.server.waitForRequests(3));
        QVERIFY(QTest::qWaitFor([&] { return f.client->engine().state() == RequestEngine::State::Idle; }));
        QVERIFY(!f.desktop.lifetime.ended());
        QCOMPARE(f.client->loginReplies().frmInfo(), nullptr);
        QVERIFY(f.desktop.notifier.shown.isEmpty());
        QVERIFY(!f.client->frmLogin().isVisible());
    }

    void logoffAnswerEndsTheApplication()
    {
        ClientFixture f;
        QVERIFY(f.logIn());
        bool laterHandlerRan = false;
        f.client->pipeline().setHandler(ReplySlot::NoSearchResult, [&](QString &) {
            laterHandlerRan = true;
            return HandlerResult::Continue;
        });
        f.server.queue(QByteArray("SOFTLOGOFFSUCCESS NOSEARCHRESULT"));
        f.client->engine().start(RequestKind::Logoff);
        QVERIFY(QTest::qWaitFor([&] { return f.desktop.lifetime.ended(); }));
        QVERIFY(!laterHandlerRan);
        QVERIFY(f.desktop.notifier.shown.isEmpty());
    }
};

QTEST_MAIN(TestLoginReplies)
#include "test_loginreplies.moc"
