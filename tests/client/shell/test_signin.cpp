#include "client/security/passwordstore.h"
#include "client/shell/autostart.h"
#include "client/shell/preferences.h"
#include "client/shell/serverchoice.h"
#include "client/shell/signinmemory.h"
#include "tests/support/clientfixture.h"

#include <QCheckBox>
#include <QDir>
#include <QMenu>

using namespace Qt::StringLiterals;

namespace {

// The desktop's keyring as a map that answers a moment later, as the real one does.
class MemoryPasswordStore : public PasswordStore
{
public:
    explicit MemoryPasswordStore(QMap<QString, QString> &kept) : kept_(kept) {}
    void read(const QString &account, std::function<void(std::optional<QString>)> done) override
    {
        ++reads;
        QTimer::singleShot(0, &guard_, [this, account, done] {
            done(kept_.contains(account) ? std::optional(kept_.value(account)) : std::nullopt);
        });
    }
    void write(const QString &account, const QString &password, std::function<void(bool)> done) override
    {
        QTimer::singleShot(0, &guard_, [this, account, password, done] {
            if (refuse)
                return done(false);
            kept_.insert(account, password);
            done(true);
        });
    }
    void remove(const QString &account) override { kept_.remove(account); }

    bool refuse = false;
    int reads = 0;

private:
    QMap<QString, QString> &kept_;
    QObject guard_;
};

struct SignInClient : ClientFixture
{
    explicit SignInClient(const QString &serverHost = {}) : ClientFixture(serverHost) { useStore(); }
    void useStore()
    {
        auto memory = std::make_unique<MemoryPasswordStore>(keyring);
        store = memory.get();
        client->setPasswordStore(std::move(memory));
    }
    // The next start, on the same files and the same keyring.
    void restart()
    {
        client.reset();
        ClientState state;
        state.appDir = dir.path();
        state.localAddress = QHostAddress(QHostAddress::LocalHost);
        client = std::make_unique<Client>(state, desktop.platform());
        useStore();
    }
    QCheckBox *remember() { return child<QCheckBox>(&client->frmLogin(), u"chkRememberPassword"_s); }
    QLineEdit *serverField() { return child<QLineEdit>(&client->frmLogin(), u"txtServer"_s); }
    Preferences preferences() const { return parsePreferences(fileBytes(iniPath())); }
    QString account() const { return u"jean@"_s + server.hostWithPort(); }

    QMap<QString, QString> keyring;
    MemoryPasswordStore *store = nullptr;
};

} // namespace

class TestSignIn : public QObject
{
    Q_OBJECT

private slots:
    // Off by default; ticked, the password goes to the keyring (never the file) and the next start
    // signs in by itself; unticked again, the keyring forgets it.
    void rememberedPasswordSignsInAtStart()
    {
        SignInClient f;
        QVERIFY(f.client->start());
        QVERIFY(!f.remember()->isChecked());
        QVERIFY(f.logIn(u"Jean"_s, u"Secret"_s)); // the box left as it was
        QVERIFY(f.keyring.isEmpty());

        f.restart();
        f.server.queue(QByteArray("YOURLOGINISOK||"));
        QVERIFY(f.client->start());
        QVERIFY(f.main().isHidden()); // nothing kept: the user signs in
        f.remember()->setChecked(true);
        f.submitLogin(u"jean"_s, u"Secret"_s);
        QTRY_COMPARE(f.keyring, (QMap<QString, QString>{{f.account(), u"secret"_s}}));
        QVERIFY(f.preferences().rememberPassword);
        QVERIFY(!fileBytes(f.iniPath()).contains("ecret"));

        f.restart();
        const qsizetype before = f.server.requests.size();
        f.server.queue(QByteArray("YOURLOGINISOK||"));
        QVERIFY(f.client->start());
        QVERIFY(f.remember()->isChecked());
        QVERIFY(QTest::qWaitFor([&] { return f.main().isVisible(); }));
        QVERIFY(f.server.requests.value(before).contains("secret"));
        QVERIFY(f.server.waitForRequests(int(before) + 2) && f.waitIdle()); // its first refresh too

        // Unticked at a later sign-in: forgotten. The user types before the keyring answers, so
        // the automatic sign-in does not go ahead of him.
        f.restart();
        f.server.queue(QByteArray("YOURLOGINISOK||"));
        QVERIFY(f.client->start());
        QVERIFY(f.remember()->isChecked());
        f.remember()->setChecked(false);
        f.submitLogin(u"jean"_s, u"secret"_s);
        QVERIFY(QTest::qWaitFor([&] { return f.main().isVisible(); }));
        QTest::qWait(0); // the keyring's late answer finds the window gone
        QVERIFY(f.keyring.isEmpty());
        QVERIFY(!f.preferences().rememberPassword);
        QVERIFY(f.desktop.notifier.shown.isEmpty());
    }

