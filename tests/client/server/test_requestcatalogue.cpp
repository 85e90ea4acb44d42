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

    static RequestInputs inputs()
    {
        RequestInputs in;
        in.userLogin = u"jean"_s;
        in.userPassword = u"secret1"_s;
        in.localAddress = u"192.168.1.20"_s;
        in.targetPseudo = u"marie"_s;
        in.selectedPseudo = u"paul"_s;
        in.searchPseudo = u"lu"_s;
        in.criteria = {u"Femme"_s,          u"de 18 à 25"_s,  u"Bretagne"_s,
                       u"de 1m60 à 1m70"_s, u"indifférent"_s, true};
        in.mail = {u"sophie"_s, u"Salut !"_s, u"Bonjour,\r\nà demain"_s};
        in.mailRow = {u"luc"_s, u"05/12/2026 à 21h07"_s, u"Re: ciné"_s, u"OK 100%"_s};
        return in;
    }

private slots:
    void everyKind_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("expected");
        const auto row = [](RequestKind k, const char *name, const QByteArray &path) {
            QTest::newRow(name) << int(k) << path;
        };
        row(RequestKind::Login, "login", "softlogin.php?login=jean&password=secret1");
        row(RequestKind::Logoff, "logoff", "softlogoff.php?login=jean&password=secret1");
        row(RequestKind::Refresh, "refresh",
            "softrefresh2.php?login=jean&password=secret1&ipAdress=192.168.1.20");
        row(RequestKind::AddFavoris, "addFavoris", "ajoutmembre.php?login=jean&pseudo=marie&liste=favoris");
        row(RequestKind::AddListeNoire, "addListeNoire",
            "ajoutmembre.php?login=jean&pseudo=marie&liste=listenoire");
        row(RequestKind::RemoveFavoris, "removeFavoris",
            "removemembre.php?login=jean&pseudo=paul&liste=favoris");
        row(RequestKind::RemoveListeNoire, "removeListeNoire",
            "removemembre.php?login=jean&pseudo=paul&liste=listenoire");
        row(RequestKind::Profil, "profil", "getprofil.php?pseudo=paul");
        row(RequestKind::Photo, "photo", "photos/paul.jpg");
        row(RequestKind::SearchPseudo, "searchPseudo", "searchmembers3.php?pseudo=lu&iamuser=jean");
        row(RequestKind::SearchCriteres, "searchCriteres",
            "searchmembers3.php?sexe=Femme&age=de%2018%20\xE0%2025&region=Bretagne"
            "&taille=de%201m60%20\xE0%201m70&poids=indiff\xE9rent&iamuser=jean&withphotoonly=yes");
        row(RequestKind::SendMail, "sendMail",
            "sendmail.php?sender=jean&login=sophie&subject=Salut+%21&message=Bonjour%2C%0D%0A%E0+demain");
        row(RequestKind::ReadMails, "readMails", "readmails.php?login=jean");
        row(RequestKind::DeleteMail, "deleteMail",
            "deletemail.php?login=jean&sender=luc&date=2026-12-05&time=21:07:00&subject=Re%3A+cin%E9"
            "&message=OK+100%25");
    }
    void everyKind()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, expected);
        // Compared as the bytes that go on the wire: accented letters travel as single bytes.
        QCOMPARE(wiretext::toWire(buildRequestPath(RequestKind(kind), inputs())), expected);
    }

    void subjectsDatesAndPhotoFlag()
    {
        RequestInputs in = inputs();
        const auto path = [&](RequestKind kind) { return buildRequestPath(kind, in); };
        in.mail.subject = u"   "_s;
        QVERIFY(path(RequestKind::SendMail).contains(u"&subject=NULL&"));
        in.mail.subject = u" x "_s;
        QVERIFY(path(RequestKind::SendMail).contains(u"&subject=+x+&"));
        in.mail.subject = u"\t"_s; // only spaces count as blank
        QVERIFY(path(RequestKind::SendMail).contains(u"&subject=%09&"));
        in.mailRow.subject = u"pas de sujet"_s;
        in.mailRow.when = u"01/01/2000 09h05"_s;
        QVERIFY(path(RequestKind::DeleteMail).contains(u"&date=2000-01-01&time=09:05:00&subject=NULL&"));
        in.criteria.avecPhoto = false;
        QVERIFY(path(RequestKind::SearchCriteres).endsWith(u"&withphotoonly=no"));
    }

    // Pseudos read back from list rows are server data: a hostile one must not forge a request.
    void serverDataCannotBreakTheRequest()
    {
        RequestInputs in = inputs();
        in.selectedPseudo = u"x y&liste=favoris#\r\nHost: evil?%+\t\x7F"_s;
        QCOMPARE(buildRequestPath(RequestKind::Profil, in),
                 u"getprofil.php?pseudo=x%20y%26liste=favoris%23%0D%0AHost:%20evil%3F%25%2B%09%7F"_s);
        in.selectedPseudo = u"\u00e9l/o=die"_s; // accents, slashes and equals signs go out raw
        QCOMPARE(wiretext::toWire(buildRequestPath(RequestKind::Photo, in)),
                 QByteArray("photos/\xE9l/o=die.jpg"));
        in.targetPseudo = u"a b"_s;
        QVERIFY(buildRequestPath(RequestKind::AddFavoris, in).contains(u"pseudo=a%20b&"));
        in.mailRow.sender = u"a&b"_s;
        QVERIFY(buildRequestPath(RequestKind::DeleteMail, in).contains(u"sender=a%26b&"));
    }

    void serverHostWithPort()
    {
        const auto parsed = [](const QString &configured) {
            const ServerAddress a = parseServerHost(configured);
            return a.valid ? a.host + u'/' + QString::number(a.port) : QString();
        };
        QCOMPARE(parsed(u"jaserelle.fr"_s), u"jaserelle.fr/80"_s);
        QCOMPARE(parsed(u"localhost:8080"_s), u"localhost/8080"_s);
        QCOMPARE(parsed(u"[::1]:8080"_s), u"::1/8080"_s);
        for (const QString &bad :
             {QString(), u"localhost:http"_s, u"localhost:0"_s, u"localhost:65536"_s, u":8080"_s})
            QVERIFY2(parsed(bad).isEmpty(), qPrintable(bad));
    }

    // What a failure means for each request; the notices name the server the user configured.
    void failureOutcomes()
    {
        const QString host = u"serveur.example:8080"_s;
        for (int k = 0; k < requestKindCount; ++k) {
            const RequestKind kind = RequestKind(k);
            const SocketErrorOutcome o = socketErrorOutcome(kind, host);
            const QByteArray name = QByteArray::number(k);
            QVERIFY2(o.endsApplication == (kind <= RequestKind::Logoff), name);
            QVERIFY2(bool(o.notice) == (kind != RequestKind::Logoff), name);
            QVERIFY2(!o.notice || o.notice->text.contains(host), name);
            QVERIFY2(o.hidesMailBox == (kind == RequestKind::ReadMails), name);
            QVERIFY2(o.onlyWhileServerWasUp == (kind == RequestKind::Refresh), name);
        }
        QVERIFY(startFailureNotice(host).text.contains(host) && backOnlineNotice(host).text.contains(host));
    }
};

QTEST_APPLESS_MAIN(TestRequestCatalogue)
#include "test_requestcatalogue.moc"
