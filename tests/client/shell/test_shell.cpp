#include "client/assets/artwork.h"
#include "client/shell/autostart.h"
#include "client/shell/contactrow.h"
#include "client/shell/conversationlist.h"
#include "client/shell/frmapropos.h"
#include "client/shell/logininput.h"
#include "client/shell/preferences.h"
#include "client/shell/preferencesfile.h"
#include "client/shell/serverchoice.h"
#include "client/shell/shellcommands.h"
#include "tests/support/clientfixture.h"
#include "tests/support/enginefixture.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

// Remembers when the conversations were closed: how many requests the server had seen by then.
struct RecordingConversations : ConversationList
{
    explicit RecordingConversations(const ScriptedServer &server) : server(server) {}
    void closeEveryConversation() override { closedAfterRequests.append(server.requests.size()); }
    const ScriptedServer &server;
    QList<qsizetype> closedAfterRequests;
};

struct QuitFixture : EngineFixture
{
    RecordingConversations conversations{server};
    QuitFlow quit{state, engine, conversations};
};

} // namespace

// jaserelle.ini: the server and sound sections every client reads, then this client's own choices;
// what is typed in the login window; the main window: its layout, the mouse and keyboard rules of its
// three member lists, its own menu commands (the sound switches, the help, the about box, starting
// with the session); and leaving the client (the close box and the end on the logoff's answer are
// shown end to end).
class TestShell : public QObject
{
    Q_OBJECT

    std::unique_ptr<FrmMain> window; // the bare main window of the layout and list cases