    // The keyring refuses: the user hears it once, and the next start asks for the password.
    void refusedByTheKeyring()
    {
        SignInClient f;
        f.store->refuse = true;
        f.server.queue(QByteArray("YOURLOGINISOK||"));
        QVERIFY(f.client->start());
        f.remember()->setChecked(true);
        f.submitLogin(u"jean"_s, u"secret"_s);
        QTRY_COMPARE(f.desktop.notifier.shown, QList<Notice>{passwordNotKeptNotice()});
        QVERIFY(!f.preferences().rememberPassword);
        f.restart();
        QVERIFY(f.client->start());
        QVERIFY(!f.remember()->isChecked());
        QCOMPARE(f.store->reads, 0);
    }

    // The login window names the server: the [server] line changes, the client's own section stays.
    void serverField()
    {
        SignInClient f(u"ailleurs.invalid:1"_s);
        Preferences chosen;
        chosen.connectedFirst = true;
        f.writeIni(formatConfig(u"ailleurs.invalid:1"_s, false) + formatPreferences(chosen));
        f.client->state().serverHost = u"ailleurs.invalid:1"_s;
        QVERIFY(f.client->start());
        QCOMPARE(f.serverField()->text(), u"ailleurs.invalid:1"_s);

        // Not a server: told, nothing written, nothing sent.
        f.serverField()->setText(u"mauvais serveur"_s);
        f.submitLogin(u"jean"_s, u"secret"_s);
        QCOMPARE(f.desktop.notifier.shown, QList<Notice>{invalidServerNotice(u"mauvais serveur"_s)});
        QCOMPARE(f.serverField()->text(), u"ailleurs.invalid:1"_s);
        QVERIFY(f.server.requests.isEmpty());
        QVERIFY(f.client->frmLogin().isVisible());

        f.server.queue(QByteArray("YOURLOGINISOK||"));
        f.serverField()->setText(u"  "_s + f.server.hostWithPort() + u" "_s);
        f.submitLogin(u"jean"_s, u"secret"_s);
        QVERIFY(QTest::qWaitFor([&] { return f.main().isVisible(); }));
        const QByteArray file = fileBytes(f.iniPath());
        QVERIFY(file.startsWith(formatConfig(f.server.hostWithPort(), false)));
        QVERIFY(f.preferences().connectedFirst);
        QCOMPARE(f.preferences().lastPseudo, u"jean"_s);
    }

    void serverChoice_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QString>("host");
        const int unchanged = int(ServerChoice::Verdict::Unchanged);
        const int changed = int(ServerChoice::Verdict::Changed);
        const int invalid = int(ServerChoice::Verdict::Invalid);
        QTest::newRow("same") << u" ici:8080 "_s << unchanged << u"ici:8080"_s;
        QTest::newRow("empty keeps the server") << u""_s << unchanged << u"ici:8080"_s;
        QTest::newRow("another") << u"la-bas.example:80"_s << changed << u"la-bas.example:80"_s;
        QTest::newRow("address and scheme") << u"https://[::1]:8443"_s << changed << u"https://[::1]:8443"_s;
        QTest::newRow("line break") << u"a\r\n[sound]"_s << invalid << u"ici:8080"_s;
        QTest::newRow("inner space") << u"a b"_s << invalid << u"ici:8080"_s;
        QTest::newRow("separator") << u"a|b"_s << invalid << u"ici:8080"_s;
        QTest::newRow("hidden character") << u"ici\u200B:8080"_s << invalid << u"ici:8080"_s;
        QTest::newRow("overlong") << QString(256, u'a') << invalid << u"ici:8080"_s;
    }
    void serverChoice()
    {
        QFETCH(QString, typed);
        QFETCH(int, verdict);
        QFETCH(QString, host);
        const ServerChoice choice = chooseServer(typed, u"ici:8080"_s);
        QCOMPARE(int(choice.verdict), verdict);
        QCOMPARE(choice.host, host);
    }

    // Options > "Démarrer avec la session" writes the autostart entry where the desktop looks, and
    // removes it; a folder that cannot be written is told and the check mark stays true.
    void startWithSession()
    {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const QString entry = config.filePath(u"autostart/jaserelle.desktop"_s);
        QCOMPARE(autostartPath(), entry);
        SignInClient f;
        QAction *option = child<QAction>(&f.main(), u"MNU_StartWithSession"_s);
        QVERIFY(option->isCheckable() && !option->isChecked());
        option->trigger();
        const QByteArray written = fileBytes(entry);
        QVERIFY(written.startsWith("[Desktop Entry]\n"));
        QVERIFY(written.contains("\nExec=\"" + QCoreApplication::applicationFilePath().toUtf8() + "\"\n"));
        option->trigger();
        QVERIFY(!QFileInfo::exists(entry));

        // Removed behind the client's back, written again by the user's hand: the menu tells.
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
    }

    // The Exec line quotes the path the way desktops unquote it.
    void execLineQuoting()
    {
        const QByteArray entry = autostartEntry(u"/opt/Mes Programmes/100%/a\"b$c\\d`e"_s);
        QVERIFY(entry.contains("\nExec=\"/opt/Mes Programmes/100%%/a\\\\\"b\\\\$c\\\\\\\\d\\\\`e\"\n"));
    }
};

QTEST_MAIN(TestSignIn)
#include "test_signin.moc"
