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
struct MemoryPasswordStore : PasswordStore
{
    explicit MemoryPasswordStore(QMap<QString, QString> &kept) : kept(kept) {}
    void read(const QString &account, std::function<void(std::optional<QString>)> done) override
    {
        ++reads;
        QTimer::singleShot(0, &guard, [=, this] {
            done(kept.contains(account) ? std::optional(kept[account]) : std::nullopt);
        });
    }
    void write(const QString &account, const QString &password, std::function<void(bool)> done) override
    {
        QTimer::singleShot(0, &guard, [=, this] {
            if (!refuse)
                kept.insert(account, password);
            done(!refuse);
        });
    }
    void remove(const QString &account) override { kept.remove(account); }

    QMap<QString, QString> &kept;
    QObject guard;
    bool refuse = false;
    int reads = 0;
};

struct SignInClient : ClientFixture
{
    SignInClient() { useStore(); }
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
        // The main window is loaded at start-up, shown after the login; the file is left untouched.
        QVERIFY(f.login().isVisible() && f.main().isHidden() && f.login().pseudoText().isEmpty());
        QCOMPARE(fileBytes(f.iniPath()), formatConfig(f.server.hostWithPort(), true));
        QVERIFY(f.box(u"txtServer"_s)->text() == f.server.hostWithPort() &&
                f.box(u"txtPassword"_s)->echoMode() == QLineEdit::Password);
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
        // Spaces gone from the boxes, case kept.
        QVERIFY(f.box(u"txtLogin"_s)->text() == u"JeanPierre"_s &&
                f.box(u"txtPassword"_s)->text() == u"SeCret1"_s);
        FrmTryToConnect &trying = f.client->frmTryToConnect();
        QVERIFY(f.login().isHidden() && trying.isVisible() && f.desktop.notifier.shown.size() == 1);
        QVERIFY(child<QLabel>(&trying, u"lblTryToConnect"_s)->text().contains(f.server.hostWithPort()));
    }

    // A login the server takes and never answers: "Annuler" drops it and the login window is back,
    // without a notice; a later answer on that connection is nobody's business any more. Then nobody
    // listening: the notice, the login window again, and a try once the server is back signs in
    // without a "back again" box.
    void aLoginCancelledOrUnreachableGivesTheWindowBack()
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

        f.server.stopListening();
        f.submitLogin(u"jean"_s, u"secret"_s);
        QVERIFY(QTest::qWaitFor([&] { return f.client->frmLogin().isVisible(); }));
        QVERIFY(f.desktop.notifier.shown.size() == 1 &&
                f.desktop.notifier.shown[0].text.contains(u"est défaillant"_s));
        QVERIFY(!trying.isVisible() && !f.desktop.lifetime.ended() && !f.engine().refreshTimer().isActive());

        QVERIFY(f.server.resumeListening());
        f.server.queue(QByteArray("YOURLOGINISOK||"));
        f.submitLogin(u"jean"_s, u"secret"_s);
        QVERIFY(QTest::qWaitFor([&] { return f.main().isVisible(); }));
        QCOMPARE(f.desktop.notifier.shown.size(), 1);
    }

    void newMemberAndQuit()
    {
        ClientFixture f(u"jaserelle.example"_s);
        QVERIFY(f.client->start());
        QTest::mouseClick(child<QPushButton>(&f.client->frmLogin(), u"cmdNewMember"_s), Qt::LeftButton);
        QVERIFY(f.desktop.notifier.shown.size() == 1 &&
                f.desktop.notifier.shown[0].text.contains(u"jaserelle.example"_s));
        QCOMPARE(f.desktop.browser.opened, QStringList({u"jaserelle.example"_s}));
        QVERIFY(f.client->frmLogin().isVisible() && !f.desktop.lifetime.ended());

        QTest::keyClick(&f.client->frmLogin(), Qt::Key_Escape);
        QVERIFY(f.desktop.lifetime.ended());
        QCOMPARE(f.server.connections, 0);
    }

    // A second instance, no jaserelle.ini, or one that is there but no readable file.
    void startUpEndsWhenItMust()
    {
        for (const int trouble : {0, 1, 2}) {
            ClientFixture f;
            f.desktop.instance.otherInstanceRunning = trouble == 0;
            QVERIFY(trouble == 0 || QFile::remove(f.iniPath()));
            QVERIFY(trouble < 2 || QDir(f.dir.path()).mkdir(u"jaserelle.ini"_s));
            QVERIFY(!f.client->start());
            QVERIFY(f.desktop.notifier.shown.size() == 1 && f.desktop.lifetime.ended());
        }
    }

    // The pseudo last accepted is offered at the next start. The password is remembered only when
    // ticked (off by default), in the keyring, never the file, and the next start then signs in by
    // itself; unticked again, the keyring forgets it.
    void rememberedPseudoAndPassword()
    {
        SignInClient f;
        QVERIFY(f.logIn(u"Jean"_s, u"Secret"_s)); // the box left as it was
        QVERIFY(f.keyring.isEmpty() && f.preferences().lastPseudo == u"jean"_s);

        QVERIFY(f.restart());
        QVERIFY(f.main().isHidden()); // nothing kept: the user signs in
        QVERIFY(f.login().pseudoText() == u"jean"_s && f.login().passwordText().isEmpty());
        QCOMPARE(f.login().focusWidget(), f.box(u"txtPassword"_s));
        f.remember()->setChecked(true);
        f.submitLogin(u"jean"_s, u"Secret"_s);
        QTRY_COMPARE(f.keyring, (QMap<QString, QString>{{f.account(), u"secret"_s}}));
        QVERIFY(f.preferences().rememberPassword && !fileBytes(f.iniPath()).contains("ecret"));

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
        QVERIFY(f.keyring.isEmpty() && !f.preferences().rememberPassword &&
                f.desktop.notifier.shown.isEmpty());
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
        QVERIFY(!f.remember()->isChecked() && f.store->reads == 0);

        f.server.queue(QByteArray("YOURLOGINISWRONG"));
        f.submitLogin(u"paul"_s, u"faux"_s);
        QVERIFY(f.waitIdle() && f.server.requests.last().contains("login=paul"));
        QCOMPARE(f.preferences().lastPseudo, u"jean"_s);
    }

    // No server named: the login cannot start, the window is back. The login window names the
    // server: one that is none is refused, nothing written or sent; a good one changes the [server]
    // line and the client's own section stays.
    void serverField()
    {
        SignInClient f;
        Preferences chosen;
        chosen.connectedFirst = true;
        f.writeIni(formatConfig(QString(), false) + formatPreferences(chosen));
        QVERIFY(f.client->start());
        QLineEdit *field = f.box(u"txtServer"_s);
        f.submitLogin(u"jean"_s, u"secret"_s);
        QVERIFY(f.engine().serverWasDown() && f.engine().state() == RequestEngine::State::Idle);
        QVERIFY(f.login().isVisible() && !f.client->frmTryToConnect().isVisible() &&
                !f.desktop.lifetime.ended());

        field->setText(u"mauvais serveur"_s);
        f.submitLogin(u"jean"_s, u"secret"_s);
        QCOMPARE(f.desktop.notifier.shown,
                 (QList<Notice>{startFailureNotice(QString()), invalidServerNotice(u"mauvais serveur"_s)}));
        QVERIFY(field->text().isEmpty() && f.server.requests.isEmpty() && f.login().isVisible());

        f.server.queue(QByteArray("YOURLOGINISOK||"));
        field->setText(u"  "_s + f.server.hostWithPort() + u" "_s);
        f.submitLogin(u"jean"_s, u"secret"_s);
        QVERIFY(f.mainShown());
        QVERIFY(fileBytes(f.iniPath()).startsWith(formatConfig(f.server.hostWithPort(), false)));
        QVERIFY(f.preferences().connectedFirst && f.preferences().lastPseudo == u"jean"_s);
    }
};

QTEST_MAIN(TestSignIn)
#include "test_signin.moc"