    bool showWindow()
    {
        window = std::make_unique<FrmMain>();
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    QTreeWidget *list(const QString &name) { return child<QTreeWidget>(window.get(), name); }
    void showTab(int index) { child<QTabWidget>(window.get(), u"ssTab"_s)->setCurrentIndex(index); }
    static QTreeWidgetItem *addRow(QTreeWidget *list, const QString &pseudo, const QString &age = u"30"_s)
    {
        return new QTreeWidgetItem(list, {pseudo, age, u"75"_s, u"F"_s, QString()});
    }
    static void click(QTreeWidget *list, Qt::MouseButton button, QTreeWidgetItem *row = nullptr)
    {
        // No row: a point of the list below its last row.
        const QPoint at =
            row ? list->visualItemRect(row).center() : QPoint(20, list->viewport()->height() - 5);
        QTest::mouseClick(list->viewport(), button, {}, at);
    }
    QStringList openMenus()
    {
        QStringList open;
        for (QMenu *m : window->findChildren<QMenu *>()) {
            if (m->isVisible())
                open.append(m->objectName());
            m->hide();
        }
        return open;
    }

    // 1 for on, 0 for off, once the two check marks agree with the setting.
    static int sound(ClientFixture &f)
    {
        const bool on = f.client->state().soundEnabled;
        const bool agree = child<QAction>(&f.main(), u"MNU_ActiveSound"_s)->isChecked() == on &&
                           child<QAction>(&f.main(), u"MNU_DeActiveSound"_s)->isChecked() == !on;
        return agree ? int(on) : -1;
    }

private slots:
    void initTestCase()
    {
        initArtwork();
        qRegisterMetaType<QTreeWidgetItem *>();
    }
    void cleanup()
    {
        if (!window)
            return;
        openMenus();
        window->setCloseAllowed(true);
        window.reset();
    }

    void reading()
    {
        const std::initializer_list<std::tuple<QByteArray, QString, bool>> cases = {
            {"[server]\r\nlocalhost:8080\r\n\r\n[sound]\r\nenable\r\n", u"localhost:8080"_s, true},
            {"[Server]\r\nh\r\n[sound]\r\nenable\r\n", {}, false},     // section names are case-sensitive
            {"[sound]\r\nenable\r\n[server]\r\nh\r\n", u"h"_s, false}, // sound looked for after the server
            {"[server]\r\nh\r\n[sound]\r\nEnable \r\n", u"h"_s, false},
            {"[server]\r\n\r\n[server]\r\nh2\r\n[sound]\r\nenable\r\n", u"h2"_s, true},
            {"[server]\r\n Mon Serveur \r\n", u" Mon Serveur "_s, false},
            {"[server] \r\nh\r\n", {}, false},
            {"[server]\nh\n[sound]\nenable", u"h"_s, true},
            {"[server]", {}, false},
            {"[server]\r\nd\xE9mo\r\n", u"démo"_s, false}, // Windows-1252
        };
        for (const auto &[file, host, sound] : cases) {
            const ConfigValues v = parseConfig(file);
            QVERIFY2(v.serverHost == host && v.soundEnabled() == sound, file.constData());
        }
    }

    // The choices read back; a reader of the first two sections reads the longer file as before,
    // the host written in Windows-1252 as it always was. Garbage, or a runaway line, gives the
    // defaults.
    void choicesReadBackAndIgnoredByTheOldReader()
    {
        Preferences chosen;
        chosen.closeToTray = chosen.connectedFirst = chosen.rememberPassword = true;
        chosen.lastPseudo = u"andré"_s;
        const QByteArray file = formatConfig(u"démo:8080"_s, false) + formatPreferences(chosen);
        const Preferences back = parsePreferences(file);
        QVERIFY(back.closeToTray && back.connectedFirst && back.rememberPassword &&
                back.lastPseudo == u"andré"_s);
        QVERIFY(file.startsWith("[server]\r\nd\xE9mo:8080\r\n"));
        const ConfigValues old = parseConfig(file);
        QVERIFY(old.serverHost == u"démo:8080"_s && old.soundValue == u"disable"_s);
        // Choices are kept only beside the sections: a missing file is not made. That the sound
        // switch and the server box keep them is seen in the menus' and the sign-in's tests.
        QTemporaryDir dir;
        QVERIFY(!savePreferences(dir.path(), chosen) && QDir(dir.path()).isEmpty());

        for (const QByteArray &odd :
             {QByteArray("[preferences]\r\ncloseToTray\r\n=1\r\nconnectedFirst=oui\r\n"),
              QByteArray("[preferences]\r\n[autre]\r\ncloseToTray=1\r\n"),
              QByteArray("[preferences]\r\nlastPseudo=") + QByteArray(100000, 'a') + "\r\n",
              QByteArray("x[preferences]\r\ncloseToTray=1\r\n")}) {
            const Preferences read = parsePreferences(odd);
            QVERIFY2(!read.closeToTray && !read.connectedFirst && read.lastPseudo.isEmpty(), odd.left(40));
        }
    }

    // What is typed in the server box against the current "ici:8080": nothing that could break the
    // file's lines or the request goes.
    void serverChoice()
    {
        using V = ServerChoice::Verdict;
        const std::initializer_list<std::tuple<QString, V, QString>> cases = {
            {u" ici:8080 "_s, V::Unchanged, u"ici:8080"_s},
            {QString(), V::Unchanged, u"ici:8080"_s},
            {u"la-bas.example:80"_s, V::Changed, u"la-bas.example:80"_s},
            {u"https://[::1]:8443"_s, V::Changed, u"https://[::1]:8443"_s},
            {u"a\r\n[sound]"_s, V::Invalid, u"ici:8080"_s},
            {u"a b"_s, V::Invalid, u"ici:8080"_s},
            {u"a|b"_s, V::Invalid, u"ici:8080"_s},
            {u"ici\u200B:8080"_s, V::Invalid, u"ici:8080"_s},
            {QString(256, u'a'), V::Invalid, u"ici:8080"_s},
        };
        for (const auto &[typed, verdict, host] : cases) {
            const ServerChoice choice = chooseServer(typed, u"ici:8080"_s);
            QVERIFY2(choice.verdict == verdict && choice.host == host, qPrintable(typed));
        }
    }

    // Only letters and digits may be sent (the accepted case, the accent and the empty box are gone
    // through in the sign-in's test).
    void loginInput()
    {
        using V = LoginInput::Verdict;
        for (const auto &[pseudo, password, verdict] :
             {std::tuple(u"jean"_s, u"m%p"_s, V::NotAlphanumeric),
              std::tuple(u"a\tb"_s, u"x"_s, V::NotAlphanumeric), std::tuple(u"   "_s, u"  "_s, V::Empty)})
            QVERIFY2(cleanLoginInput(pseudo, password).verdict == verdict, qPrintable(pseudo));
    }

    void helpAboutAndSwitchingRewritesTheWholeFile()
    {
        ClientFixture f(u"jaserelle.example"_s);
        QVERIFY(f.client->start());
        trigger(&f.main(), u"MNU_OnLineHelp"_s);
        QCOMPARE(f.desktop.browser.opened, QStringList{u"jaserelle.example/onlinehelp.html"_s});
        trigger(&f.main(), u"MNU_APropos"_s);
        FrmAPropos &about = f.client->shellCommands().frmAPropos();
        QVERIFY(about.isVisible() &&
                child<QLabel>(&about, u"lblServeur"_s)->text() == u"jaserelle.example"_s);

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
        QVERIFY(!QFile::exists(f.iniPath()) && sound(f) == 0);

        // A directory where the file was: not even root, who runs these tests, can write it. On:
        // silent. Off: "erreur", no icon, the application's name as title. The setting changes anyway.
        QVERIFY(QDir(f.dir.path()).mkdir(u"jaserelle.ini"_s));
        trigger(&f.main(), u"MNU_ActiveSound"_s);
        QVERIFY(sound(f) == 1 && f.desktop.notifier.shown.isEmpty());
        trigger(&f.main(), u"MNU_DeActiveSound"_s);
        QCOMPARE(sound(f), 0);
        QCOMPARE(f.desktop.notifier.shown,
                 (QList<Notice>{{u"Jaserelle"_s, u"erreur"_s, Notice::Icon::None}}));
        QVERIFY(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty()); // no temporary left
    }

    // No sound device: both sound entries disabled, silently. Options > "Démarrer avec la session"
    // writes the autostart entry where the desktop looks, and removes it; a folder that cannot be
    // written is told and the check mark stays off.
    void noSoundDeviceAndStartWithSession()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const QString entry = config.filePath(u"autostart/jaserelle.desktop"_s);
        QCOMPARE(autostartPath(), entry);
        ClientFixture f;
        f.desktop.sound.device = false;
        QVERIFY(f.client->start() && f.desktop.notifier.shown.isEmpty() && !f.client->state().soundEnabled);
        QVERIFY(!child<QAction>(&f.main(), u"MNU_ActiveSound"_s)->isEnabled() &&
                !child<QAction>(&f.main(), u"MNU_DeActiveSound"_s)->isEnabled());
        QAction *option = child<QAction>(&f.main(), u"MNU_StartWithSession"_s);
        QVERIFY(option->isCheckable() && !option->isChecked());
        option->trigger();
        const QByteArray written = fileBytes(entry);
        QVERIFY(written.startsWith("[Desktop Entry]\n") &&
                written.contains("\nExec=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\"\n"));
        option->trigger();
        QVERIFY(!QFileInfo::exists(entry));

        // Written again behind the client's back: the menu tells when it opens.
        QVERIFY(setStartWithSession(true, u"/usr/bin/jaserelle"_s));
        emit f.main().optionsMenu()->aboutToShow();
        QVERIFY(option->isChecked() && setStartWithSession(false, {}));

        // The configuration folder is a file: nothing can go under it.
        QVERIFY(QFile(config.filePath(u"plain"_s)).open(QIODevice::WriteOnly));
        qputenv("XDG_CONFIG_HOME", config.filePath(u"plain"_s).toUtf8());
        emit f.main().optionsMenu()->aboutToShow();
        option->trigger();
        QVERIFY(!option->isChecked() && f.desktop.notifier.shown.size() == 1);

        // A relative folder is no configuration folder: the one in the home folder is used.
        qputenv("XDG_CONFIG_HOME", "relatif");
        QCOMPARE(autostartPath(), QDir::homePath() + u"/.config/autostart/jaserelle.desktop"_s);
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(autostartPath(), QDir::homePath() + u"/.config/autostart/jaserelle.desktop"_s);
        // The Exec line quotes the path the way desktops unquote it.
        QVERIFY(autostartEntry(u"/opt/Mes Programmes/100%/a\"b$c\\d`e"_s)
                    .contains("\nExec=\"/opt/Mes Programmes/100%%/a\\\\\"b\\\\$c\\\\\\\\d\\\\`e\"\n"));
    }

