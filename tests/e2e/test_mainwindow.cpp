#include "client/shell/shellcommands.h"
#include "tests/support/clientfixture.h"
#include "tests/support/communityserver.h"

#include <QStatusTipEvent>

using namespace Qt::StringLiterals;

// Logging in, quitting and mistyping a password, as a new user would, against the real community
// server with its demo members.
class TestMainWindow : public QObject
{
    Q_OBJECT

    CommunityServer server;

private slots:
    void initTestCase() { QVERIFY2(server.start(), server.log().constData()); }

    void logInThenQuit()
    {
        ClientDesk user(server.hostWithPort());
        QVERIFY(user.client->start());
        user.submitLogin(u"Demo"_s, u"demo"_s);
        FrmMain &main = user.main();
        QVERIFY(QTest::qWaitFor([&] { return main.isVisible(); }, 20000));
        QVERIFY(!user.client->frmLogin().isVisible());
        // The first refresh has been asked for and answered.
        QVERIFY(QTest::qWaitFor([&] { return user.engine().requestKind() == RequestKind::Refresh; }, 20000));
        QVERIFY(user.waitIdle(20000));
        QVERIFY(user.engine().refreshTimer().isActive());
        QCOMPARE(main.statusText(), u"En attente"_s);
        QStatusTipEvent menuTip(u"a menu entry's tip"_s); // the pointer over a menu
        QCoreApplication::sendEvent(&main, &menuTip);
        QCOMPARE(main.statusText(), u"En attente"_s);

        // The close box asks first; "Annuler" keeps the session.
        QuitFlow &quit = user.client->shellCommands().quitFlow();
        answerQuit(quit, u"cmdAnnuler"_s);
        QVERIFY(!main.close());
        QVERIFY(QTest::qWaitFor([&] { return quit.frmQuitter().isHidden() && !quit.leaving(); }));
        QTest::qWait(100);
        QVERIFY(main.isVisible() && !user.desktop.lifetime.ended());

        answerQuit(quit, u"cmdQuitter"_s);
        trigger(&main, u"MNU_Quitter"_s);
        QVERIFY(QTest::qWaitFor([&] { return user.desktop.lifetime.ended(); }, 20000));
        QVERIFY(user.desktop.notifier.shown.isEmpty()); // ended on the answer, not on a failure
        QVERIFY(main.close());                          // on the way out every window closes without asking
    }

    void wrongPasswordGivesTheLoginWindowBack()
    {
        ClientDesk user(server.hostWithPort());
        QVERIFY(user.client->start());
        user.submitLogin(u"demo"_s, u"pasbon"_s);
        QVERIFY(QTest::qWaitFor([&] { return !user.desktop.notifier.shown.isEmpty(); }, 20000));
        QCOMPARE(user.desktop.notifier.shown[0].title, u"Erreur d'authentification."_s);
        FrmLogin &login = user.client->frmLogin();
        QVERIFY(login.isVisible() && login.pseudoText().isEmpty() && login.passwordText().isEmpty());
        QVERIFY(!user.main().isVisible());

        user.submitLogin(u"demo"_s, u"demo"_s); // typed right the second time
        QVERIFY(QTest::qWaitFor([&] { return user.main().isVisible(); }, 20000));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
