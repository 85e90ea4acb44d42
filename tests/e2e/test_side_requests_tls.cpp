// The requests the client sends beside its request engine (the relay's, the key directory's, the
// reachability probe) against the real jaserelle-server over HTTPS: they take the engine's TLS,
// with its community CA and its key, so nothing with the password ever goes in clear; a server
// whose certificate the client does not trust gets none of them.
#include "client/conversation/peersecurity.h"
#include "client/network/reachability.h"
#include "client/network/reachabilityprobe.h"
#include "client/network/relayreplies.h"
#include "client/network/serverget.h"
#include "client/security/keydirectoryclient.h"
#include "client/server/serverconnection.h"
#include "tests/support/communityserver.h"
#include "tests/support/communitysession.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

class TestSideRequestsTls : public QObject
{
    Q_OBJECT

    using Client = CommunitySession;

    struct Answer
    {
        int status = -1;
        QByteArray body;
    };
    static Answer get(const ClientState &state, const QByteArray &target)
    {
        Answer answer;
        QObject context;
        serverGet(serverLinkOf(state), target, &context, [&answer](int status, const QByteArray &body) {
            answer = {status, body};
        });
        if (!QTest::qWaitFor([&] { return answer.status >= 0; }, 20000))
            qWarning("serverGet never called back");
        return answer;
    }

    // The access log's lines for `resource`, once `count` of them are there.
    QByteArrayList linesFor(const QByteArray &resource, qsizetype count)
    {
        QByteArrayList lines;
        (void)QTest::qWaitFor(
            [&] {
                lines.clear();
                for (const QByteArray &line : server_.log().split('\n'))
                    if (line.contains("GET /" + resource))
                        lines.append(line);
                return lines.size() >= count;
            },
            10000);
        return lines;
    }

    QTemporaryDir pki_, other_, relayDir_;
    CommunityServer server_;

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
    }

    void theHostHeaderNamesTheHostOnly()
    {
        const QByteArray request = serverGetRequest(u"https://localhost:8443"_s, "/keys/lookup?x=1");
        QVERIFY2(request.startsWith("GET /keys/lookup?x=1 HTTP/1.1\r\nHost: localhost:8443\r\n"),
                 request.constData());
        QVERIFY(serverGetRequest(u"127.0.0.1:8080"_s, "/a").contains("\r\nHost: 127.0.0.1:8080\r\n"));
    }

    void relayKeyDirectoryAndProbeGoOverTls()
    {
        Client c(server_.tlsHost(), u"demo"_s, u"demo"_s, pki_.filePath(u"ca.pem"_s));
        QCOMPARE(c.send(RequestKind::Login), QStringList{u"YOURLOGINISOK"_s});

        const Answer credentials = get(c.state, relayreplies::credentialsPath(u"demo"_s, u"demo"_s));
        QCOMPARE(credentials.status, 200);
        const auto parsed = relayreplies::parseCredentials(credentials.body);
        QVERIFY2(parsed && parsed->port == 3478, credentials.body.constData());

        const auto relayed = stun::Endpoint::parse(u"127.0.0.1:50000"_s);
        QVERIFY(relayed);
        QCOMPARE(get(c.state, relayreplies::publishPath(u"demo"_s, u"demo"_s, *relayed)).status, 200);
        const Answer lookup = get(c.state, relayreplies::lookupPath(u"demo"_s, u"demo"_s, u"demo"_s));
        QCOMPARE(lookup.status, 200);
        QCOMPARE(relayreplies::parseLookup(lookup.body), relayed);
        QCOMPARE(get(c.state, relayreplies::withdrawPath(u"demo"_s, u"demo"_s)).status, 200);

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

        // Every one of them reached the TLS listener, none the plain one.
        QCOMPARE(linesFor("relay", 4).size(), 4);
        for (const QByteArray resource : {"relay", "keys/publish", "keys/lookup", "jaserelle/reachable"}) {
            const QByteArrayList lines = linesFor(resource, 1);
            QVERIFY2(!lines.isEmpty(), server_.log().constData());
            for (const QByteArray &line : lines)
                QVERIFY2(line.endsWith(" tls") || line.endsWith(" tls-resumed"), line.constData());
        }
    }

    // A certificate the client does not trust: the side requests fail, and never in plain.
    void anUntrustedServerGetsNoSideRequest()
    {
        Client c(server_.tlsHost(), u"marie75"_s, u"demo"_s, other_.filePath(u"ca.pem"_s));
        QCOMPARE(get(c.state, relayreplies::credentialsPath(u"marie75"_s, u"demo"_s)).status, 0);

        PeerSecurity security;
        security.identity = loadOrCreateIdentity(c.folder.path());
        KeyDirectoryClient directory(c.state, security);
        directory.refreshed({u"demo"_s});
        // The directory's handshake fails as this one does, meanwhile.
        QCOMPARE(get(c.state, relayreplies::lookupPath(u"marie75"_s, u"demo"_s, u"demo"_s)).status, 0);
        QVERIFY(directory.hasDirectory()); // a failure, not a server without a directory

        // The https line pointed at the plain port: no handshake, so nothing is written.
        c.state.serverHost = u"https://"_s + server_.hostWithPort();
        QCOMPARE(get(c.state, relayreplies::credentialsPath(u"marie75"_s, u"demo"_s)).status, 0);

        QVERIFY2(!server_.log().contains("login=marie75"), server_.log().constData());
    }
};

QTEST_MAIN(TestSideRequestsTls)
#include "test_side_requests_tls.moc"
