#include "client/security/passwordstore.h"
#include "client/server/enginenotices.h"
#include "client/shell/frmtrytoconnect.h"
#include "client/shell/preferences.h"
#include "client/shell/serverchoice.h"
#include "client/shell/signinmemory.h"
#include "tests/support/clientfixture.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>

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
            if (!refuse)
                kept_.insert(account, password);
            done(!refuse);
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
    // The next start, on the same files and the same keyring; `accepted` queues a login answer.
    bool restart(bool accepted = true)
    {
        client.reset();
        ClientState state;
        state.appDir = dir.path();
        state.localAddress = QHostAddress(QHostAddress::LocalHost);
        client = std::make_unique<Client>(state, desktop.platform());
        useStore();
        if (accepted)
            server.queue(QByteArray("YOURLOGINISOK||"));
        return client->start();
    }
    FrmLogin &login() { return client->frmLogin(); }
    QLineEdit *box(const QString &name) { return child<QLineEdit>(&login(), name); }
    QCheckBox *remember() { return child<QCheckBox>(&login(), u"chkRememberPassword"_s); }
    Preferences preferences() const { return parsePreferences(fileBytes(iniPath())); }
    QString account() const { return u"jean@"_s + server.hostWithPort(); }
    bool mainShown()
    {
        return QTest::qWaitFor([&] { return main().isVisible(); });
    }

    QMap<QString, QString> keyring;
    MemoryPasswordStore *store = nullptr;
};

} // namespace

