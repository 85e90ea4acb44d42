// The client's engine over HTTPS to the real jaserelle-server, with certificates made for the test:
// the login and the refreshes go through TLS (the refreshes resuming the session), a certificate the
// client does not trust stops everything before a byte is sent, and a session opened with a key
// serves its password-less requests to that key only, not to whoever shares the member's address.
#include "client/security/identity.h"
#include "client/server/enginenotices.h"
#include "tests/support/communityserver.h"
#include "tests/support/communitysession.h"

#include <QFile>
#include <QTemporaryDir>
#include <memory>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

class TestServerTls : public QObject
{
    Q_OBJECT

    // A client of its own: its own folder (its ini's, where the community CA and its key live).
    struct Client : CommunitySession
    {
        Client(const QString &host, const QString &pseudo, const QString &caFile,
               const QString &password = u"demo"_s)
            : CommunitySession(host, pseudo, password)
        {
            state.appDir = folder.path();
            if (!caFile.isEmpty())
                QFile::copy(caFile, folder.filePath(u"jaserelle-ca.pem"_s));
        }
        QTemporaryDir folder;
    };

    // What the server has logged so far (its access log is on its standard error).
    QByteArray serverLog()
    {
        log_ += server_.log();
        return log_;
    }
    bool logged(const QByteArray &line)
    {
        return QTest::qWaitFor([&] { return serverLog().contains(line); }, 10000);
    }

    QTemporaryDir pki_;   // the community's authority and the server's certificate
    QTemporaryDir other_; // another authority, which signed nothing the server has
    CommunityServer server_;
    QByteArray log_;

private slots:
    void initTestCase()
    {
        QVERIFY(pki_.isValid() && other_.isValid());
        QVERIFY(CommunityServer::makeCertificates(pki_.path()));
        QVERIFY(CommunityServer::makeCertificates(other_.path()));
        server_.serveTls(pki_.filePath(u"server.pem"_s), pki_.filePath(u"server.key"_s));
        QVERIFY2(server_.start(), server_.log().constData());
    }

    void loginAndRefreshOverTls()
    {
        Client c(server_.tlsHost(), u"demo"_s, pki_.filePath(u"ca.pem"_s));
        QCOMPARE(c.send(RequestKind::Login), QStringList{u"YOURLOGINISOK"_s});
        for (int i = 0; i < 3; ++i)
            QCOMPARE(c.send(RequestKind::Refresh), QStringList{u"REFRESHISOK"_s});
        QVERIFY2(c.body.contains(u"|HERESTARTFAVORIS|"_s), qPrintable(c.body));
        // The key the engine made at its first TLS connection is kept beside the ini.
        QVERIFY(QFile::exists(identityFile(c.folder.path())));

        QVERIFY2(logged("\"GET /softlogin.php?login=demo&password=***\" 200"), serverLog().constData());
        // The refreshes after the first resume the TLS session instead of a full handshake.
        QVERIFY2(QTest::qWaitFor(
                     [&] { return serverLog().count("&password=***&ipAdress=127.0.0.1\" 200") >= 3; }) &&
                     serverLog().count(" tls-resumed\n") >= 2,
                 serverLog().constData());
        QVERIFY(!serverLog().contains("password=demo"));
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
        const qsizetype loginsBefore = serverLog().count("softlogin.php");

        Client c(host, u"demo"_s, caFile == u"(empty)"_s ? QString() : caFile);
        if (caFile == u"(empty)"_s) {
            QFile empty(c.folder.filePath(u"jaserelle-ca.pem"_s));
            QVERIFY(empty.open(QIODevice::WriteOnly));
        }
        QCOMPARE(c.send(RequestKind::Login), QStringList{u"(no answer)"_s});
        QCOMPARE(c.desktop.notifier.shown.size(), 1);
        QCOMPARE(c.desktop.notifier.shown.last(),
                 certificate ? certificateRefusedNotice(host) : tlsFailedNotice(host));
        QVERIFY(!c.desktop.lifetime.ended()); // the user may name another server, or try again

        // Nothing was sent: a trusted client's refresh is logged, and no login came before it.
        Client witness(server_.tlsHost(), u"lucie"_s, pki_.filePath(u"ca.pem"_s));
        QCOMPARE(witness.send(RequestKind::Login), QStringList{u"YOURLOGINISOK"_s});
        QVERIFY(logged("softlogin.php?login=lucie"));
        QCOMPARE(serverLog().count("softlogin.php"), loginsBefore + 1);
    }

    // Everyone behind one home router shares its address: the session opened with a key answers
    // to that key only, over TLS or plain HTTP alike.
    void anotherKeyFromTheSameAddressGetsNothing()
    {
        Client member(server_.tlsHost(), u"demo"_s, pki_.filePath(u"ca.pem"_s));
        QCOMPARE(member.send(RequestKind::Login), QStringList{u"YOURLOGINISOK"_s});
        QCOMPARE(member.send(RequestKind::Refresh), QStringList{u"REFRESHISOK"_s});
        const QString listsBefore = member.body;
        QCOMPARE(member.send(RequestKind::ReadMails), QStringList{u"HERESTARTMAILLIST"_s});
        const QString mailsBefore = member.body;
        QVERIFY(mailsBefore.contains(u"thomas~"_s));

        // The neighbour knows the pseudo, not the password, and has a key of its own.
        Client neighbour(server_.tlsHost(), u"demo"_s, pki_.filePath(u"ca.pem"_s), QString());
        const auto otherKey = makeIdentity();
        QVERIFY(otherKey);
        neighbour.engine.setIdentity(*otherKey);
        // And the one without any key, in plain HTTP as a legacy client would.
        Client plain(server_.hostWithPort(), u"demo"_s, QString(), QString());
        for (Client *intruder : {&neighbour, &plain}) {
            QCOMPARE(intruder->send(RequestKind::ReadMails), QStringList{u"(no answer)"_s});
            const MailRowRef mail{
                u"thomas"_s, u"02/12/2026 à 09h07"_s, u"pas de sujet"_s,
                u"Salut, merci pour l'adresse du restaurant, c'était parfait. À charge de revanche !"_s};
            QCOMPARE(intruder->send({.kind = RequestKind::DeleteMail, .mailRow = mail}),
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
        QCOMPARE(member.send({RequestKind::AddFavoris, u"pierre"_s}), QStringList{u"LISTESMISESAJOUR"_s});
    }

    // A member on plain HTTP, without any key, keeps the address rule of old.
    void aLegacyClientKeepsItsRule()
    {
        Client legacy(server_.hostWithPort(), u"pierre"_s, QString());
        QCOMPARE(legacy.send(RequestKind::Login), QStringList{u"YOURLOGINISOK"_s});
        QCOMPARE(legacy.send(RequestKind::ReadMails), QStringList{u"HERESTARTMAILLIST"_s});
        QCOMPARE(legacy.send({RequestKind::AddFavoris, u"lucie"_s}), QStringList{u"LISTESMISESAJOUR"_s});
    }
};

QTEST_MAIN(TestServerTls)
#include "test_server_tls.moc"
