// The real jaserelle-server with the demo community, over HTTP and HTTPS, the real relay (coturn,
// scripts/run-relay) beside it. First the client's requests one by one, over TLS; then members of
// the demo community, each with a whole client on his own loopback address (and the demo peers for
// the demo's case). Every case has members of its own.
#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/peerlink.h"
#include "client/conversation/peerpackets.h"
#include "client/conversation/peersecurity.h"
#include "client/mail/frmreadmails.h"
#include "client/mail/frmsendmail.h"
#include "client/mail/maildesk.h"
#include "client/network/reachability.h"
#include "client/network/reachabilityprobe.h"
#include "client/network/relayreplies.h"
#include "client/network/relayservice.h"
#include "client/network/serverget.h"
#include "client/security/identity.h"
#include "client/security/keydirectoryclient.h"
#include "client/server/enginenotices.h"
#include "client/server/serverconnection.h"
#include "client/shell/frmtrytoconnect.h"
#include "client/shell/shellcommands.h"
#include "tests/support/childprocess.h"
#include "tests/support/communityserver.h"
#include "tests/support/enginefixture.h"
#include "tests/support/member.h"
#include "tests/support/relayprocess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStatusTipEvent>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTextEdit>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

const QString none = u"(no answer)"_s;

// A request engine of its own folder (its CA and key): every reply handler notes its keyword and body.
struct Engine : EngineFixture
{
    QTemporaryDir folder;
    QStringList handled;
    QString body; // of the last answer

    Engine(const QString &host, const QString &pseudo, const QString &password = u"demo"_s,
           const QString &caFile = {})
    {
        state.appDir = folder.path();
        state.serverHost = host;
        state.userLogin = pseudo;
        state.userPassword = password;
        if (!caFile.isEmpty())
            QFile::copy(caFile, folder.filePath(u"jaserelle-ca.pem"_s));
        for (const ReplySlotInfo &info : replyHandlerOrder) {
            const QString keyword = QString::fromUtf16(info.keyword);
            pipeline.setHandler(info.slot, [this, keyword](QString &reply) {
                handled.append(keyword);
                body = reply.mid(reply.indexOf(u"\r\n\r\n") + 4);
                engine.resumeRefresh(); // a handler completes its request
                return HandlerResult::Continue;
            });
        }
    }

    // Sends one request; returns the keywords whose handlers ran, or "(no answer)" when it failed.
    QString send(RequestKind kind) { return send(Request{kind}); }
    QString send(const Request &request)
    {
        handled.clear();
        body.clear();
        const int before = desktop.notifier.shown.size();
        engine.start(request);
        const auto idle = [&] {
            return engine.state() == RequestEngine::State::Idle && engine.statusText() == u"En attente"_s;
        };
        return QTest::qWaitFor(idle, 20000) && desktop.notifier.shown.size() == before ? handled.join(u' ')
                                                                                       : none;
    }

    // A side request, through the engine's connection settings: its status and body.
    std::pair<int, QByteArray> get(const QByteArray &target) const
    {
        std::pair<int, QByteArray> got{-1, {}};
        QObject context;
        serverGet(serverLinkOf(state), target, &context, [&got](int status, const QByteArray &bytes) {
            got = {status, bytes};
        });
        return (void)QTest::qWaitFor([&] { return got.first >= 0; }, 20000), got;
    }
};

// demo's second mail as the mail box shows it, named back to the server by the client.
const MailRowRef thomasMail{
    u"thomas"_s, u"02/12/2026 à 09h07"_s, u"pas de sujet"_s,
    u"Salut, merci pour l'adresse du restaurant, c'était parfait. À charge de revanche !"_s};

} // namespace

class TestCommunity : public QObject
{
    Q_OBJECT

    QTemporaryDir pki_;   // the community's authority and the server's certificate
    QTemporaryDir other_; // another authority, which signed nothing the server has
    RelayProcess relay;
    bool relayUp = false;
    CommunityServer server;

    bool logged(const QByteArray &line)
    {
        return QTest::qWaitFor([&] { return server.log().contains(line); }, 10000);
    }
    // The access log's lines for `resource`, once `count` of them are there.
    QByteArrayList linesFor(const QByteArray &resource, qsizetype count)
    {
        QByteArrayList lines;
        const auto enough = [&] {
            lines = server.log().split('\n');
            lines.removeIf([&](const QByteArray &line) { return !line.contains("GET /" + resource); });
            return lines.size() >= count;
        };
        return (void)QTest::qWaitFor(enough, 10000), lines;
    }
    QString ca() const { return pki_.filePath(u"ca.pem"_s); }

