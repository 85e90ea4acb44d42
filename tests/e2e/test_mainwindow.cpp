#include "client/server/requestengine.h"
#include "client/shell/client.h"
#include "client/shell/configfile.h"
#include "client/shell/frmlogin.h"
#include "client/shell/frmmain.h"
#include "client/shell/frmquitter.h"
#include "client/shell/quitflow.h"
#include "client/shell/shellcommands.h"
#include "tests/support/communityserver.h"
#include "tests/support/recordingplatform.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QStatusTipEvent>
#include <QTest>
#include <QTimer>

namespace {

// A client as a new user installs it: jaserelle.ini naming the community server, the desktop
// replaced by recorders.
struct User
{
    explicit User(const QString &serverHost)
    {
        QFile ini(dir.filePath(QStringLiteral("jaserelle.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write(formatConfig(serverHost, true));
        ini.close();
        ClientState state;
        state.appDir = dir.path();
        client = std::make_unique<Client>(state, desktop.platform());
    }

    void typeAndConnect(const QString &pseudo, const QString &password)
    {
        FrmLogin &login = client->frmLogin();
        login.findChild<QLineEdit *>(QStringLiteral("txtLogin"))->setText(pseudo);
        login.findChild<QLineEdit *>(QStringLiteral("txtPassword"))->setText(password);
        login.findChild<QPushButton *>(QStringLiteral("cmdOk"))->click();
    }

    // The first refresh has been asked for and answered.
    bool refreshed()
    {
        RequestEngine &engine = client->engine();
        return engine.requestKind() == RequestKind::Refresh && engine.state() == RequestEngine::State::Idle &&
               engine.statusText() == QStringLiteral("En attente");
    }

    QTemporaryDir dir;
    RecordingPlatform desktop;
    std::unique_ptr<Client> client;
};

// Presses a button of the quit confirmation once it is up (the question waits in its own loop).
void answerWhenAsked(QuitFlow &quit, const QString &button)
{
    auto *poll = new QTimer(&quit);
    QObject::connect(poll, &QTimer::timeout, &quit, [poll, &quit, button] {
        if (!quit.frmQuitter().isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        quit.frmQuitter().findChild<QPushButton *>(button)->click();
    });
    poll->start(5);
}

} // namespace

// Logging in, quitting and mistyping a password, as a new user would, against the real community
// server with its demo members.
class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    CommunityServer server;

private slots:
    void initTestCase() { QVERIFY2(server.start(), server.log().constData()); }

    void logInThenQuit()
    {
        User user(server.hostWithPort());
        QVERIFY(user.client->start());
        user.typeAndConnect(QStringLiteral("Demo"), QStringLiteral("demo"));

        FrmMain &main = user.client->frmMain();
        QVERIFY(QTest::qWaitFor([&] { return main.isVisible(); }, 20000));
        QVERIFY(!user.client->frmLogin().isVisible());
        QVERIFY(QTest::qWaitFor([&] { return user.refreshed(); }, 20000));
        QVERIFY(user.client->engine().refreshTimer().isActive());
        QCOMPARE(main.statusText(), QStringLiteral("En attente"));
        QStatusTipEvent menuTip(QStringLiteral("a menu entry's tip")); // the pointer over a menu
        QCoreApplication::sendEvent(&main, &menuTip);
        QCOMPARE(main.statusText(), QStringLiteral("En attente"));
        QCOMPARE(main.windowTitle(), QStringLiteral("Jaserelle Version 1.1"));

        // The close box asks first; "Annuler" keeps the session.
        QuitFlow &quit = user.client->shellCommands().quitFlow();
        answerWhenAsked(quit, QStringLiteral("cmdAnnuler"));
        QVERIFY(!main.close());
        QVERIFY(QTest::qWaitFor([&] { return quit.frmQuitter().isHidden() && !quit.leaving(); }));
        QTest::qWait(100);
        QVERIFY(main.isVisible());
        QVERIFY(!user.desktop.lifetime.ended());

        answerWhenAsked(quit, QStringLiteral("cmdQuitter"));
        main.findChild<QAction *>(QStringLiteral("MNU_Quitter"))->trigger();
        QVERIFY(QTest::qWaitFor([&] { return user.desktop.lifetime.ended(); }, 20000));
        QVERIFY(quit.leaving());
        QVERIFY(user.desktop.notifier.shown.isEmpty()); // ended on the answer, not on a failure
    }

    void wrongPasswordGivesTheLoginWindowBack()
    {
        User user(server.hostWithPort());
        QVERIFY(user.client->start());
        user.typeAndConnect(QStringLiteral("demo"), QStringLiteral("pasbon"));
        QVERIFY(QTest::qWaitFor([&] { return !user.desktop.notifier.shown.isEmpty(); }, 20000));
        QCOMPARE(user.desktop.notifier.shown.at(0).title, QStringLiteral("Erreur d'authentification."));
        QCOMPARE(user.desktop.notifier.shown.at(0).text,
                 QStringLiteral("Ce compte n'est pas enregistré\r\nsur ") + server.hostWithPort());
        FrmLogin &login = user.client->frmLogin();
        QVERIFY(login.isVisible());
        QCOMPARE(login.pseudoText(), QString());
        QCOMPARE(login.passwordText(), QString());
        QVERIFY(!user.client->frmMain().isVisible());

        // Typed right the second time.
        user.typeAndConnect(QStringLiteral("demo"), QStringLiteral("demo"));
        QVERIFY(QTest::qWaitFor([&] { return user.client->frmMain().isVisible(); }, 20000));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
