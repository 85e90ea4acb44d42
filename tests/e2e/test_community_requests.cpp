// The client's own requests, built by its catalogue and sent by its engine, and those it sends
// beside the engine (the relay's, the key directory's, the reachability probe), against the real
// jaserelle-server with the demo community, over HTTPS with certificates made for the test: the
// answers the window flows of test_mainwindow never meet reach the handler they should, the
// refreshes resume the TLS session, a certificate the client does not trust stops everything before
// a byte is sent, and a session opened with a key serves its password-less requests to that key
// only, not to whoever shares the member's address. The byte layout of each answer is proven once,
// in the server's unit tests and the client's parser tests.
#include "client/conversation/peersecurity.h"
#include "client/network/reachability.h"
#include "client/network/reachabilityprobe.h"
#include "client/network/relayreplies.h"
#include "client/network/serverget.h"
#include "client/security/identity.h"
#include "client/security/keydirectoryclient.h"
#include "client/server/enginenotices.h"
#include "client/server/serverconnection.h"
#include "tests/support/communityserver.h"
#include "tests/support/enginefixture.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <memory>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

// A request engine of its own folder (where the community CA it trusts and its key live) against
// the real server: every reply handler only notes its keyword and the answer's body.
struct Client : EngineFixture
{
    QTemporaryDir folder;
    QStringList handled;
    QString body; // of the last answer

    Client(const QString &host, const QString &pseudo, const QString &password = u"demo"_s,
           const QString &caFile = {})
    {
        state.appDir = folder.path();
        if (!caFile.isEmpty())
            QFile::copy(caFile, folder.filePath(u"jaserelle-ca.pem"_s));
        state.serverHost = host;
        state.userLogin = pseudo;
        state.userPassword = password;
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
    QStringList send(RequestKind kind) { return send(Request{kind}); }
    QStringList send(const Request &request)
    {
        handled.clear();
        body.clear();
        const int before = desktop.notifier.shown.size();
        engine.start(request);
        const bool done = QTest::qWaitFor(
            [&] {
                return engine.state() == RequestEngine::State::Idle && engine.statusText() == u"En attente"_s;
            },
            20000);
        return done && desktop.notifier.shown.size() == before ? handled : QStringList{u"(no answer)"_s};
    }

    struct Got
    {
        int status = -1;
        QByteArray body;
    };
    // A side request, through the engine's connection settings.
    Got get(const QByteArray &target) const
    {
        Got got;
        QObject context;
        serverGet(serverLinkOf(state), target, &context, [&got](int status, const QByteArray &bytes) {
            got = {status, bytes};
        });
        if (!QTest::qWaitFor([&] { return got.status >= 0; }, 20000))
            qWarning("serverGet never called back");
        return got;
    }
};

// demo's second mail as the mail box shows it, named back to the server by the client.
const MailRowRef thomasMail{
    u"thomas"_s, u"02/12/2026 à 09h07"_s, u"pas de sujet"_s,
    u"Salut, merci pour l'adresse du restaurant, c'était parfait. À charge de revanche !"_s};

} // namespace

class TestCommunityRequests : public QObject
{
    Q_OBJECT

    bool logged(const QByteArray &line)
    {
        return QTest::qWaitFor([&] { return server_.log().contains(line); }, 10000);
    }
    // The access log's lines for `resource`, once `count` of them are there.
    QByteArrayList linesFor(const QByteArray &resource, qsizetype count)
    {
        QByteArrayList lines;
        (void)QTest::qWaitFor(
            [&] {
                lines = server_.log().split('\n');
                lines.removeIf([&](const QByteArray &line) { return !line.contains("GET /" + resource); });
                return lines.size() >= count;
            },
            10000);
        return lines;
    }
    QString ca() const { return pki_.filePath(u"ca.pem"_s); }