    // The conversation at `at` once it rings, or null.
    static FrmConversation *ringing(Member &m, int at)
    {
        FrmConversation *c = nullptr;
        const auto rings = [&] { return (c = m.conversation(at)) && c->incomingForm().isVisible(); };
        return QTest::qWaitFor(rings, 20000) ? c : nullptr;
    }
    static bool say(FrmConversation *from, FrmConversation *to, const QString &text)
    {
        from->sendBox()->setPlainText(text);
        child<QPushButton>(from, u"cmdSend"_s)->click();
        QTextEdit *received = to->conversationBox();
        return QTest::qWaitFor([&] { return received->toPlainText().contains(text); }, 10000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(pki_.isValid() && other_.isValid());
        QVERIFY(CommunityServer::makeCertificates(pki_.path()));
        QVERIFY(CommunityServer::makeCertificates(other_.path()));
        // Without coturn, the server still hands out credentials (for a relay nobody answers).
        relayUp = relay.start();
        if (!relayUp)
            qWarning("the relay did not start, its calls are skipped: %s", relay.log().constData());
        server.serveTls(pki_.filePath(u"server.pem"_s), pki_.filePath(u"server.key"_s));
        const QString relayAt = relayUp ? relay.hostWithPort() : u"127.0.0.1:3478"_s;
        QVERIFY2(server.start(20000, {u"--relay"_s, relayAt, u"--relay-secret"_s, relay.secretFile()}),
                 server.log().constData());
    }

    void anUntrustedServerGetsNothing_data()
    {
        QTest::addColumn<QString>("caFile"); // "(empty)": an empty file
        QTest::addColumn<bool>("plain");     // plain HTTP on the port the client takes for TLS
        QTest::newRow("system authorities only") << QString() << false;
        QTest::newRow("another community's authority") << other_.filePath(u"ca.pem"_s) << false;
        QTest::newRow("an empty authority file") << u"(empty)"_s << false;
        QTest::newRow("plain HTTP on that port") << ca() << true;
    }
    void anUntrustedServerGetsNothing()
    {
        QFETCH(QString, caFile);
        QFETCH(bool, plain);
        const QString host = plain ? u"https://"_s + server.hostWithPort() : server.tlsHost();
        const qsizetype loginsBefore = server.log().count("softlogin.php");
        const qsizetype relaysBefore = server.log().count("GET /relay");

        Engine c(host, u"demo"_s, u"demo"_s, caFile == u"(empty)"_s ? QString() : caFile);
        if (caFile == u"(empty)"_s)
            QVERIFY(QFile(c.folder.filePath(u"jaserelle-ca.pem"_s)).open(QIODevice::WriteOnly));
        QCOMPARE(c.send(RequestKind::Login), none);
        QCOMPARE(c.desktop.notifier.shown,
                 QList<Notice>{plain ? tlsFailedNotice(host) : certificateRefusedNotice(host)});
        QVERIFY(!c.desktop.lifetime.ended()); // the user may name another server, or try again
        // The side requests fail as well, and never in plain.
        QCOMPARE(c.get(relayreplies::credentialsPath(u"demo"_s, u"demo"_s)).first, 0);
        PeerSecurity security;
        security.identity = loadOrCreateIdentity(c.folder.path());
        KeyDirectoryClient directory(c.state, security);
        directory.refreshed({u"demo"_s});
        QCOMPARE(c.get(relayreplies::lookupPath(u"demo"_s, u"demo"_s, u"demo"_s)).first, 0);
        QVERIFY(directory.hasDirectory()); // a failure, not a server without a directory

        // Nothing was sent: a trusted client's refresh is logged, and no login came before it.
        Engine witness(server.tlsHost(), u"lucie"_s, u"demo"_s, ca());
        QCOMPARE(witness.send(RequestKind::Login), u"YOURLOGINISOK"_s);
        QVERIFY(logged("softlogin.php?login=lucie"));
        QCOMPARE(server.log().count("softlogin.php"), loginsBefore + 1);
        QCOMPARE(server.log().count("GET /relay"), relaysBefore);
    }

    // One session of demo's over TLS: its side requests, intruders at its address, then its requests.
    void aWholeSessionOverTls()
    {
        // The Host header names the host only.
        const QByteArray request = serverGetRequest(u"https://localhost:8443"_s, "/keys/lookup?x=1");
        QVERIFY2(request.startsWith("GET /keys/lookup?x=1 HTTP/1.1\r\nHost: localhost:8443\r\n"),
                 request.constData());
        QVERIFY(serverGetRequest(u"127.0.0.1:8080"_s, "/a").contains("\r\nHost: 127.0.0.1:8080\r\n"));
        Engine s(server.tlsHost(), u"demo"_s, u"demo"_s, ca());
        const auto refreshes = [&] { return server.log().count("&password=***&ipAdress=127.0.0.1\" 200"); };
        const qsizetype refreshesBefore = refreshes(), resumedBefore = server.log().count(" tls-resumed\n");
        QCOMPARE(s.send(RequestKind::Login), u"YOURLOGINISOK"_s);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(s.send(RequestKind::Refresh), u"REFRESHISOK"_s);
        const QString listsBefore = s.body;
        // Both lists, a black-lister, members connected (an address) and not (0.0.0.0), three mails.
        for (const QString &part : {u"|HERESTARTFAVORIS|"_s, u"|HERESTARTLISTENOIRE|"_s,
                                    u"|IAMINLISTENOIREOF|"_s, u",127.0.0."_s, u",0.0.0.0,"_s})
            QVERIFY2(s.body.contains(part), qPrintable(part));
        QVERIFY2(s.body.endsWith(u"MYMAILSNUMBER,3,"_s), qPrintable(s.body));
        // The key the engine made at its first TLS connection is kept beside the ini.
        QVERIFY(QFile::exists(identityFile(s.folder.path())));
        QVERIFY2(logged("\"GET /softlogin.php?login=demo&password=***\" 200"), server.log().constData());
        // The refreshes after the first resume the TLS session instead of a full handshake.
        QVERIFY2(QTest::qWaitFor([&] { return refreshes() >= refreshesBefore + 3; }) &&
                     server.log().count(" tls-resumed\n") >= resumedBefore + 2,
                 server.log().constData());
        QVERIFY(!server.log().contains("password=demo"));
        QCOMPARE(s.send(RequestKind::ReadMails), u"HERESTARTMAILLIST"_s);
        const QString mailsBefore = s.body;
        QVERIFY(mailsBefore.contains(u"thomas~2026-12-02~09:07:59~NULL~"_s));

        // The side requests take the engine's TLS, CA and key: all reach the TLS listener.
        const auto [status, credentials] = s.get(relayreplies::credentialsPath(u"demo"_s, u"demo"_s));
        const auto parsed = relayreplies::parseCredentials(credentials);
        QVERIFY2(status == 200 && parsed && parsed->port == 3478, credentials.constData());
        const auto relayed = stun::Endpoint::parse(u"127.0.0.1:50000"_s);
        QVERIFY(relayed);
        QCOMPARE(s.get(relayreplies::publishPath(u"demo"_s, u"demo"_s, *relayed)).first, 200);
        const auto lookup = s.get(relayreplies::lookupPath(u"demo"_s, u"demo"_s, u"demo"_s));
        QCOMPARE(lookup.first, 200);
        QCOMPARE(relayreplies::parseLookup(lookup.second), relayed);
        QCOMPARE(s.get(relayreplies::withdrawPath(u"demo"_s, u"demo"_s)).first, 200);
        PeerSecurity security;
        security.identity = loadOrCreateIdentity(s.folder.path()); // the key the engine presented
        QVERIFY(security.identity);
        KeyDirectoryClient directory(s.state, security);
        QSignalSpy looked(&directory, &KeyDirectoryClient::lookedUp);
        directory.refreshed({u"demo"_s});
        QVERIFY(looked.wait(20000));
        QCOMPARE(security.publishedFor(u"demo"_s), security.identity->fingerprint());
        Reachability reachability;
        ReachabilityProbe probe(s.state, reachability);
        QSignalSpy answered(&probe, &ReachabilityProbe::answered);
        probe.ask();
        QVERIFY(answered.wait(20000));
        QCOMPARE(linesFor("relay", 4).size(), 4);
        for (const QByteArray resource : {"relay", "keys/publish", "keys/lookup", "jaserelle/reachable"}) {
            const QByteArrayList lines = linesFor(resource, 1);
            QVERIFY2(!lines.isEmpty(), server.log().constData());
            for (const QByteArray &line : lines)
                QVERIFY2(line.endsWith(" tls") || line.endsWith(" tls-resumed"), line.constData());
        }

        // Everyone behind one home router shares its address: the session opened with a key answers to
        // that key only, not to a neighbour's key, nor to a legacy client's plain HTTP.
        Engine neighbour(server.tlsHost(), u"demo"_s, QString(), ca());
        const auto otherKey = makeIdentity();
        QVERIFY(otherKey);
        neighbour.engine.setIdentity(*otherKey);
        Engine plain(server.hostWithPort(), u"demo"_s, QString());
        const Request attempts[] = {
            {RequestKind::ReadMails},
            {.kind = RequestKind::DeleteMail, .mailRow = thomasMail},
            {RequestKind::AddListeNoire, u"pierre"_s},
            {RequestKind::RemoveListeNoire, u"lucie"_s},
            {.kind = RequestKind::SendMail, .mail = {u"lucie"_s, u"coucou"_s, u"pas de moi"_s}}};
        for (Engine *intruder : {&neighbour, &plain})
            for (const Request &attempt : attempts)
                QCOMPARE(intruder->send(attempt), none);
        QCOMPARE(s.send(RequestKind::ReadMails), u"HERESTARTMAILLIST"_s);
        QCOMPARE(s.body, mailsBefore);
        QCOMPARE(s.send(RequestKind::Refresh), u"REFRESHISOK"_s);
        QCOMPARE(s.body, listsBefore);

        // The criteria go out as the combo boxes show them, accents as raw Windows-1252 bytes.
        const SearchCriteria criteria{u"Femme"_s,       u"de 26 à 35"_s,  u"indifférent"_s,
                                      u"indifférent"_s, u"indifférent"_s, false};
        const struct
        {
            Request request;
            QString answer;
        } steps[] = {
            {{RequestKind::AddFavoris, u"pierre"_s}, u"LISTESMISESAJOUR"_s},
            {{RequestKind::AddFavoris, u"pierre"_s}, u"LEMEMBREESTDEJADANSLALISTE"_s},
            {{RequestKind::AddListeNoire, u"pierre"_s}, u"LISTESMISESAJOUR"_s}, // a move
            {{RequestKind::AddFavoris, u"personne"_s}, u"LEMEMBRENEXISTEPAS"_s},
            {{RequestKind::RemoveListeNoire, u"pierre"_s}, u"REMOVEISSUCCESSFUL"_s},
            {{RequestKind::RemoveFavoris, u"pierre"_s}, u"REMOVEISSUCCESSFUL"_s},
            {{.kind = RequestKind::SearchPseudo, .searchPseudo = u"quelquun"_s}, u"NOSEARCHRESULT"_s},
            {{RequestKind::Profil, u"lucie"_s}, u"HERESTARTREQUIREDPROFIL"_s}, // found by the criteria
            {{RequestKind::Photo, u"lucie"_s}, u"Content-Type: image/jpeg"_s},
            {{.kind = RequestKind::SearchCriteres, .criteria = criteria}, u"SEARCHISOK"_s},
        };
        for (const auto &[request, answer] : steps)
            QCOMPARE(s.send(request), answer);
        // No man; julie black-listed demo.
        QVERIFY(!s.body.contains(u",H,"_s) && s.body.contains(u"julie,F,"_s) && s.body.contains(u",yes,"_s));
        s.send(RequestKind::Refresh);
        QVERIFY(!s.body.contains(u"pierre"_s));
        QCOMPARE(s.send({.kind = RequestKind::DeleteMail, .mailRow = thomasMail}),
                 u"YOURMAILHAVEBEENDELETED"_s);
        s.send(RequestKind::Refresh);
        QVERIFY(s.body.endsWith(u"MYMAILSNUMBER,2,"_s));

        // Once logged off, the session's requests are refused: no handler takes the answer.
        QCOMPARE(s.send(RequestKind::Logoff), u"SOFTLOGOFFSUCCESS"_s);
        QCOMPARE(s.send(RequestKind::ReadMails), none);
        QCOMPARE(s.send({RequestKind::AddFavoris, u"pierre"_s}), none);
    }

    // From here on, whole clients: their relay requests go in plain HTTP.
    void wrongPasswordThenLogInThenQuit()
    {
        ClientDesk user(server.hostWithPort());
        QVERIFY(user.client->start());
        user.submitLogin(u"demo"_s, u"pasbon"_s);
        QVERIFY(QTest::qWaitFor([&] { return !user.desktop.notifier.shown.isEmpty(); }, 20000));
        QCOMPARE(user.desktop.notifier.titles(), QStringList{u"Erreur d'authentification."_s});
        FrmLogin &login = user.client->frmLogin();
        QVERIFY(login.isVisible() && login.pseudoText().isEmpty() && login.passwordText().isEmpty());
        QCOMPARE(login.focusWidget(), child<QLineEdit>(&login, u"txtLogin"_s));
        QVERIFY(!user.main().isVisible() && !user.client->frmTryToConnect().isVisible());

        user.submitLogin(u"Demo"_s, u"demo"_s); // typed right the second time
        QVERIFY(user.refreshedAfterLogin());
        FrmMain &main = user.main();
        QVERIFY(!login.isVisible() && user.engine().refreshTimer().isActive());
        QStatusTipEvent menuTip(u"a menu entry's tip"_s); // the pointer over a menu
        QCoreApplication::sendEvent(&main, &menuTip);
        QCOMPARE(main.statusText(), u"En attente"_s); // as the refresh left it

        // The close box asks first; "Annuler" keeps the session.
        QuitFlow &quit = user.client->shellCommands().quitFlow();
        answerQuit(quit, u"cmdAnnuler"_s);
        QVERIFY(!main.close()); // the question comes a moment later
        QTest::qWait(100);
        QVERIFY(main.isVisible() && !quit.leaving() && !user.desktop.lifetime.ended());

        answerQuit(quit, u"cmdQuitter"_s);
        trigger(&main, u"MNU_Quitter"_s);
        QVERIFY(QTest::qWaitFor([&] { return user.desktop.lifetime.ended(); }, 20000));
        QCOMPARE(user.desktop.notifier.shown.size(), 1); // ended on the answer, not on a failure
        QVERIFY(main.close());                           // on the way out every window closes without asking
    }

    // Adding each other, seeing each other come, an encrypted call, a mail, seeing each other go.
    void twoMembersMeetTalkWriteAndPart()
    {
        Member thomas(server.hostWithPort(), u"127.0.0.2"_s);
        Member emma(server.hostWithPort(), u"127.0.0.3"_s);
        QVERIFY(thomas.logIn(u"thomas"_s));
        QVERIFY(thomas.addFavori(u"emma"_s)); // not there yet
        QTreeWidgetItem *emmaRow = thomas.row(thomas.main().lvFavoris(), u"emma"_s);
        QVERIFY(!contactrow::isOnline(emmaRow) && emmaRow->text(contactrow::Adresse).isEmpty());
        QVERIFY(emma.logIn(u"emma"_s));
        QVERIFY(emma.addFavori(u"thomas"_s));
        QTreeWidgetItem *thomasRow = emma.row(emma.main().lvFavoris(), u"thomas"_s);
        QVERIFY(contactrow::isOnline(thomasRow) && thomasRow->text(contactrow::Adresse) == u"127.0.0.2"_s);
        QVERIFY(thomas.refreshed());
        QVERIFY(contactrow::isOnline(emmaRow) && emmaRow->text(contactrow::Adresse) == u"127.0.0.3"_s);
        QCOMPARE(thomas.desktop.sound.played, QStringList{u"sons/comein.wav"_s}); // none at the first refresh

        // Each learns the other's key from the directory as the refreshes go; both list the other,
        // so the server vouches for who calls: the call rings as emma.
        PeerSecurity &thomasKeys = thomas.client->conversations().security();
        PeerSecurity &emmaKeys = emma.client->conversations().security();
        QVERIFY(thomasKeys.identity && emmaKeys.identity);
        const auto learnt = [&] {
            return thomasKeys.publishedFor(u"emma"_s) == emmaKeys.identity->fingerprint() &&
                   emmaKeys.publishedFor(u"thomas"_s) == thomasKeys.identity->fingerprint();
        };
        for (int i = 0; i < 10 && !QTest::qWaitFor(learnt, 500); ++i)
            QVERIFY(thomas.refreshed() && emma.refreshed());
        QVERIFY(learnt());
        emma.command(thomasRow, u"MNU_CallFromFavoris"_s);
        QVERIFY(ringing(thomas, 1));
        QCOMPARE(thomas.conversation(1)->incomingForm().caller(), u"emma"_s);
        child<QPushButton>(&thomas.conversation(1)->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return emma.conversation(1)->isVisible(); }, 10000));
        QVERIFY(emma.conversation(1)->link().isEncrypted() && thomas.conversation(1)->link().isEncrypted());
        QVERIFY(say(emma.conversation(1), thomas.conversation(1), u"Salut Thomas, ça va ?"_s));
        QCOMPARE(thomas.conversation(1)->conversationBox()->toPlainText(),
                 u"12:00 emma : \nSalut Thomas, ça va ?\n"_s); // the receiver's clock

