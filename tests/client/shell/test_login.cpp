#include "client/server/enginenotices.h"
#include "client/shell/frmtrytoconnect.h"
#include "tests/support/clientfixture.h"

#include <QDir>
#include <QLabel>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

// The start-up and the login window, driven as a user would.
class TestLogin : public QObject
{
    Q_OBJECT

    static QLineEdit *box(ClientFixture &f, const QString &name)
    {
        return child<QLineEdit>(&f.client->frmLogin(), name);
    }

private slots:
    void aNewUserLogsIn()
    {
        ClientFixture f;
        QVERIFY(f.client->start());
        QVERIFY(f.client->frmLogin().isVisible());
        QCOMPARE(box(f, u"txtLogin"_s)->maxLength(), 16);
        QCOMPARE(box(f, u"txtPassword"_s)->echoMode(), QLineEdit::Password);
        QVERIFY(f.main().isHidden()); // loaded at start-up, shown only after the login

        QTest::keyClicks(box(f, u"txtLogin"_s), u" Jean Pierre"_s);
        QTest::keyClicks(box(f, u"txtPassword"_s), u"Se Cret1"_s);
        QTest::keyClick(box(f, u"txtPassword"_s), Qt::Key_Return);
        QVERIFY(f.server.waitForRequests(1));
        QCOMPARE(f.server.requests,
                 QList<QByteArray>{"GET /softlogin.php?login=jeanpierre&password=secret1 HTTP/1.1\r\n"
                                   "Host: " +
                                   f.server.hostWithPort().toLatin1() +
                                   "\r\nConnection: close\r\nAccept: */*\r\n\r\n"});
        QCOMPARE(box(f, u"txtLogin"_s)->text(), u"JeanPierre"_s); // spaces gone from the boxes, case kept
        QCOMPARE(box(f, u"txtPassword"_s)->text(), u"SeCret1"_s);
        QVERIFY(f.client->frmLogin().isHidden());
        FrmTryToConnect &trying = f.client->frmTryToConnect();
        QVERIFY(trying.isVisible());
        QVERIFY(child<QLabel>(&trying, u"lblTryToConnect"_s)->text().contains(f.server.hostWithPort()));
        QVERIFY(f.desktop.notifier.shown.isEmpty());
    }

    // A login the server takes and never answers: "Annuler" drops it and the login window is back,
    // without a notice; a later answer on that connection is nobody's business any more.
    void aLoginCanBeCancelledWhileTrying()
    {
        ClientFixture f;
        f.server.queue(heldOpen);
        QVERIFY(f.client->start());
        f.submitLogin(u"jean"_s, u"secret1"_s);
        QVERIFY(f.server.waitForRequests(1));
        FrmTryToConnect &trying = f.client->frmTryToConnect();
        QVERIFY(trying.isVisible());
        child<QPushButton>(&trying, u"cmdCancel"_s)->click();
        QVERIFY(!trying.isVisible() && f.client->frmLogin().isVisible());
        QCOMPARE(f.engine().state(), RequestEngine::State::Idle);
        f.answerHeld("YOURLOGINISOK||");
        QTest::qWait(100);
        QVERIFY(f.main().isHidden() && f.desktop.notifier.shown.isEmpty() && !f.desktop.lifetime.ended());

        // And the next attempt goes through.
        f.server.queue(QByteArray("YOURLOGINISOK||"));
        f.submitLogin(u"jean"_s, u"secret1"_s);
        QVERIFY(QTest::qWaitFor([&] { return f.main().isVisible(); }));
    }

    // Only letters and digits go out; an empty box sends nothing and says nothing.
    void refusedAndEmptyInput_data()
    {
        QTest::addColumn<QString>("pseudo");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("refused");
        QTest::newRow("accent") << u"élodie"_s << u"x"_s << true;
        QTest::newRow("bad password") << u"jean"_s << u"m%p"_s << true;
        QTest::newRow("tab is not a space") << u"a\tb"_s << u"x"_s << true;
        QTest::newRow("only spaces") << u"   "_s << u"  "_s << false;
        QTest::newRow("no password") << u"jean"_s << QString() << false;
    }
    void refusedAndEmptyInput()
    {
        QFETCH(QString, pseudo);
        QFETCH(QString, password);
        QFETCH(bool, refused);
        ClientFixture f;
        QVERIFY(f.client->start());
        f.submitLogin(pseudo, password);
        QCOMPARE(f.desktop.notifier.shown.size(), refused ? 1 : 0);
        if (refused)
            QVERIFY(box(f, u"txtLogin"_s)->text().isEmpty() && box(f, u"txtPassword"_s)->text().isEmpty());
        QVERIFY(f.client->frmLogin().isVisible());
        QTest::qWait(50);
        QCOMPARE(f.server.connections, 0);
    }

