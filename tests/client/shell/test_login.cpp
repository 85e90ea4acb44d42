#include "client/server/requestengine.h"
#include "client/shell/client.h"
#include "client/shell/frmlogin.h"
#include "client/shell/frmmain.h"
#include "client/shell/frmtrytoconnect.h"
#include "tests/support/recordingplatform.h"
#include "tests/support/scriptedserver.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The start-up and the login window, driven as a user would.
class TestLogin : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        QTemporaryDir dir;
        RecordingPlatform desktop;
        ScriptedServer server;
        std::unique_ptr<Client> client;

        explicit Fixture(const QByteArray &ini = {}, bool writeIni = true)
        {
            if (writeIni) {
                QFile f(dir.filePath(u"jaserelle.ini"_s));
                f.open(QIODevice::WriteOnly);
                f.write(ini.isNull() ? "[server]\r\n" + server.hostWithPort().toLatin1() + "\r\n\r\n[sound]\r\nenable\r\n"
                                     : ini);
            }
        }
        bool start()
        {
            ClientState state;
            state.appDir = dir.path();
            client = std::make_unique<Client>(state, desktop.platform());
            return client->start();
        }
        FrmLogin &login() { return client->frmLogin(); }
        QLineEdit *box(const char *name) { return login().findChild<QLineEdit *>(QString::fromLatin1(name)); }
        void type(const QString &pseudo, const QString &password)
        {
            QTest::keyClicks(box("txtLogin"), pseudo);
            QTest::keyClicks(box("txtPassword"), password);
        }
        void click(const char *name)
        {
            QTest::mouseClick(login().findChild<QPushButton *>(QString::fromLatin1(name)), Qt::LeftButton);
        }
    };