        // Emma writes; Thomas's next refresh counts it, his envelope opens his box with it last.
        const int before = thomas.mailsAfterRefresh();
        emma.command(thomasRow, u"MNU_MailFromFavoris"_s);
        FrmSendMail &window = *emma.client->mailDesk().frmSendMail();
        child<QLineEdit>(&window, u"txtSubject"_s)->setText(u"Café ?"_s);
        child<QPlainTextEdit>(&window, u"txtMessage"_s)->setPlainText(u"Demain à 10h,\nau coin & co"_s);
        child<QPushButton>(&window, u"cmdSendMail"_s)->click();
        QVERIFY(emma.waitIdle(10000));
        QCOMPARE(emma.desktop.notifier.titles(), QStringList{u"Mail envoyé."_s});
        QCOMPARE(thomas.mailsAfterRefresh(), before + 1);
        QTest::mouseClick(thomas.main().pctbMail(), Qt::LeftButton);
        QVERIFY(thomas.waitIdle(10000));
        FrmReadMails &box = *thomas.client->mailDesk().frmReadMails();
        auto *list = child<QTreeWidget>(&box, u"lvMails"_s);
        QTRY_COMPARE(list->topLevelItemCount(), before + 1);
        QTreeWidgetItem *mail = list->topLevelItem(before);
        QCOMPARE(mail->text(FrmReadMails::De) + u'/' + mail->text(FrmReadMails::Sujet), u"emma/Café ?"_s);
        list->setCurrentItem(mail);
        QCOMPARE(child<QPlainTextEdit>(&box, u"txtMessage"_s)->toPlainText(),
                 u"Demain à 10h,\nau coin & co"_s);