    void aLoginThatCannotStartGivesTheWindowBack()
    {
        ClientFixture f;
        f.writeIni("[server]\r\n\r\n[sound]\r\nenable\r\n");
        QVERIFY(f.client->start());
        f.submitLogin(u"jean"_s, u"secret"_s);
        QCOMPARE(f.desktop.notifier.shown, QList<Notice>{startFailureNotice(QString())});
        QVERIFY(f.engine().serverWasDown() && f.engine().state() == RequestEngine::State::Idle);
        QVERIFY(f.client->frmLogin().isVisible() && !f.client->frmTryToConnect().isVisible());
        QVERIFY(!f.desktop.lifetime.ended());
    }

    // Nobody listens at the server's address: the Parts' notice, then the login window again, and
    // a second try once the server is there signs in.
    void anUnreachableServerGivesTheWindowBack()
    {
        ClientFixture f;
        QVERIFY(f.client->start());
        f.server.stopListening();
        f.submitLogin(u"jean"_s, u"secret"_s);
        QVERIFY(QTest::qWaitFor([&] { return f.client->frmLogin().isVisible(); }));
        QCOMPARE(f.desktop.notifier.shown.size(), 1);
        QVERIFY(f.desktop.notifier.shown[0].text.contains(u"est défaillant"_s));
        QVERIFY(!f.client->frmTryToConnect().isVisible() && !f.desktop.lifetime.ended());
        QVERIFY(!f.engine().refreshTimer().isActive());

        QVERIFY(f.server.resumeListening());
        f.server.queue(Answer{ScriptedServer::httpOk("YOURLOGINISOK||")});
        f.submitLogin(u"jean"_s, u"secret"_s);
        QVERIFY(QTest::qWaitFor([&] { return f.main().isVisible(); }));
        QCOMPARE(f.desktop.notifier.shown.size(), 1); // no "back again" box before the main window
    }

    void newMemberAndQuit()
    {
        ClientFixture f(u"jaserelle.example"_s);
        QVERIFY(f.client->start());
        QTest::mouseClick(child<QPushButton>(&f.client->frmLogin(), u"cmdNewMember"_s), Qt::LeftButton);
        QCOMPARE(f.desktop.notifier.shown.size(), 1);
        QVERIFY(f.desktop.notifier.shown[0].text.contains(u"jaserelle.example"_s));
        QCOMPARE(f.desktop.browser.opened, QStringList({u"jaserelle.example"_s}));
        QVERIFY(f.client->frmLogin().isVisible() && !f.desktop.lifetime.ended());

        QTest::keyClick(&f.client->frmLogin(), Qt::Key_Escape);
        QVERIFY(f.desktop.lifetime.ended());
        QCOMPARE(f.server.connections, 0);
    }

    void startUpEndsWhenItMust_data()
    {
        QTest::addColumn<int>("trouble");
        QTest::newRow("second instance") << 0;
        QTest::newRow("no ini") << 1;
        QTest::newRow("unreadable ini") << 2;
    }
    void startUpEndsWhenItMust()
    {
        QFETCH(int, trouble);
        ClientFixture f;
        f.desktop.instance.otherInstanceRunning = trouble == 0;
        if (trouble > 0)
            QVERIFY(QFile::remove(f.iniPath()));
        if (trouble == 2)
            QVERIFY(QDir(f.dir.path()).mkdir(u"jaserelle.ini"_s)); // there, but not a readable file
        QVERIFY(!f.client->start());
        QCOMPARE(f.desktop.notifier.shown.size(), 1);
        QVERIFY(f.desktop.lifetime.ended());
    }
};

QTEST_MAIN(TestLogin)
#include "test_login.moc"