    // Quitting: the question returns at once; the answer, whenever it comes, decides. Asked again while it is
    // up, it is the same window, and one logoff goes.
    void quitCancelledTwiceThenConfirmedOnce()
    {
        QuitFixture b;
        FrmQuitter &question = b.quit.frmQuitter();
        b.quit.run();
        QVERIFY(question.isVisible() && !b.state.quitConfirmed);
        child<QPushButton>(&question, u"cmdAnnuler"_s)->click();
        QVERIFY(!question.isVisible() && !b.state.quitConfirmed);
        b.quit.run();
        question.close(); // the title bar's close box
        b.quit.run();
        b.quit.run();
        // Nothing before the answer.
        QVERIFY(question.isVisible() && !b.state.quitConfirmed &&
                b.conversations.closedAfterRequests.isEmpty());
        QCOMPARE(b.server.connections, 0);
        child<QPushButton>(&question, u"cmdQuitter"_s)->click();
        // The conversations closed before the logoff.
        QVERIFY(b.state.quitConfirmed && b.conversations.closedAfterRequests == QList<qsizetype>{0});
        QVERIFY(b.server.waitForRequests(1));
        QVERIFY(
            b.server.requests[0].startsWith("GET /softlogoff.php?login=jean&password=secret1 HTTP/1.1\r\n"));
        QTest::qWait(50);
        QCOMPARE(b.server.requests.size(), 1);
        b.quit.run(); // once leaving, a further close request does not ask again
        QVERIFY(!question.isVisible() && b.conversations.closedAfterRequests.size() == 1);
    }

