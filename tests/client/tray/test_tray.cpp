#include "client/shell/preferences.h"
#include "client/shell/shellcommands.h"
#include "client/tray/installtray.h"
#include "client/tray/trayhost.h"
#include "client/tray/trayicon.h"
#include "tests/support/clientfixture.h"

#include <QDialog>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {

// The notification area, as a recorder: an offscreen session has none.
struct FakeTrayHost : TrayHost
{
    explicit FakeTrayHost(bool present) : present(present) {}
    bool available() const override { return present; }
    void show(const QIcon &, const QString &tip, QMenu *shownMenu) override
    {
        visible = true;
        toolTip = tip;
        menu = shownMenu;
    }
    void hide() override { visible = false; }

    bool present, visible = false;
    QString toolTip;
    QMenu *menu = nullptr;
};

struct TrayClient : ClientFixture
{
    explicit TrayClient(bool trayPresent = true)
    {
        client->setTrayHost(std::unique_ptr<TrayHost>(host = new FakeTrayHost(trayPresent)));
    }
    TrayIcon &icon() { return client->tray().icon(); }
    QAction *closeToTray() { return child<QAction>(&main(), u"MNU_CloseToTray"_s); }
    QAction *trayEntry(const QString &name) { return child<QAction>(host->menu, name); }
    bool logInWithMails(bool start = true)
    {
        server.queue(QByteArray("YOURLOGINISOK||"));
        server.queue(QByteArray(
            "REFRESHISOK|NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|MYMAILSNUMBER,3,"));
        if (start && !client->start())
            return false;
        submitLogin(u"demo"_s, u"secret"_s);
        return QTest::qWaitFor([&] { return main().isVisible() && icon().status().waitingMails == 3; });
    }

    FakeTrayHost *host = nullptr;
};

} // namespace

class TestTray : public QObject
{
    Q_OBJECT

private slots:
    // The icon follows the session, the mails and the calls; its menu opens the windows, switches the
    // sound, keeps the close-to-tray choice, and quits through the confirmation.
    void followsTheSessionAndItsMenuActs()
    {
        TrayClient f;
        QVERIFY(f.client->start());
        QVERIFY(f.host->visible);
        QVERIFY(f.icon().look() == TrayLook::Offline && f.host->menu == &f.icon().menu());
        QCOMPARE(f.host->toolTip, u"Jaserelle : non connecté"_s);
        // Before signing in, "open" brings back the login window.
        f.client->frmLogin().hide();
        f.trayEntry(u"MNU_TrayOpen"_s)->trigger();
        QVERIFY(f.client->frmLogin().isVisible() && !f.main().isVisible());

        QVERIFY(f.logInWithMails(false));
        QCOMPARE(f.icon().look(), TrayLook::MailWaiting);
        QCOMPARE(f.host->toolTip, u"Jaserelle : connecté\n3 mails en attente"_s);

        // A ringing window, wherever it comes from, rings in the tray until it goes.
        QDialog ringing;
        ringing.setObjectName(u"frmIncome"_s);
        ringing.show();
        QVERIFY(QTest::qWaitFor([&] { return f.icon().look() == TrayLook::Ringing; }));
        QVERIFY(f.host->toolTip.contains(u"Appel entrant"_s));
        ringing.hide();
        QVERIFY(QTest::qWaitFor([&] { return f.icon().look() == TrayLook::MailWaiting; }));

        // The server gone: the next refresh fails and the tray says so.
        f.server.stopListening();
        f.engine().startRefresh();
        QVERIFY(QTest::qWaitFor([&] { return !f.icon().status().connected; }, 10000));
        QVERIFY(f.server.resumeListening());

        f.main().hide();
        f.trayEntry(u"MNU_TrayOpen"_s)->trigger();
        QVERIFY(f.main().isVisible());

        emit f.host->menu->aboutToShow(); // the menu the desktop shows
        QAction *sound = f.trayEntry(u"MNU_TraySound"_s);
        QVERIFY(sound->isEnabled() && sound->isChecked());
        sound->trigger(); // unchecks: off, in the main window's menu too
        QVERIFY(!f.client->state().soundEnabled &&
                !child<QAction>(&f.main(), u"MNU_ActiveSound"_s)->isChecked());

        // A choice that cannot be written is said, and holds for this run.
        const qsizetype notices = f.desktop.notifier.shown.size();
        QVERIFY(QFile::remove(f.iniPath()) && QDir().mkdir(f.iniPath()));
        f.closeToTray()->trigger();
        QVERIFY(f.desktop.notifier.shown.size() == notices + 1 && f.closeToTray()->isChecked());

        answerQuit(f.client->shellCommands().quitFlow(), u"cmdQuitter"_s);
        const qsizetype before = f.server.requests.size();
        f.trayEntry(u"MNU_TrayQuit"_s)->trigger();
        QVERIFY(f.server.waitForRequests(before + 1));
        QVERIFY(f.server.requests.last().startsWith("GET /softlogoff.php?"));
    }

    // The close box hides the main window only when the user chose so (in the menu, or at an
    // earlier run) and a tray is there to bring it back; otherwise it asks to quit. The choice is in
    // the file after the two sections, which read as before.
    void closeBoxHidesOnlyWhenChosenAndATrayIsThere()
    {
        const int no = 0, inTheMenu = 1, inTheFile = 2;
        for (const auto &[trayPresent, chosen] : {std::pair(true, no), std::pair(true, inTheMenu),
                                                  std::pair(true, inTheFile), std::pair(false, inTheMenu)}) {
            TrayClient f(trayPresent);
            const QByteArray sections = formatConfig(f.server.hostWithPort(), true);
            Preferences earlier;
            earlier.closeToTray = chosen == inTheFile;
            f.writeIni(sections + formatPreferences(earlier));
            QVERIFY(f.logInWithMails());
            QCOMPARE(f.closeToTray()->isChecked(), chosen == inTheFile);
            if (chosen == inTheMenu)
                f.closeToTray()->trigger();
            QCOMPARE(f.host->visible, trayPresent);

            bool asked = false;
            whenQuitAsked(f.client->shellCommands().quitFlow(), [&](FrmQuitter &window) {
                asked = true;
                child<QPushButton>(&window, u"cmdAnnuler"_s)->click();
            });
            f.main().close();
            const bool hides = chosen != no && trayPresent;
            QVERIFY(hides || QTest::qWaitFor([&] { return asked; }));
            QTest::qWait(hides ? 100 : 0);
            QVERIFY(asked != hides && f.main().isVisible() != hides && f.desktop.notifier.shown.isEmpty());
            const QByteArray after = fileBytes(f.iniPath());
            QVERIFY(after.startsWith(sections) && parsePreferences(after).closeToTray == (chosen != no));
        }
    }
};

QTEST_MAIN(TestTray)
#include "test_tray.moc"