private slots:
    void aNewUserLogsIn()
    {
        Fixture f;
        QVERIFY(f.start());
        QVERIFY(f.login().isVisible());
        QCOMPARE(f.login().windowTitle(), u"Jaserelle Connection"_s);
        QCOMPARE(f.box("txtLogin")->maxLength(), 16);
        QCOMPARE(f.box("txtPassword")->echoMode(), QLineEdit::Password);
        QVERIFY(f.client->frmMain().isHidden()); // loaded at start-up, shown only after the login

        f.type(u" Jean Pierre"_s, u"Se Cret1"_s);
        QTest::keyClick(f.box("txtPassword"), Qt::Key_Return);
        QVERIFY(f.server.waitForRequests(1));
        QCOMPARE(f.server.requests.size(), 1);
        QCOMPARE(f.server.requests[0], "GET /softlogin.php?login=jeanpierre&password=secret1 HTTP/1.1\r\nHost: " +
                                           f.server.hostWithPort().toLatin1() +
                                           "\r\nConnection: close\r\nAccept: */*\r\n\r\n");
        QCOMPARE(f.box("txtLogin")->text(), u"JeanPierre"_s); // spaces gone from the boxes, case kept
        QCOMPARE(f.box("txtPassword")->text(), u"SeCret1"_s);
        QCOMPARE(f.client->state().userLogin, u"jeanpierre"_s);
        QVERIFY(f.login().isHidden());
        QVERIFY(f.client->frmTryToConnect().isVisible());
        QCOMPARE(f.client->frmTryToConnect().findChild<QLabel *>(u"lblTryToConnect"_s)->text(),
                 u"Tentative de connection au serveur "_s + f.server.hostWithPort() + u" en cours..."_s);
        QVERIFY(f.desktop.notifier.shown.isEmpty());
    }

    void refusedAndEmptyInput()
    {
        Fixture f;
        QVERIFY(f.start());
        f.type(u"jean-pierre"_s, u"secret"_s);
        f.click("cmdOk");
        QCOMPARE(f.desktop.notifier.shown.size(), 1);
        QCOMPARE(f.desktop.notifier.shown[0].title, u"Attention !"_s);
        QCOMPARE(f.desktop.notifier.shown[0].text, u"Votre pseudo et votre mot de passe ne doivent\r\n"
                                                   u"contenir que des caractères alpha-numériques."_s);
        QVERIFY(f.box("txtLogin")->text().isEmpty() && f.box("txtPassword")->text().isEmpty());

        f.type(u"   "_s, u"  "_s);
        f.click("cmdOk");
        QCOMPARE(f.desktop.notifier.shown.size(), 1); // nothing said, nothing sent
        QVERIFY(f.login().isVisible());
        QTest::qWait(50);
        QCOMPARE(f.server.connections, 0);
    }

    void aLoginThatCannotStartGivesTheWindowBack()
    {
        Fixture f("[server]\r\n\r\n[sound]\r\nenable\r\n");
        QVERIFY(f.start());
        f.type(u"jean"_s, u"secret"_s);
        f.click("cmdOk");
        QCOMPARE(f.desktop.notifier.titles(), QStringList({u"Attention!"_s}));
        QVERIFY(f.login().isVisible());
        QVERIFY(!f.client->frmTryToConnect().isVisible());
        QVERIFY(!f.desktop.lifetime.ended());
    }

    void newMemberAndQuit()
    {
        Fixture f("[server]\r\njaserelle.example\r\n");
        QVERIFY(f.start());
        f.click("cmdNewMember");
        QCOMPARE(f.desktop.notifier.shown.size(), 1);
        QCOMPARE(f.desktop.notifier.shown[0].title, u"Inscription Jaserelle"_s);
        QCOMPARE(f.desktop.notifier.shown[0].text, u"Inscrivez-vous gratuitement sur le site jaserelle.example !\r\n"
                                                   u"Cette opération ne vous prendra que quelques minutes.\r\n"
                                                   u"Revenez ensuite sur la fenêtre de connection."_s);
        QCOMPARE(f.desktop.browser.opened, QStringList({u"jaserelle.example"_s}));
        QVERIFY(f.login().isVisible());
        QVERIFY(!f.desktop.lifetime.ended());

        QTest::keyClick(&f.login(), Qt::Key_Escape);
        QVERIFY(f.desktop.lifetime.ended());
        QCOMPARE(f.server.connections, 0);
    }

    void startUpEndsWhenItMust()
    {
        Fixture twice;
        twice.desktop.instance.otherInstanceRunning = true;
        QVERIFY(!twice.start());
        QCOMPARE(twice.desktop.notifier.shown[0].title, u"Attention."_s);
        QCOMPARE(twice.desktop.notifier.shown[0].text, u"Une autre instance de l'application est déjà démarrée."_s);
        QVERIFY(twice.desktop.lifetime.ended());

        Fixture noIni({}, false);
        QVERIFY(!noIni.start());
        QCOMPARE(noIni.desktop.notifier.shown[0].title, u"Erreur."_s);
        QCOMPARE(noIni.desktop.notifier.shown[0].text,
                 u"Le fichier jaserelle.ini n'existe pas,\r\nConsulter l'aide en ligne."_s);

        Fixture unreadable({}, false);
        QVERIFY(QDir(unreadable.dir.path()).mkdir(u"jaserelle.ini"_s)); // there, but not a readable file
        QVERIFY(!unreadable.start());
        QCOMPARE(unreadable.desktop.notifier.shown[0].text, u"Problème d'accès au disque dur."_s);
    }

    void soundMenuAtStartUp()
    {
        Fixture on;
        QVERIFY(on.start());
        QVERIFY(on.client->state().soundEnabled);
        auto *active = on.client->frmMain().findChild<QAction *>(u"MNU_ActiveSound"_s);
        auto *inactive = on.client->frmMain().findChild<QAction *>(u"MNU_DeActiveSound"_s);
        QVERIFY(active->isChecked() && !inactive->isChecked() && active->isEnabled());

        Fixture mute;
        mute.desktop.sound.device = false;
        QVERIFY(mute.start());
        QVERIFY(!mute.client->state().soundEnabled);
        active = mute.client->frmMain().findChild<QAction *>(u"MNU_ActiveSound"_s);
        inactive = mute.client->frmMain().findChild<QAction *>(u"MNU_DeActiveSound"_s);
        QVERIFY(!active->isEnabled() && !inactive->isEnabled());

        Fixture serverOnly("[Server]\r\nh\r\n");
        QVERIFY(serverOnly.start()); // no host read: the window still opens
        QVERIFY(serverOnly.client->state().serverHost.isEmpty());
        inactive = serverOnly.client->frmMain().findChild<QAction *>(u"MNU_DeActiveSound"_s);
        QVERIFY(inactive->isChecked());
        QVERIFY(serverOnly.desktop.notifier.shown.isEmpty());
    }
};

QTEST_MAIN(TestLogin)
#include "test_login.moc"