    // The window opens at its design's size, never gets smaller, and gives any room it is given to
    // the member lists: the favourites take the height, the black list stays on the page's bottom edge.
    void listsTakeTheRoom()
    {
        QVERIFY(showWindow());
        const QSize designed = window->size();
        QCOMPARE(window->minimumSize(), designed);
        QVERIFY(window->maximumSize().width() > designed.width());
        showTab(1); // the search page laid out at the design's size too
        QTest::qWait(0);
        showTab(0);
        const QRect favoris = window->lvFavoris()->geometry(), noire = window->lvListeNoire()->geometry();
        const QRect recherche = window->lvRecherche()->geometry();
        window->resize(designed + QSize(200, 300));
        QTRY_COMPARE(window->lvFavoris()->size(), favoris.size() + QSize(200, 300));
        QCOMPARE(window->lvListeNoire()->geometry(), noire.translated(0, 300).adjusted(0, 0, 200, 0));
        showTab(1);
        QTRY_COMPARE(window->lvRecherche()->width(), recherche.width() + 200);
        QVERIFY(window->lvRecherche()->height() > recherche.height());
    }

    // On empty space no menu and the row stays selected; a left click moves only the list's own
    // selection. A new search empties the list while its menu could still be open: the commands have
    // nothing left to act on, rather than a row that is gone.
    void onlyARightClickOnARowSelectsIt()
    {
        QVERIFY(showWindow());
        for (const auto &[tab, listName, menu] : {std::tuple(0, u"lvFavoris"_s, u"MNU_Favoris"_s),
                                                  std::tuple(0, u"lvListeNoire"_s, u"MNU_ListeNoire"_s),
                                                  std::tuple(1, u"lvRecherche"_s, u"MNU_Recherche"_s)}) {
            showTab(tab);
            QTreeWidget *lv = list(listName);
            QTreeWidgetItem *alice = addRow(lv, u"alice"_s), *bob = addRow(lv, u"bob"_s);
            click(lv, Qt::RightButton, bob);
            QCOMPARE(window->selectedItem(), bob);
            QCOMPARE(openMenus(), QStringList{menu});
            click(lv, Qt::RightButton);
            QVERIFY(openMenus().isEmpty() && window->selectedItem() == bob);
            click(lv, Qt::LeftButton, alice);
            QVERIFY(lv->currentItem() == alice && window->selectedItem() == bob);
        }
        QTreeWidget *recherche = window->lvRecherche();
        delete recherche->topLevelItem(0); // another row going leaves it alone
        QCOMPARE(window->selectedItem(), recherche->topLevelItem(0));
        QSignalSpy profil(window.get(), &FrmMain::profilRequested);
        recherche->clear();
        trigger(window.get(), u"MNU_ProfilFromRecherche"_s);
        QVERIFY(window->selectedItem() == nullptr && profil.isEmpty());
    }

