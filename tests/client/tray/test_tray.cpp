#include "client/shell/configfile.h"
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
class FakeTrayHost : public TrayHost
{
public:
    explicit FakeTrayHost(bool present) : present_(present) {}
    bool available() const override { return present_; }
    void show(const QIcon &, const QString &tip, QMenu *shownMenu) override
    {
        visible = true;
        toolTip = tip;
        menu = shownMenu;
    }
    void hide() override { visible = false; }

    bool visible = false;
    QString toolTip;
    QMenu *menu = nullptr;

private:
    bool present_;
};

const QByteArray refreshWithMails =
    "REFRESHISOK|NOFAVORISDEFINED|NOLISTENOIREDEFINED|IAMINNOONELISTENOIRE|MYMAILSNUMBER,3,";

struct TrayClient : ClientFixture
{
    explicit TrayClient(bool trayPresent = true)
    {
        auto fake = std::make_unique<FakeTrayHost>(trayPresent);
        host = fake.get();
        client->setTrayHost(std::move(fake));
    }
    TrayIcon &icon() { return client->tray().icon(); }
    QAction *closeToTray() { return child<QAction>(&main(), u"MNU_CloseToTray"_s); }
    QAction *trayEntry(const QString &name) { return child<QAction>(host->menu, name); }
    FrmQuitter &quitter() { return client->shellCommands().quitFlow().frmQuitter(); }
    bool logInWithMails()
    {
        server.queue(QByteArray("YOURLOGINISOK||"));
        server.queue(refreshWithMails);
        if (!client->start())
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
    void followsConnectionMailsAndCalls()
    {
        TrayClient f;
        QVERIFY(f.client->start());
        QVERIFY(f.host->visible);
        QCOMPARE(f.icon().look(), TrayLook::Offline);
        QCOMPARE(f.host->toolTip, u"Jaserelle : non connecté"_s);

        f.server.queue(QByteArray("YOURLOGINISOK||"));
        f.server.queue(refreshWithMails);
        f.submitLogin(u"demo"_s, u"secret"_s);
        QVERIFY(QTest::qWaitFor([&] { return f.icon().status().waitingMails == 3; }));
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

        f.client->tray().setUnreadMessages(2);
        QCOMPARE(f.icon().look(), TrayLook::Unread);
        QVERIFY(f.host->toolTip.contains(u"2 messages non lus"_s));
        f.client->tray().setUnreadMessages(0);

        // The server gone: the next refresh fails and the tray says so.
        f.server.stopListening();
        f.engine().startRefresh();
        QVERIFY(QTest::qWaitFor([&] { return !f.icon().status().connected; }, 10000));
    }

    void menuOpensSwitchesSoundAndQuitsThroughTheConfirmation()
    {
        TrayClient f;
        QVERIFY(f.logInWithMails());
        f.main().hide();
        f.trayEntry(u"MNU_TrayOpen"_s)->trigger();
        QVERIFY(f.main().isVisible());

        emit f.host->menu->aboutToShow(); // the menu the desktop shows
        QAction *sound = f.trayEntry(u"MNU_TraySound"_s);
        QVERIFY(sound->isEnabled() && sound->isChecked());
        sound->trigger(); // unchecks: off
        QVERIFY(!f.client->state().soundEnabled);
        QVERIFY(!child<QAction>(&f.main(), u"MNU_ActiveSound"_s)->isChecked());
        QCOMPARE(parseConfig(fileBytes(f.iniPath())).soundValue, u"disable"_s);

        answerQuit(f.client->shellCommands().quitFlow(), u"cmdQuitter"_s);
        const qsizetype before = f.server.requests.size();
        f.trayEntry(u"MNU_TrayQuit"_s)->trigger();
        QVERIFY(f.server.waitForRequests(before + 1));
        QVERIFY(f.server.requests.last().startsWith("GET /softlogoff.php?"));
    }

    void trayOpensTheLoginWindowBeforeSigningIn()
    {
        TrayClient f;
        QVERIFY(f.client->start());
        f.client->frmLogin().hide();
        f.trayEntry(u"MNU_TrayOpen"_s)->trigger();
        QVERIFY(f.client->frmLogin().isVisible());
        QVERIFY(!f.main().isVisible());
    }

    void closeBoxHidesOnlyWhenChosenAndATrayIsThere_data()
    {
        QTest::addColumn<bool>("trayPresent");
        QTest::addColumn<bool>("chosen");
        QTest::newRow("off by default") << true << false;
        QTest::newRow("chosen") << true << true;
        QTest::newRow("chosen, no tray") << false << true;
    }
    void closeBoxHidesOnlyWhenChosenAndATrayIsThere()
    {
        QFETCH(bool, trayPresent);
        QFETCH(bool, chosen);
        TrayClient f(trayPresent);
        QVERIFY(f.logInWithMails());
        QVERIFY(!f.closeToTray()->isChecked());
        QVERIFY(f.main().optionsMenu()->actions().contains(f.closeToTray()));
        const QByteArray before = fileBytes(f.iniPath());
        const QByteArray sections = formatConfig(f.server.hostWithPort(), true);
        QVERIFY(before.startsWith(sections));
        if (chosen)
            f.closeToTray()->trigger();
        QCOMPARE(f.host->visible, trayPresent);

        bool asked = false;
        whenQuitAsked(f.client->shellCommands().quitFlow(), [&](FrmQuitter &window) {
            asked = true;
            child<QPushButton>(&window, u"cmdAnnuler"_s)->click();
        });
        f.main().close();
        const bool hides = chosen && trayPresent;
        if (hides) {
            QVERIFY(!f.main().isVisible());
            QTest::qWait(100);
            QVERIFY(!asked);
        } else {
            QVERIFY(QTest::qWaitFor([&] { return asked; }));
            QVERIFY(f.main().isVisible());
        }
        QVERIFY(f.desktop.notifier.shown.isEmpty());

        // The choice is in the file after the two sections, which read as before.
        const QByteArray after = fileBytes(f.iniPath());
        QVERIFY(after.startsWith(sections));
        QCOMPARE(parsePreferences(after).closeToTray, chosen);
    }

    void choiceIsReadBackAtTheNextStart()
    {
        TrayClient f;
        Preferences chosen;
        chosen.closeToTray = true;
        f.writeIni(formatConfig(f.server.hostWithPort(), true) + formatPreferences(chosen));
        QVERIFY(f.logInWithMails());
        QVERIFY(f.closeToTray()->isChecked());
        f.main().close();
        QVERIFY(!f.main().isVisible());
    }

    void choiceThatCannotBeWrittenIsSaid()
    {
        TrayClient f;
        QVERIFY(f.logInWithMails());
        QFile::remove(f.iniPath());
        QDir().mkdir(f.iniPath()); // a folder where the file was: nothing can be written there
        f.closeToTray()->trigger();
        QCOMPARE(f.desktop.notifier.shown.size(), 1);
        QVERIFY(f.closeToTray()->isChecked()); // holds for this run
    }
};

QTEST_MAIN(TestTray)
#include "test_tray.moc"
