#include "client/contacts/frmajoutmembre.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/mail/frmreadmails.h"
#include "client/mail/frmsendmail.h"
#include "client/server/frminfo.h"
#include "client/shell/frmapropos.h"
#include "client/shell/frmtrytoconnect.h"
#include "client/shell/shellcommands.h"
#include "tests/support/clientfixture.h"

#include <QDir>
#include <QLabel>
#include <QScreen>
#include <QTabWidget>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

// The main window's own menu commands: the sound switches and jaserelle.ini, the help, the about box.
class TestShellMenus : public QObject
{
    Q_OBJECT

    // 1 for on, 0 for off, once the two check marks agree with the setting.
    static int sound(ClientFixture &f)
    {
        const bool on = f.client->state().soundEnabled;
        const bool agree = child<QAction>(&f.main(), u"MNU_ActiveSound"_s)->isChecked() == on &&
                           child<QAction>(&f.main(), u"MNU_DeActiveSound"_s)->isChecked() == !on;
        return agree ? int(on) : -1;
    }

private slots:
    // Every window stays whole on the screen this program is run on: 1280×1024 at a scale factor of 2.
    void windowsFitASmallScreenAtTwice()
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(screen.size(), QSize(640, 512));
        ClientState state;
        RecordingPlatform desktop;
        Platform platform = desktop.platform();
        Conversation conversation(1, state, platform, nullptr);
        const QList<QWidget *> windows{new FrmMain,
                                       new FrmConversation(conversation, state, platform),
                                       new FrmLogin,
                                       new FrmQuitter,
                                       new FrmAPropos(u"jaserelle.example"_s),
                                       new FrmTryToConnect(u"jaserelle.example"_s),
                                       new FrmInfo,
                                       new FrmAjoutMembre(FrmAjoutMembre::Variant::Favori),
                                       new FrmAjoutMembre(FrmAjoutMembre::Variant::ListeNoire),
                                       new FrmSendMail,
                                       new FrmReadMails,
                                       new FrmIncome(desktop.clock)};
        for (QWidget *window : windows) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QVERIFY2(screen.contains(window->frameGeometry()), window->metaObject()->className());
            QVERIFY2(window->size().expandedTo(window->minimumSizeHint()) == window->size(),
                     window->metaObject()->className());
        }
        qDeleteAll(windows);
    }

    void switchingRewritesTheWholeFile()
    {
        ClientFixture f(u"jaserelle.example"_s);
        QVERIFY(f.client->start());
        QCOMPARE(sound(f), 1); // as the file says
        f.writeIni(
            "; notes of the user\r\n[server]\r\njaserelle.example\r\n[sound]\r\nenable\r\nextra=1\r\n");
        trigger(&f.main(), u"MNU_DeActiveSound"_s);
        QCOMPARE(fileBytes(f.iniPath()), formatConfig(u"jaserelle.example"_s, false)); // the notes are gone
        QCOMPARE(sound(f), 0);

        trigger(&f.main(), u"MNU_ActiveSound"_s);
        trigger(&f.main(), u"MNU_ActiveSound"_s); // the entry already checked stays checked
        QCOMPARE(fileBytes(f.iniPath()),
                 QByteArray("[server]\r\njaserelle.example\r\n\r\n[sound]\r\nenable\r\n"));
        QCOMPARE(sound(f), 1);
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList{u"jaserelle.ini"_s});

        QVERIFY(QFile::remove(f.iniPath())); // a missing file is not created
        trigger(&f.main(), u"MNU_DeActiveSound"_s);
        QVERIFY(!QFile::exists(f.iniPath()) && sound(f) == 0 && f.desktop.notifier.shown.isEmpty());
    }

    void noSoundDeviceDisablesBothEntries()
    {
        ClientFixture f;
        f.desktop.sound.device = false;
        QVERIFY(f.client->start() && f.desktop.notifier.shown.isEmpty());
        QVERIFY(!f.client->state().soundEnabled);
        QVERIFY(!child<QAction>(&f.main(), u"MNU_ActiveSound"_s)->isEnabled());
        QVERIFY(!child<QAction>(&f.main(), u"MNU_DeActiveSound"_s)->isEnabled());
    }

    // A directory stands where the file was: not even root, who runs these tests, can write it.
    void fileThatCannotBeWritten()
    {
        ClientFixture f(u"jaserelle.example"_s);
        QVERIFY(f.client->start());
        QVERIFY(QFile::remove(f.iniPath()) && QDir(f.dir.path()).mkdir(u"jaserelle.ini"_s));
        // On: silent, and the setting holds for this run all the same.
        trigger(&f.main(), u"MNU_DeActiveSound"_s);
        f.desktop.notifier.shown.clear();
        trigger(&f.main(), u"MNU_ActiveSound"_s);
        QVERIFY(sound(f) == 1 && f.desktop.notifier.shown.isEmpty());

        // Off: "erreur", no icon, the application's name as title; the setting changes anyway.
        trigger(&f.main(), u"MNU_DeActiveSound"_s);
        QCOMPARE(sound(f), 0);
        QCOMPARE(f.desktop.notifier.shown,
                 (QList<Notice>{{u"Jaserelle"_s, u"erreur"_s, Notice::Icon::None}}));
        QVERIFY(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty()); // no temporary left
    }

    void helpAndAbout()
    {
        ClientFixture f(u"jaserelle.example"_s);
        QVERIFY(f.client->start());
        trigger(&f.main(), u"MNU_OnLineHelp"_s);
        QCOMPARE(f.desktop.browser.opened, QStringList{u"jaserelle.example/onlinehelp.html"_s});

        FrmAPropos &about = f.client->shellCommands().frmAPropos();
        trigger(&f.main(), u"MNU_APropos"_s);
        QVERIFY(about.isVisible());
        QCOMPARE(child<QLabel>(&about, u"lblServeur"_s)->text(), u"jaserelle.example"_s);
    }
};

QTEST_MAIN(TestShellMenus)
#include "test_shellmenus.moc"