    // Without a mouse: the menu of the current row, a call to a connected favourite, a search.
    void keyboard()
    {
        QVERIFY(showWindow());
        QTreeWidget *lv = list(u"lvFavoris"_s);
        QTreeWidgetItem *alice = addRow(lv, u"alice"_s), *bob = addRow(lv, u"bob"_s);
        contactrow::setOnline(bob, true);
        lv->setCurrentItem(alice);
        QMenu *menu = child<QMenu>(window.get(), u"MNU_Favoris"_s);
        for (const auto &[key, modifiers] :
             {std::pair(Qt::Key_Menu, Qt::NoModifier), std::pair(Qt::Key_F10, Qt::ShiftModifier)}) {
            QTest::keyClick(lv, key, modifiers);
            const int rowBottom = lv->viewport()->mapToGlobal(lv->visualItemRect(alice).bottomRight()).y();
            QVERIFY(window->selectedItem() == alice && menu->isVisible() && rowBottom + 2 >= menu->y());
            openMenus();
        }

        QSignalSpy call(window.get(), &FrmMain::callRequested);
        QTest::keyClick(lv, Qt::Key_Return); // alice is offline
        lv->setCurrentItem(bob);
        QTest::keyClick(lv, Qt::Key_Return);
        QVERIFY(call.size() == 1 && call[0][0].value<QTreeWidgetItem *>() == bob);

        QSignalSpy search(window.get(), &FrmMain::searchPseudoRequested);
        QTest::keyClick(child<QLineEdit>(window.get(), u"txtSearchPseudo"_s), Qt::Key_Return);
        QCOMPARE(search.size(), 1);
    }

    // Every header of the favourites reads in full, the last column stays clear of the vertical scroll
    // bar, and the columns snap back on every press. Header clicks flip the text order: unsorted
    // counts as ascending, so the first click sorts descending, in text order ("9" after "10");
    // another column flips the direction again, ages compared as text.
    void favouritesColumns()
    {
        QVERIFY(showWindow());
        QTreeWidget *lv = window->lvFavoris();
        QHeaderView *header = lv->header();
        const auto widths = [header] {
            return QList<int>{header->sectionSize(0), header->sectionSize(1), header->sectionSize(2),
                              header->sectionSize(3), header->sectionSize(4)};
        };
        const QList<int> design = widths();
        for (int column = 0; column < 4; ++column)
            QVERIFY(design[column] > header->fontMetrics().horizontalAdvance(lv->headerItem()->text(column)));
        QVERIFY(design[0] + design[1] + design[2] + design[3] <=
                lv->width() - 2 * lv->frameWidth() - lv->verticalScrollBar()->sizeHint().width());
        QCOMPARE(design[4], 0);
        for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
            header->resizeSection(4, 70); // the address column dragged open
            header->resizeSection(0, 40);
            click(lv, button);
            QCOMPARE(widths(), design);
        }

        addRow(lv, u"10"_s, u"9"_s);
        addRow(lv, u"9"_s, u"25"_s);
        addRow(lv, u"2"_s, u"100"_s);
        QStringList orders;
        for (const int column : {0, 0, 1, 1}) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              {header->sectionViewportPosition(column) + 4, header->height() / 2});
            orders << pseudos(lv);
        }
        QCOMPARE(orders, (QStringList{u"9 2 10"_s, u"10 2 9"_s, u"10 9 2"_s, u"2 9 10"_s}));
        addRow(lv, u"late"_s, u"3"_s); // a row added later takes its place in that order
        QCOMPARE(pseudos(lv), u"2 9 late 10"_s);
    }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"
