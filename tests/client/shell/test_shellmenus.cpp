#include "client/shell/frmapropos.h"
#include "client/shell/shellcommands.h"
#include "client/shell/soundsetting.h"
#include "tests/support/clientfixture.h"

#include <QAction>
#include <QDir>
#include <QLabel>

// The main window's own menu commands: the sound switches and jaserelle.ini, the help, the about box.
class TestShellMenus : public QObject
{
    Q_OBJECT

private:
    static QAction *action(FrmMain &main, const char *name)
    {
        return main.findChild<QAction *>(QString::fromLatin1(name));
    }

    static QByteArray read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
    }

    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QString iniPath(ClientFixture &f) { return f.dir.filePath(QStringLiteral("jaserelle.ini")); }

private slots:
    void switchingRewritesTheWholeFile()
    {
        ClientFixture f(QStringLiteral("jaserelle.example"));
        QVERIFY(f.client->start());
        FrmMain &main = f.client->frmMain();
        write(iniPath(f),
              "; notes of the user\r\n[server]\r\njaserelle.example\r\n[sound]\r\nenable\r\nextra=1\r\n");

        action(main, "MNU_DeActiveSound")->trigger();
        QCOMPARE(read(iniPath(f)), QByteArray("[server]\r\njaserelle.example\r\n\r\n[sound]\r\ndisable\r\n"));
        QVERIFY(!f.client->state().soundEnabled);
        QVERIFY(!action(main, "MNU_ActiveSound")->isChecked());
        QVERIFY(action(main, "MNU_DeActiveSound")->isChecked());

        // Choosing the entry already checked keeps it checked.
        action(main, "MNU_ActiveSound")->trigger();
        action(main, "MNU_ActiveSound")->trigger();
        QCOMPARE(read(iniPath(f)), QByteArray("[server]\r\njaserelle.example\r\n\r\n[sound]\r\nenable\r\n"));
        QVERIFY(f.client->state().soundEnabled);
        QVERIFY(action(main, "MNU_ActiveSound")->isChecked());
        QVERIFY(!action(main, "MNU_DeActiveSound")->isChecked());
        QVERIFY(f.desktop.notifier.shown.isEmpty());
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("jaserelle.ini")});
    }

    void missingFileIsNotCreated()
    {
        ClientFixture f;
        QVERIFY(f.client->start());
        QVERIFY(QFile::remove(iniPath(f)));
        action(f.client->frmMain(), "MNU_DeActiveSound")->trigger();
        QVERIFY(!QFile::exists(iniPath(f)));
        QVERIFY(f.desktop.notifier.shown.isEmpty());
        QVERIFY(!f.client->state().soundEnabled);
    }

    void fileThatCannotBeWritten_data()
    {
        QTest::addColumn<bool>("readOnlyFile"); // otherwise a directory stands where the file was
        QTest::newRow("read-only file") << true;
        QTest::newRow("not a file") << false;
    }

    void fileThatCannotBeWritten()
    {
        QFETCH(bool, readOnlyFile);
        ClientFixture f(QStringLiteral("jaserelle.example"));
        QVERIFY(f.client->start());
        FrmMain &main = f.client->frmMain();
        const QString path = iniPath(f);
        const QByteArray before = read(path);
        if (readOnlyFile) {
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
            if (QFileInfo(path).isWritable())
                QSKIP("this account writes to read-only files (root); the directory case covers the failure");
        } else {
            QVERIFY(QFile::remove(path));
            QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("jaserelle.ini")));
        }

        // On: silent, and the setting holds for this run all the same.
        action(main, "MNU_DeActiveSound")->trigger();
        f.desktop.notifier.shown.clear();
        action(main, "MNU_ActiveSound")->trigger();
        QVERIFY(f.client->state().soundEnabled);
        QVERIFY(action(main, "MNU_ActiveSound")->isChecked());
        QVERIFY(f.desktop.notifier.shown.isEmpty());

        // Off: "erreur", no icon, the application's name as title; the setting changes anyway.
        action(main, "MNU_DeActiveSound")->trigger();
        QVERIFY(!f.client->state().soundEnabled);
        QVERIFY(action(main, "MNU_DeActiveSound")->isChecked());
        QCOMPARE(f.desktop.notifier.shown.size(), 1);
        QCOMPARE(f.desktop.notifier.shown.at(0).title, QStringLiteral("Jaserelle"));
        QCOMPARE(f.desktop.notifier.shown.at(0).text, QStringLiteral("erreur"));
        QCOMPARE(f.desktop.notifier.shown.at(0).icon, Notifier::Icon::None);
        if (readOnlyFile)
            QCOMPARE(read(path), before); // nothing half-written
        QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).size(), readOnlyFile ? 1 : 0);
    }

    void helpAndAbout()
    {
        ClientFixture f(QStringLiteral("jaserelle.example"));
        QVERIFY(f.client->start());
        FrmMain &main = f.client->frmMain();

        action(main, "MNU_OnLineHelp")->trigger();
        QCOMPARE(f.desktop.browser.opened, QStringList{QStringLiteral("jaserelle.example/onlinehelp.html")});

        FrmAPropos &about = f.client->shellCommands().frmAPropos();
        QVERIFY(!about.isVisible());
        action(main, "MNU_APropos")->trigger();
        QVERIFY(about.isVisible());
        QCOMPARE(about.findChild<QLabel *>(QStringLiteral("lblServeur"))->text(),
                 QStringLiteral("jaserelle.example"));
        about.findChild<QPushButton *>(QStringLiteral("cmdQuitter"))->click();
        QVERIFY(!about.isVisible());
        action(main, "MNU_APropos")->trigger();
        QCOMPARE(&f.client->shellCommands().frmAPropos(), &about); // the same box again
        QVERIFY(about.isVisible());
    }
};

QTEST_MAIN(TestShellMenus)
#include "test_shellmenus.moc"