    QTemporaryDir pki_;   // the community's authority and the server's certificate
    QTemporaryDir other_; // another authority, which signed nothing the server has
    QTemporaryDir relayDir_;
    CommunityServer server_;
    std::unique_ptr<Client> demo_; // gone before the server

private slots:
    void initTestCase()
    {
        QVERIFY(pki_.isValid() && other_.isValid() && relayDir_.isValid());
        QVERIFY(CommunityServer::makeCertificates(pki_.path()));
        QVERIFY(CommunityServer::makeCertificates(other_.path()));
        QFile secret(relayDir_.filePath(u"secret"_s));
        QVERIFY(secret.open(QIODevice::WriteOnly));
        secret.write("side-requests-secret\n");
        secret.close();
        server_.serveTls(pki_.filePath(u"server.pem"_s), pki_.filePath(u"server.key"_s));
        QVERIFY2(
            server_.start(20000, {u"--relay"_s, u"127.0.0.1:3478"_s, u"--relay-secret"_s, secret.fileName()}),
            server_.log().constData());
        demo_ = std::make_unique<Client>(server_.tlsHost(), u"demo"_s, u"demo"_s, ca());
    }

    void theHostHeaderNamesTheHostOnly()
    {
        const QByteArray request = serverGetRequest(u"https://localhost:8443"_s, "/keys/lookup?x=1");
        QVERIFY2(request.startsWith("GET /keys/lookup?x=1 HTTP/1.1\r\nHost: localhost:8443\r\n"),
                 request.constData());
        QVERIFY(serverGetRequest(u"127.0.0.1:8080"_s, "/a").contains("\r\nHost: 127.0.0.1:8080\r\n"));
    }

    // The side requests take the engine's TLS, with its community CA and its key: every one of them
    // reaches the TLS listener, none the plain one.
    void relayKeyDirectoryAndProbeGoOverTls()
    {
        Client c(server_.tlsHost(), u"demo"_s, u"demo"_s, ca());
        QCOMPARE(c.send(RequestKind::Login), QStringList{u"YOURLOGINISOK"_s});

        const Client::Got credentials = c.get(relayreplies::credentialsPath(u"demo"_s, u"demo"_s));
        QCOMPARE(credentials.status, 200);
        const auto parsed = relayreplies::parseCredentials(credentials.body);
        QVERIFY2(parsed && parsed->port == 3478, credentials.body.constData());

        const auto relayed = stun::Endpoint::parse(u"127.0.0.1:50000"_s);
        QVERIFY(relayed);
        QCOMPARE(c.get(relayreplies::publishPath(u"demo"_s, u"demo"_s, *relayed)).status, 200);
        const Client::Got lookup = c.get(relayreplies::lookupPath(u"demo"_s, u"demo"_s, u"demo"_s));
        QCOMPARE(lookup.status, 200);
        QCOMPARE(relayreplies::parseLookup(lookup.body), relayed);
        QCOMPARE(c.get(relayreplies::withdrawPath(u"demo"_s, u"demo"_s)).status, 200);

        PeerSecurity security;
        security.identity = loadOrCreateIdentity(c.folder.path()); // the key the engine presented
        QVERIFY(security.identity);
        KeyDirectoryClient directory(c.state, security);
        QSignalSpy looked(&directory, &KeyDirectoryClient::lookedUp);
        directory.refreshed({u"demo"_s});
        QVERIFY(looked.wait(20000));
        QCOMPARE(security.publishedFor(u"demo"_s), security.identity->fingerprint());

        Reachability reachability;
        ReachabilityProbe probe(c.state, reachability);
        QSignalSpy answered(&probe, &ReachabilityProbe::answered);
        probe.ask();
        QVERIFY(answered.wait(20000));

        QCOMPARE(linesFor("relay", 4).size(), 4);
        for (const QByteArray resource : {"relay", "keys/publish", "keys/lookup", "jaserelle/reachable"}) {
            const QByteArrayList lines = linesFor(resource, 1);
            QVERIFY2(!lines.isEmpty(), server_.log().constData());
            for (const QByteArray &line : lines)
                QVERIFY2(line.endsWith(" tls") || line.endsWith(" tls-resumed"), line.constData());
        }
    }

