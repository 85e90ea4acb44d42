#include "client/shell/autostart.h"
#include "client/shell/frmapropos.h"
#include "client/shell/shellcommands.h"
#include "tests/support/clientfixture.h"

#include <QDir>
#include <QLabel>
#include <QMenu>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

// The main window's own menu commands: the sound switches and jaserelle.ini, the help, the about box,
// starting with the session.
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

    // Options > "Démarrer avec la session" writes the autostart entry where the desktop looks, and
    // removes it; a folder that cannot be written is told and the check mark stays true.
    void startWithSession()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const QString entry = config.filePath(u"autostart/jaserelle.desktop"_s);
        QCOMPARE(autostartPath(), entry);
        ClientFixture f;
        QAction *option = child<QAction>(&f.main(), u"MNU_StartWithSession"_s);
        QVERIFY(option->isCheckable() && !option->isChecked());
        option->trigger();
        const QByteArray written = fileBytes(entry);
        QVERIFY(written.startsWith("[Desktop Entry]\n"));
        QVERIFY(written.contains("\nExec=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\"\n"));
        option->trigger();
        QVERIFY(!QFileInfo::exists(entry));

        // Written again behind the client's back: the menu tells when it opens.
        QVERIFY(setStartWithSession(true, u"/usr/bin/jaserelle"_s));
        emit f.main().optionsMenu()->aboutToShow();
        QVERIFY(option->isChecked());
        QVERIFY(setStartWithSession(false, {}));

        // The configuration folder is a file: nothing can go under it.
        QFile blocker(config.filePath(u"plain"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("XDG_CONFIG_HOME", blocker.fileName().toUtf8());
        emit f.main().optionsMenu()->aboutToShow();
        option->trigger();
        QVERIFY(!option->isChecked());
        QCOMPARE(f.desktop.notifier.shown.size(), 1);

        // A relative folder is no configuration folder: the one in the home folder is used.
        qputenv("XDG_CONFIG_HOME", "relatif");
        QCOMPARE(autostartPath(), QDir::homePath() + u"/.config/autostart/jaserelle.desktop"_s);
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(autostartPath(), QDir::homePath() + u"/.config/autostart/jaserelle.desktop"_s);
        // The Exec line quotes the path the way desktops unquote it.
        QVERIFY(autostartEntry(u"/opt/Mes Programmes/100%/a\"b$c\\d`e"_s)
                    .contains("\nExec=\"/opt/Mes Programmes/100%%/a\\\\\"b\\\\$c\\\\\\\\d\\\\`e\"\n"));
    }
};

QTEST_MAIN(TestShellMenus)
#include "test_shellmenus.moc"
