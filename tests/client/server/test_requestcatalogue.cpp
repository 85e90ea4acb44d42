#include "client/server/enginenotices.h"
#include "client/server/requestcatalogue.h"
#include "client/server/serverhost.h"
#include "client/server/wiretext.h"

#include <QTest>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

class TestRequestCatalogue : public QObject
{
    Q_OBJECT

    // As the user acted on them: a member, and in the mail box a mail of luc's.
    static RequestInputs inputs(RequestKind kind, const QString &pseudo = u"paul"_s)
    {
        RequestInputs in{{kind, pseudo}, u"jean"_s};
        in.mail = {u"sophie"_s, u"Salut !"_s, u"Bonjour"_s};
        in.mailRow = {u"luc"_s, u"05/12/2026 à 21h07"_s, u"Re: ciné"_s, u"OK"_s};
        return in;
    }
    static QString path(RequestInputs in, RequestKind kind)
    {
        in.kind = kind;
        return buildRequestPath(in);
    }

private slots:
    // The other kinds are proven byte for byte where the user sends them, through the windows.
    void listsNotSentElsewhere()
    {
        QCOMPARE(buildRequestPath(inputs(RequestKind::AddFavoris, u"marie"_s)),
                 u"ajoutmembre.php?login=jean&pseudo=marie&liste=favoris"_s);
        QCOMPARE(buildRequestPath(inputs(RequestKind::RemoveListeNoire)),
                 u"removemembre.php?login=jean&pseudo=paul&liste=listenoire"_s);
    }

    void subjectsDatesPhotoFlagAndServerData()
    {
        RequestInputs in = inputs(RequestKind::SendMail);
        in.mail.subject = u"   "_s;
        QVERIFY(path(in, RequestKind::SendMail).contains(u"&subject=NULL&"));
        in.mail.subject = u"\t"_s; // only spaces count as blank
        QVERIFY(path(in, RequestKind::SendMail).contains(u"&subject=%09&"));
        in.mailRow.subject = u"pas de sujet"_s;
        in.mailRow.when = u"01/01/2000 09h05"_s;
        QVERIFY(path(in, RequestKind::DeleteMail).contains(u"&date=2000-01-01&time=09:05:00&subject=NULL&"));
        QVERIFY(path(in, RequestKind::SearchCriteres).endsWith(u"&withphotoonly=no"));

        // Pseudos read back from list rows are server data: a hostile one must not forge a request.
        in.targetPseudo = u"x y&liste=favoris#\r\nHost: evil?%+\t\x7F"_s;
        QCOMPARE(path(in, RequestKind::Profil),
                 u"getprofil.php?pseudo=x%20y%26liste=favoris%23%0D%0AHost:%20evil%3F%25%2B%09%7F"_s);
        in.targetPseudo = u"\u00e9l/o=die"_s; // accents, slashes and equals signs go out raw
        QCOMPARE(wiretext::toWire(path(in, RequestKind::Photo)), QByteArray("photos/\xE9l/o=die.jpg"));
        in.targetPseudo = u"a b"_s;
        QVERIFY(path(in, RequestKind::AddFavoris).contains(u"pseudo=a%20b&"));
        in.mailRow.sender = u"a&b"_s;
        QVERIFY(path(in, RequestKind::DeleteMail).contains(u"sender=a%26b&"));
    }

    // "https://" chooses TLS and its port; a bare host stays plain, its Host: header as typed.
    void serverHost()
    {
        const auto parsed = [](const QString &configured) {
            const ServerAddress a = parseServerHost(configured);
            return a.valid ? (a.tls ? u"tls "_s : u"plain "_s) + a.host + u'/' + QString::number(a.port) +
                                 u' ' + a.hostHeader
                           : QString();
        };
        QCOMPARE(parsed(u"jaserelle.fr"_s), u"plain jaserelle.fr/80 jaserelle.fr"_s);
        QCOMPARE(parsed(u"localhost:8080"_s), u"plain localhost/8080 localhost:8080"_s);
        QCOMPARE(parsed(u"[::1]:8080"_s), u"plain ::1/8080 [::1]:8080"_s);
        QCOMPARE(parsed(u"https://jaserelle.fr"_s), u"tls jaserelle.fr/443 jaserelle.fr"_s);
        QCOMPARE(parsed(u"HTTPS://jaserelle.fr:8443/"_s), u"tls jaserelle.fr/8443 jaserelle.fr:8443"_s);
        QCOMPARE(parsed(u"https://[::1]:8443"_s), u"tls ::1/8443 [::1]:8443"_s);
        for (const QString &bad :
             {QString(), u"localhost:http"_s, u"localhost:0"_s, u"localhost:65536"_s, u":8080"_s,
              u"https://"_s, u"https://:443"_s, u"https://host/path"_s, u"https://h:0"_s})
            QVERIFY2(parsed(bad).isEmpty(), qPrintable(bad));
    }

    // Every failure notice names the server the user configured; the secure-connection ones are
    // never the plain outage texts.
    void failureNoticesNameTheServer()
    {
        const QString host = u"https://serveur.example:8080"_s;
        for (int k = 0; k < requestKindCount; ++k) {
            const std::optional<Notice> notice = socketErrorOutcome(RequestKind(k), host).notice;
            QVERIFY2(!notice || notice->text.contains(host), QByteArray::number(k));
            QVERIFY2(unansweredNotice(RequestKind(k), host).text.contains(host), QByteArray::number(k));
        }
        const Notice certificate = certificateRefusedNotice(host), handshake = tlsFailedNotice(host);
        for (const Notice &notice :
             {startFailureNotice(host), backOnlineNotice(host), certificate, handshake})
            QVERIFY2(notice.text.contains(host), qPrintable(notice.text));
        QVERIFY(certificate.text != handshake.text);
        QVERIFY(certificate.text != socketErrorOutcome(RequestKind::Login, host).notice->text);
    }
};

QTEST_APPLESS_MAIN(TestRequestCatalogue)
#include "test_requestcatalogue.moc"