    void anUntrustedServerGetsNothing_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("caFile");
        QTest::addColumn<bool>("certificate"); // the certificate refused, or no TLS at all
        QTest::newRow("system authorities only") << QString() << QString() << true;
        QTest::newRow("another community's authority") << QString() << other_.filePath(u"ca.pem"_s) << true;
        QTest::newRow("an empty authority file") << QString() << u"(empty)"_s << true;
        QTest::newRow("plain HTTP on that port") << u"plain"_s << pki_.filePath(u"ca.pem"_s) << false;
    }

    void anUntrustedServerGetsNothing()
    {
        QFETCH(QString, host);
        QFETCH(QString, caFile);
        QFETCH(bool, certificate);
        if (host == u"plain"_s)
            host = u"https://"_s + server_.hostWithPort();
        else
            host = server_.tlsHost();
        const qsizetype loginsBefore = server_.log().count("softlogin.php");
        const qsizetype relaysBefore = server_.log().count("GET /relay");

        Client c(host, u"demo"_s, u"demo"_s, caFile == u"(empty)"_s ? QString() : caFile);
        if (caFile == u"(empty)"_s) {
            QFile empty(c.folder.filePath(u"jaserelle-ca.pem"_s));
            QVERIFY(empty.open(QIODevice::WriteOnly));
        }
        QCOMPARE(c.send(RequestKind::Login), QStringList{u"(no answer)"_s});
        QCOMPARE(c.desktop.notifier.shown.size(), 1);
        QCOMPARE(c.desktop.notifier.shown.last(),
                 certificate ? certificateRefusedNotice(host) : tlsFailedNotice(host));
        QVERIFY(!c.desktop.lifetime.ended()); // the user may name another server, or try again
        // The side requests fail as well, and never in plain.
        QCOMPARE(c.get(relayreplies::credentialsPath(u"demo"_s, u"demo"_s)).status, 0);
        PeerSecurity security;
        security.identity = loadOrCreateIdentity(c.folder.path());
        KeyDirectoryClient directory(c.state, security);
        directory.refreshed({u"demo"_s});
        QCOMPARE(c.get(relayreplies::lookupPath(u"demo"_s, u"demo"_s, u"demo"_s)).status, 0);
        QVERIFY(directory.hasDirectory()); // a failure, not a server without a directory

        // Nothing was sent: a trusted client's refresh is logged, and no login came before it.
        Client witness(server_.tlsHost(), u"lucie"_s, u"demo"_s, ca());
        QCOMPARE(witness.send(RequestKind::Login), QStringList{u"YOURLOGINISOK"_s});
        QVERIFY(logged("softlogin.php?login=lucie"));
        QCOMPARE(server_.log().count("softlogin.php"), loginsBefore + 1);
        QCOMPARE(server_.log().count("GET /relay"), relaysBefore);
    }

    // Everyone behind one home router shares its address: the session opened with a key answers
    // to that key only, over TLS or plain HTTP alike.
    void anotherKeyFromTheSameAddressGetsNothing()
    {
        Client member(server_.tlsHost(), u"demo"_s, u"demo"_s, ca());
        QCOMPARE(member.send(RequestKind::Login), QStringList{u"YOURLOGINISOK"_s});
        QCOMPARE(member.send(RequestKind::Refresh), QStringList{u"REFRESHISOK"_s});
        const QString listsBefore = member.body;
        QCOMPARE(member.send(RequestKind::ReadMails), QStringList{u"HERESTARTMAILLIST"_s});
        const QString mailsBefore = member.body;
        QVERIFY(mailsBefore.contains(u"thomas~"_s));

        // The neighbour knows the pseudo, not the password, and has a key of its own.
        Client neighbour(server_.tlsHost(), u"demo"_s, QString(), ca());
        const auto otherKey = makeIdentity();
        QVERIFY(otherKey);
        neighbour.engine.setIdentity(*otherKey);
        // And the one without any key, in plain HTTP as a legacy client would.
        Client plain(server_.hostWithPort(), u"demo"_s, QString());
        for (Client *intruder : {&neighbour, &plain}) {
            QCOMPARE(intruder->send(RequestKind::ReadMails), QStringList{u"(no answer)"_s});
            QCOMPARE(intruder->send({.kind = RequestKind::DeleteMail, .mailRow = thomasMail}),
                     QStringList{u"(no answer)"_s});
            QCOMPARE(intruder->send({RequestKind::AddListeNoire, u"pierre"_s}),
                     QStringList{u"(no answer)"_s});
            QCOMPARE(intruder->send({RequestKind::RemoveListeNoire, u"lucie"_s}),
                     QStringList{u"(no answer)"_s});
            const OutgoingMail outgoing{u"lucie"_s, u"coucou"_s, u"pas de moi"_s};
            QCOMPARE(intruder->send({.kind = RequestKind::SendMail, .mail = outgoing}),
                     QStringList{u"(no answer)"_s});
        }

        // The member's box and lists are as they were, and the member's own key still acts.
        QCOMPARE(member.send(RequestKind::ReadMails), QStringList{u"HERESTARTMAILLIST"_s});
        QCOMPARE(member.body, mailsBefore);
        QCOMPARE(member.send(RequestKind::Refresh), QStringList{u"REFRESHISOK"_s});
        QCOMPARE(member.body, listsBefore);
        // Nothing to remove: the lists stay as the next cases need them.
        QCOMPARE(member.send({RequestKind::RemoveFavoris, u"personne"_s}),
                 QStringList{u"REMOVEISSUCCESSFUL"_s});
    }

    // A member on plain HTTP, without any key, keeps the address rule of old.
    void aLegacyClientKeepsItsRule()
    {
        Client legacy(server_.hostWithPort(), u"pierre"_s);
        QCOMPARE(legacy.send(RequestKind::Login), QStringList{u"YOURLOGINISOK"_s});
        QCOMPARE(legacy.send(RequestKind::ReadMails), QStringList{u"HERESTARTMAILLIST"_s});
        QCOMPARE(legacy.send({RequestKind::AddFavoris, u"lucie"_s}), QStringList{u"LISTESMISESAJOUR"_s});
    }

    // From here on, one session of demo's goes through the demo community.
    void loginAndRefreshOverTls()
    {
        Client &s = *demo_;
        const auto refreshes = [&] { return server_.log().count("&password=***&ipAdress=127.0.0.1\" 200"); };
        const qsizetype refreshesBefore = refreshes(), resumedBefore = server_.log().count(" tls-resumed\n");
        QCOMPARE(s.send(RequestKind::Login), QStringList{u"YOURLOGINISOK"_s});
        for (int i = 0; i < 3; ++i)
            QCOMPARE(s.send(RequestKind::Refresh), QStringList{u"REFRESHISOK"_s});
        // The demo community as a first login shows it: both lists, a black-lister, members connected
        // (an address) and not (0.0.0.0), three mails.
        for (const QString &part : {u"|HERESTARTFAVORIS|"_s, u"|HERESTARTLISTENOIRE|"_s,
                                    u"|IAMINLISTENOIREOF|"_s, u",127.0.0."_s, u",0.0.0.0,"_s})
            QVERIFY2(s.body.contains(part), qPrintable(part));
        QVERIFY2(s.body.endsWith(u"MYMAILSNUMBER,3,"_s), qPrintable(s.body));
        // The key the engine made at its first TLS connection is kept beside the ini.
        QVERIFY(QFile::exists(identityFile(s.folder.path())));

        QVERIFY2(logged("\"GET /softlogin.php?login=demo&password=***\" 200"), server_.log().constData());
        // The refreshes after the first resume the TLS session instead of a full handshake.
        QVERIFY2(QTest::qWaitFor([&] { return refreshes() >= refreshesBefore + 3; }) &&
                     server_.log().count(" tls-resumed\n") >= resumedBefore + 2,
                 server_.log().constData());
        QVERIFY(!server_.log().contains("password=demo"));
    }

    void contactEditing()
    {
        Client &s = *demo_;
        const auto add = [&](RequestKind kind, const QString &who) { return s.send({kind, who}); };
        QCOMPARE(add(RequestKind::AddFavoris, u"pierre"_s), QStringList{u"LISTESMISESAJOUR"_s});
        QCOMPARE(add(RequestKind::AddFavoris, u"pierre"_s), QStringList{u"LEMEMBREESTDEJADANSLALISTE"_s});
        QCOMPARE(add(RequestKind::AddListeNoire, u"pierre"_s), QStringList{u"LISTESMISESAJOUR"_s}); // a move
        QCOMPARE(add(RequestKind::AddFavoris, u"personne"_s), QStringList{u"LEMEMBRENEXISTEPAS"_s});

        QCOMPARE(add(RequestKind::RemoveListeNoire, u"pierre"_s), QStringList{u"REMOVEISSUCCESSFUL"_s});
        QCOMPARE(add(RequestKind::RemoveFavoris, u"pierre"_s), QStringList{u"REMOVEISSUCCESSFUL"_s});
        s.send(RequestKind::Refresh);
        QVERIFY(!s.body.contains(u"pierre"_s));
    }

    void searchesAndProfile()
    {
        Client &s = *demo_;
        QCOMPARE(s.send({.kind = RequestKind::SearchPseudo, .searchPseudo = u"quelquun"_s}),
                 QStringList{u"NOSEARCHRESULT"_s});

        // The criteria go out as the combo boxes show them, accents as raw Windows-1252 bytes.
        const SearchCriteria criteria{u"Femme"_s,       u"de 26 à 35"_s,  u"indifférent"_s,
                                      u"indifférent"_s, u"indifférent"_s, false};
        QCOMPARE(s.send({.kind = RequestKind::SearchCriteres, .criteria = criteria}),
                 QStringList{u"SEARCHISOK"_s});
        QVERIFY(!s.body.contains(u",H,"_s));
        QVERIFY(s.body.contains(u"julie,F,"_s) && s.body.contains(u",yes,"_s)); // julie black-listed demo

        // lucie: found by such a search, with a photo
        QCOMPARE(s.send({RequestKind::Profil, u"lucie"_s}), QStringList{u"HERESTARTREQUIREDPROFIL"_s});
        QCOMPARE(s.send({RequestKind::Photo, u"lucie"_s}), QStringList{u"Content-Type: image/jpeg"_s});
    }

    void mails()
    {
        Client &s = *demo_;
        QCOMPARE(s.send(RequestKind::ReadMails), QStringList{u"HERESTARTMAILLIST"_s});
        QVERIFY(s.body.contains(u"thomas~2026-12-02~09:07:59~NULL~"_s));

        QCOMPARE(s.send({.kind = RequestKind::DeleteMail, .mailRow = thomasMail}),
                 QStringList{u"YOURMAILHAVEBEENDELETED"_s});
        s.send(RequestKind::Refresh);
        QVERIFY(s.body.endsWith(u"MYMAILSNUMBER,2,"_s));
    }

    void logoffEndsWhatTheSessionAllowed()
    {
        Client &s = *demo_;
        QCOMPARE(s.send(RequestKind::Logoff), QStringList{u"SOFTLOGOFFSUCCESS"_s});
        // Refused once logged off: no handler takes the answer, and the user is told so.
        QCOMPARE(s.send(RequestKind::ReadMails), QStringList{u"(no answer)"_s});
        QCOMPARE(s.send({RequestKind::AddFavoris, u"pierre"_s}), QStringList{u"(no answer)"_s});
    }
};

QTEST_MAIN(TestCommunityRequests)
#include "test_community_requests.moc"