// The start-up and the sign-in, driven as a user would, up to the main window.
class TestSignIn : public QObject
{
    Q_OBJECT

private slots:
    void aNewUserLogsIn()
    {
        SignInClient f;
        QVERIFY(f.client->start());
        QVERIFY(f.login().isVisible() && f.main().isHidden()); // loaded at start-up, shown after the login
        QVERIFY(f.login().pseudoText().isEmpty());
        QCOMPARE(fileBytes(f.iniPath()), formatConfig(f.server.hostWithPort(), true)); // untouched
        QCOMPARE(f.box(u"txtLogin"_s)->maxLength(), 16);
        QCOMPARE(f.box(u"txtPassword"_s)->echoMode(), QLineEdit::Password);
        // Not only letters and digits: told, the boxes emptied, nothing sent; an empty box says nothing.
        f.submitLogin(u"jean"_s, QString());
        QVERIFY(f.desktop.notifier.shown.isEmpty());
        f.submitLogin(u"élodie"_s, u"x"_s);
        QVERIFY(f.box(u"txtLogin"_s)->text().isEmpty() && f.box(u"txtPassword"_s)->text().isEmpty());
        QVERIFY(f.login().isVisible() && f.desktop.notifier.shown.size() == 1);

        QTest::keyClicks(f.box(u"txtLogin"_s), u" Jean Pierre"_s);
        QTest::keyClicks(f.box(u"txtPassword"_s), u"Se Cret1"_s);
        QTest::keyClick(f.box(u"txtPassword"_s), Qt::Key_Return);
        QVERIFY(f.server.waitForRequests(1));
        QCOMPARE(f.requestLine(0), "GET /softlogin.php?login=jeanpierre&password=secret1 HTTP/1.1");
        QCOMPARE(f.box(u"txtLogin"_s)->text(), u"JeanPierre"_s); // spaces gone from the boxes, case kept
        QCOMPARE(f.box(u"txtPassword"_s)->text(), u"SeCret1"_s);
        QVERIFY(f.login().isHidden());
        FrmTryToConnect &trying = f.client->frmTryToConnect();
        QVERIFY(trying.isVisible());
        QVERIFY(child<QLabel>(&trying, u"lblTryToConnect"_s)->text().contains(f.server.hostWithPort()));
        QCOMPARE(f.desktop.notifier.shown.size(), 1);
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

    // No server named, or nobody listening there: the notice, then the login window again, and a
    // second try once the server is there signs in.
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
        f.server.queue(QByteArray("YOURLOGINISOK||"));
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

    // The pseudo last accepted is offered at the next start. The password is remembered only when
    // ticked (off by default), in the keyring, never the file, and the next start then signs in by
    // itself; unticked again, the keyring forgets it.
    void rememberedPseudoAndPassword()
    {
        SignInClient f;
        QVERIFY(f.logIn(u"Jean"_s, u"Secret"_s)); // the box left as it was
        QVERIFY(f.keyring.isEmpty());
        QCOMPARE(f.preferences().lastPseudo, u"jean"_s);
        QVERIFY(fileBytes(f.iniPath()).startsWith(formatConfig(f.server.hostWithPort(), true)));

        QVERIFY(f.restart());
        QVERIFY(f.main().isHidden()); // nothing kept: the user signs in
        QCOMPARE(f.login().pseudoText(), u"jean"_s);
        QVERIFY(f.login().passwordText().isEmpty());
        QCOMPARE(f.login().focusWidget(), f.box(u"txtPassword"_s));
        f.remember()->setChecked(true);
        f.submitLogin(u"jean"_s, u"Secret"_s);
        QTRY_COMPARE(f.keyring, (QMap<QString, QString>{{f.account(), u"secret"_s}}));
        QVERIFY(f.preferences().rememberPassword);
        QVERIFY(!fileBytes(f.iniPath()).contains("ecret"));

        const qsizetype before = f.server.requests.size();
        QVERIFY(f.restart());
        QVERIFY(f.remember()->isChecked() && f.mainShown());
        QVERIFY(f.server.requests.value(before).contains("secret"));
        QVERIFY(f.server.waitForRequests(int(before) + 2) && f.waitIdle()); // its first refresh too

        // Unticked at a later sign-in: forgotten. The user types before the keyring answers, so
        // the automatic sign-in does not go ahead of him.
        QVERIFY(f.restart());
        QVERIFY(f.remember()->isChecked());
        f.remember()->setChecked(false);
        f.submitLogin(u"jean"_s, u"secret"_s);
        QVERIFY(f.mainShown());
        QTest::qWait(0); // the keyring's late answer finds the window gone
        QVERIFY(f.keyring.isEmpty() && !f.preferences().rememberPassword);
        QVERIFY(f.desktop.notifier.shown.isEmpty());
    }

    // The keyring refuses: the user hears it once, and the next start asks for the password. A
    // pseudo the server refuses is not the one offered next time.
    void refusedByTheKeyringOrTheServer()
    {
        SignInClient f;
        f.store->refuse = true;
        f.server.queue(QByteArray("YOURLOGINISOK||"));
        QVERIFY(f.client->start());
        f.remember()->setChecked(true);
        f.submitLogin(u"jean"_s, u"secret"_s);
        QTRY_COMPARE(f.desktop.notifier.shown, QList<Notice>{passwordNotKeptNotice()});
        QVERIFY(!f.preferences().rememberPassword);
        QVERIFY(f.restart(false));
        QVERIFY(!f.remember()->isChecked());
        QCOMPARE(f.store->reads, 0);

        f.server.queue(QByteArray("YOURLOGINISWRONG"));
        f.submitLogin(u"paul"_s, u"faux"_s);
        QVERIFY(f.waitIdle() && f.server.requests.last().contains("login=paul"));
        QCOMPARE(f.preferences().lastPseudo, u"jean"_s);
    }

    // The login window names the server: the [server] line changes, the client's own section stays.
    void serverField()
    {
        SignInClient f(u"ailleurs.invalid:1"_s);
        Preferences chosen;
        chosen.connectedFirst = true;
        f.writeIni(formatConfig(u"ailleurs.invalid:1"_s, false) + formatPreferences(chosen));
        QVERIFY(f.client->start());
        QLineEdit *field = f.box(u"txtServer"_s);
        QCOMPARE(field->text(), u"ailleurs.invalid:1"_s);

        // Not a server: told, nothing written, nothing sent.
        field->setText(u"mauvais serveur"_s);
        f.submitLogin(u"jean"_s, u"secret"_s);
        QCOMPARE(f.desktop.notifier.shown, QList<Notice>{invalidServerNotice(u"mauvais serveur"_s)});
        QCOMPARE(field->text(), u"ailleurs.invalid:1"_s);
        QVERIFY(f.server.requests.isEmpty() && f.login().isVisible());

        f.server.queue(QByteArray("YOURLOGINISOK||"));
        field->setText(u"  "_s + f.server.hostWithPort() + u" "_s);
        f.submitLogin(u"jean"_s, u"secret"_s);
        QVERIFY(f.mainShown());
        QVERIFY(fileBytes(f.iniPath()).startsWith(formatConfig(f.server.hostWithPort(), false)));
        QVERIFY(f.preferences().connectedFirst);
        QCOMPARE(f.preferences().lastPseudo, u"jean"_s);
    }
};

QTEST_MAIN(TestSignIn)
#include "test_signin.moc"
