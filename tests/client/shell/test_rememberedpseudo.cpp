#include "client/shell/preferences.h"
#include "tests/support/clientfixture.h"

using namespace Qt::StringLiterals;

// The login window offers the pseudo that last signed in on this machine.
class TestRememberedPseudo : public QObject
{
    Q_OBJECT

private slots:
    void acceptedPseudoIsOfferedAtTheNextStart()
    {
        ClientFixture f;
        QVERIFY(f.logIn(u"Jean"_s, u"secret"_s));
        QCOMPARE(parsePreferences(fileBytes(f.iniPath())).lastPseudo, u"jean"_s);
        const QByteArray withPseudo = fileBytes(f.iniPath());
        QVERIFY(withPseudo.startsWith(formatConfig(f.server.hostWithPort(), true)));

        // The next start, on the same file.
        f.client.reset();
        ClientState state;
        state.appDir = f.dir.path();
        state.localAddress = QHostAddress(QHostAddress::LocalHost);
        f.client = std::make_unique<Client>(state, f.desktop.platform());
        QVERIFY(f.client->start());
        FrmLogin &login = f.client->frmLogin();
        QCOMPARE(login.pseudoText(), u"jean"_s);
        QVERIFY(login.passwordText().isEmpty());
        QCOMPARE(login.focusWidget(), child<QLineEdit>(&login, u"txtPassword"_s));

        // A pseudo the server refuses is not the one offered next time.
        const qsizetype before = f.server.requests.size();
        f.server.queue(QByteArray("YOURLOGINISWRONG"));
        f.submitLogin(u"paul"_s, u"faux"_s);
        QVERIFY(f.server.waitForRequests(before + 1) && f.waitIdle());
        QCOMPARE(parsePreferences(fileBytes(f.iniPath())).lastPseudo, u"jean"_s);
    }

    void firstStartOffersNothing()
    {
        ClientFixture f;
        QVERIFY(f.client->start());
        QVERIFY(f.client->frmLogin().pseudoText().isEmpty());
        QCOMPARE(fileBytes(f.iniPath()), formatConfig(f.server.hostWithPort(), true)); // untouched
    }
};

QTEST_MAIN(TestRememberedPseudo)
#include "test_rememberedpseudo.moc"