        emma.engine().start({RequestKind::Logoff});
        QVERIFY(emma.waitIdle(10000));
        QVERIFY(thomas.refreshed());
        QVERIFY(!contactrow::isOnline(emmaRow) && emmaRow->text(contactrow::Adresse).isEmpty());
        QCOMPARE(thomas.desktop.sound.played.last(), u"sons/goout.wav"_s);
    }

    // The demo as a newcomer meets it: one calls, greets and replies, one refuses, one hangs up.
    void theMembersCallAnswerRefuseAndHangUp()
    {
        QProcess peers;
        peers.setProcessChannelMode(QProcess::MergedChannels);
        peers.start(QFileInfo(CommunityServer::binary()).dir().filePath(u"jaserelle-demo-peers"_s),
                    {u"--server"_s, server.hostWithPort(), u"--answer-after"_s, u"0.05"_s, u"--reply-after"_s,
                     u"0.05"_s, u"--refresh"_s, u"0.2"_s, u"--call-after"_s, u"0.5"_s, u"--hang-up-after"_s,
                     u"0.5"_s});
        const auto stop = qScopeGuard([&] { stopChild(peers); });
        QByteArray said;
        const auto output = [&] { return server.log() + (said += peers.readAll()); };
        QVERIFY2(QTest::qWaitFor([&] { return output().contains("ready"); }, 20000), output().constData());
        Member demo(server.hostWithPort(), u"127.0.7.2"_s);
        QVERIFY(demo.logIn(u"demo"_s));

        QVERIFY2(ringing(demo, 1), output().constData());
        FrmConversation *first = demo.conversation(1);
        const QString caller = first->incomingForm().caller();
        const auto entries = [&] { return first->conversationBox()->toPlainText().count(caller + u" : "_s); };
        child<QPushButton>(&first->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return entries() == 1; }, 10000));
        // The greeting: bold, in her colour and font, with a smiley picture.
        const QString html = first->conversationBox()->toHtml();
        QVERIFY2(first->conversationBox()->toPlainText().contains(u"demo !"_s), qPrintable(html));
        for (const QString &mark : {u"font-weight:7"_s, u"color:#c00060"_s, u"Comic Sans MS"_s, u"<img"_s})
            QVERIFY2(html.contains(mark), qPrintable(mark + u" missing in "_s + html));
        first->sendBox()->setPlainText(u"Tu vas bien ?"_s);
        first->sendMessage();
        QVERIFY(QTest::qWaitFor([&] { return entries() == 2; }, 10000));
        first->sendSound(8); // the cat is answered by the dog
        QVERIFY(
            QTest::qWaitFor([&] { return demo.desktop.sound.played.contains(u"sons/chien.wav"_s); }, 10000));

        // Antoine refuses; Camille hangs up, and the conversation stays to be read.
        for (const auto &[pseudo, title] :
             {std::pair{u"antoine"_s, u":-("_s}, std::pair{u"camille"_s, u"Fin de conversation"_s}}) {
            const int at = demo.client->conversations().conversationCount(); // the spare
            demo.command(demo.row(demo.main().lvFavoris(), pseudo), u"MNU_CallFromFavoris"_s);
            QVERIFY(QTest::qWaitFor([&] { return demo.desktop.notifier.titles().contains(title); }, 10000));
            if (FrmConversation *window = demo.conversation(at); pseudo == u"camille"_s) {
                QVERIFY(window && window->hasEnded() && window->isVisible());
                QVERIFY(window->conversationBox()->toPlainText().endsWith(
                    u"La conversation a été coupée par camille."_s));
                window->close();
            }
            QVERIFY(QTest::qWaitFor([&] { return demo.conversation(at) == nullptr; }, 10000));
        }
    }

    // A callee nobody can reach publishes its relayed address; calls come through the relay.
    void aCallPlacedAndAnsweredThroughTheRelay()
    {
        if (!relayUp)
            QSKIP("no relay");
        Member louis(server.hostWithPort(), u"127.0.9.2"_s);
        Member chloe(server.hostWithPort(), u"127.0.9.3"_s);
        // Nobody can open a connection to Louis: he holds an allocation once logged in.
        louis.client->reachability().setState(Reachability::State::Unreachable);
        QVERIFY(louis.logIn(u"louis"_s));
        QVERIFY(QTest::qWaitFor([&] { return louis.client->relay().published().has_value(); }, 15000));
        QCOMPARE(louis.client->relay().published()->ipText(), relay.address());
        QVERIFY(chloe.logIn(u"chloe"_s));
        QVERIFY(QTest::qWaitFor([&] { return chloe.client->relay().available(); }, 15000));
        QVERIFY(!chloe.client->relay().published()); // reachable: she holds nothing
        QVERIFY(chloe.addFavori(u"louis"_s));
        // Once her client knows the key Louis publishes, the call through the relay is encrypted.
        const auto knows = [&] { return chloe.client->conversations().security().publishedFor(u"louis"_s); };
        QVERIFY(QTest::qWaitFor([&] { return knows() || !chloe.refreshed(); }, 15000) && knows());

        int throughRelay = 0;
        connect(&louis.client->relay(), &RelayService::incomingConnection, this, [&] { ++throughRelay; });
        // Three calls, each once the one before has been hung up: the first from an allocation
        // made for it, the others from the one Chloé holds once she cannot be reached either.
        for (int call = 1; call <= 3; ++call) {
            if (call == 2) {
                chloe.client->reachability().setState(Reachability::State::Unreachable);
                QVERIFY(
                    QTest::qWaitFor([&] { return chloe.client->relay().published().has_value(); }, 15000));
            }
            const int at = louis.client->conversations().conversationCount();
            FrmConversation *callee = nullptr, *caller = chloe.client->conversations().spare();
            chloe.command(chloe.row(chloe.main().lvFavoris(), u"louis"_s), u"MNU_CallFromFavoris"_s);
            QVERIFY((callee = ringing(louis, at)));
            QCOMPARE(throughRelay, call);
            // Louis lists nobody, and the call comes from the relay's address: he cannot vouch for her.
            QCOMPARE(callee->incomingForm().caller(), u"chloe (non vérifié)"_s);

            child<QPushButton>(&callee->incomingForm(), u"cmdAcceptCall"_s)->click();
            QVERIFY(QTest::qWaitFor([&] { return caller->isVisible(); }, 10000));
            QVERIFY(caller->link().isEncrypted() && callee->link().isEncrypted());
            const QString hello = u"Salut Louis, appel %1."_s.arg(call),
                          reply = u"Très bien, %1."_s.arg(call);
            QVERIFY(say(caller, callee, hello) && say(callee, caller, reply));
            QVERIFY(callee->conversationBox()->toPlainText().endsWith(
                u"12:00 chloe : \n%1\n\n12:00 louis : \n%2\n"_s.arg(hello, reply)));
            caller->close(), callee->close();
        }
        QVERIFY(chloe.desktop.notifier.shown.isEmpty() && louis.desktop.notifier.shown.isEmpty());

        // Reachable again: the relayed address is withdrawn and the allocation given back.
        louis.client->reachability().setState(Reachability::State::Reachable);
        QVERIFY(!louis.client->relay().published());

        // A callee neither reachable nor relayed: the direct attempt gives up, with one notice.
        auto *row = new QTreeWidgetItem(chloe.main().lvRecherche(), QStringList{u"thomas"_s});
        row->setText(contactrow::Adresse, u"192.0.2.1"_s);
        contactrow::setOnline(row, true);
        chloe.command(row, u"MNU_CallFromRecherche"_s);
        QVERIFY(QTest::qWaitFor([&] { return !chloe.desktop.notifier.shown.isEmpty(); }, 20000));
        QTest::qWait(500);
        QCOMPARE(chloe.desktop.notifier.titles(), QStringList{u"Erreur"_s});
    }

    // Last, as the server goes away while nobody presses OK: the outage box waits alone, the refreshes
    // and calls go on, and the first refresh after the return replaces it by the return's box.
    void backOnlineWithinOneRefreshWithOneBoxUp()
    {
        Member hugo(server.hostWithPort(), u"127.0.11.2"_s);
        QVERIFY(hugo.logIn(u"hugo"_s));
        RecordingNotifier &boxes = hugo.desktop.notifier;
        boxes.attended = false;
        hugo.engine().setRefreshInterval(150);
        qsizetype mostUp = 0;
        QTimer watch;
        watch.callOnTimeout([&] { mostUp = std::max(mostUp, boxes.openBoxes().size()); });
        watch.start(5);

        server.stop();
        const Notice outage = *socketErrorOutcome(RequestKind::Refresh, server.hostWithPort()).notice;
        QVERIFY(QTest::qWaitFor([&] { return boxes.openBoxes() == QList<Notice>{outage}; }, 10000));
        QSignalSpy failed(&hugo.engine(), &RequestEngine::requestFailed);
        QVERIFY(QTest::qWaitFor([&] { return failed.size() >= 3; }, 10000)); // refreshes go on, silently

        // Somebody calls: the notification answers with the box still up.
        QTcpSocket caller;
        caller.connectToHost(QHostAddress(u"127.0.11.2"_s), peerPort);
        caller.write("CONVERSATIONREQUESTED:emmaTHISISTHEENDOFTHEPACKET");
        FrmConversation *window = ringing(hugo, 1);
        QVERIFY(window);
        child<QPushButton>(&window->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return caller.bytesAvailable() > 0; }));
        QCOMPARE(caller.readAll(), QByteArray("NOPROBLEMYACCEPTTOURCALLTHISISTHEENDOFTHEPACKET"));
        QVERIFY(window->isVisible());
        QCOMPARE(boxes.openBoxes(), QList<Notice>{outage});

        // The server returns: the first refresh that reaches it is answered.
        QSignalSpy handled(&hugo.engine(), &RequestEngine::replyHandled);
        QVERIFY2(server.restart(), server.log().constData());
        QVERIFY(QTest::qWaitFor([&] { return handled.size() >= 1; }, 10000));
        QCOMPARE(handled[0][0].value<RequestKind>(), RequestKind::Refresh);
        QCOMPARE(boxes.openBoxes(), QList<Notice>{backOnlineNotice(server.hostWithPort())});
        // A server still starting may take a connection and drop it: the boxes may have changed
        // places more than once meanwhile, but never stacked.
        QVERIFY(!boxes.withdrawn.isEmpty() && boxes.withdrawn.first() == outage);
        for (const Notice &gone : boxes.withdrawn)
            QVERIFY(gone == outage || gone == backOnlineNotice(server.hostWithPort()));
        QCOMPARE(mostUp, 1);

        Member manon(server.hostWithPort(), u"127.0.11.3"_s);
        QVERIFY(manon.logIn(u"manon"_s));
        QVERIFY(manon.addFavori(u"hugo"_s));
        QVERIFY(contactrow::isOnline(manon.row(manon.main().lvFavoris(), u"hugo"_s)));
    }
};

QTEST_MAIN(TestCommunity)
#include "test_community.moc"
