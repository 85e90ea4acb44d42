#include "client/server/enginenotices.h"
#include "client/server/replypipeline.h"
#include "client/server/requestcatalogue.h"
#include "client/server/serverhost.h"
#include "client/server/wiretext.h"

#include <QTest>

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
        in.criteria = {u"Femme"_s, u"de 18 à 25"_s, u"Bretagne"_s, u"de 1m60 à 1m70"_s, u"indifférent"_s, true};
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
        row(RequestKind::Refresh, "refresh", "softrefresh2.php?login=jean&password=secret1&ipAdress=192.168.1.20");
        row(RequestKind::AddFavoris, "addFavoris", "ajoutmembre.php?login=jean&pseudo=marie&liste=favoris");
        row(RequestKind::AddListeNoire, "addListeNoire", "ajoutmembre.php?login=jean&pseudo=marie&liste=listenoire");
        row(RequestKind::RemoveFavoris, "removeFavoris", "removemembre.php?login=jean&pseudo=paul&liste=favoris");
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

    void subjectsAndPhotoFlag()
    {
        RequestInputs in = inputs();
        in.mail.subject = u"   "_s;
        QVERIFY(buildRequestPath(RequestKind::SendMail, in).contains(u"&subject=NULL&"));
        in.mail.subject = u" x "_s;
        QVERIFY(buildRequestPath(RequestKind::SendMail, in).contains(u"&subject=+x+&"));
        in.mail.subject = u"\t"_s; // only spaces count as blank
        QVERIFY(buildRequestPath(RequestKind::SendMail, in).contains(u"&subject=%09&"));
        in.mailRow.subject = u"pas de sujet"_s;
        QVERIFY(buildRequestPath(RequestKind::DeleteMail, in).contains(u"&subject=NULL&"));
        in.criteria.avecPhoto = false;
        QVERIFY(buildRequestPath(RequestKind::SearchCriteres, in).endsWith(u"&withphotoonly=no"));
    }

    // Pseudos read back from list rows are server data: a hostile one must not forge a request.
    void serverDataCannotBreakTheRequest()
    {
        RequestInputs in = inputs();
        in.selectedPseudo = u"x y&liste=favoris#\r\nHost: evil?%+"_s;
        QCOMPARE(buildRequestPath(RequestKind::Profil, in),
                 u"getprofil.php?pseudo=x%20y%26liste=favoris%23%0D%0AHost:%20evil%3F%25%2B"_s);
        in.selectedPseudo = u"\u00e9lodie"_s; // an accented pseudo still goes out raw
        QCOMPARE(wiretext::toWire(buildRequestPath(RequestKind::Photo, in)), QByteArray("photos/\xE9lodie.jpg"));
        in.targetPseudo = u"a b"_s;
        QVERIFY(buildRequestPath(RequestKind::AddFavoris, in).contains(u"pseudo=a%20b&"));
        in.mailRow.sender = u"a&b"_s;
        QVERIFY(buildRequestPath(RequestKind::DeleteMail, in).contains(u"sender=a%26b&"));
    }

    void mailDateAndTime()
    {
        QCOMPARE(mailDateForServer(u"05/12/2026 à 21h07"_s), u"2026-12-05"_s);
        QCOMPARE(mailTimeForServer(u"05/12/2026 à 21h07"_s), u"21:07:00"_s);
        QCOMPARE(mailTimeForServer(u"01/01/2000 09h05"_s), u"09:05:00"_s);
    }

    void serverHostWithPort_data()
    {
        QTest::addColumn<QString>("configured");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::newRow("bare") << u"jaserelle.fr"_s << true << u"jaserelle.fr"_s << 80;
        QTest::newRow("port") << u"localhost:8080"_s << true << u"localhost"_s << 8080;
        QTest::newRow("v6") << u"[::1]:8080"_s << true << u"::1"_s << 8080;
        QTest::newRow("empty") << QString() << false << QString() << 80;
        QTest::newRow("bad port") << u"localhost:http"_s << false << QString() << 80;
        QTest::newRow("port 0") << u"localhost:0"_s << false << QString() << 80;
        QTest::newRow("port too big") << u"localhost:65536"_s << false << QString() << 80;
        QTest::newRow("no host") << u":8080"_s << false << QString() << 80;
    }
    void serverHostWithPort()
    {
        QFETCH(QString, configured);
        QFETCH(bool, valid);
        QFETCH(QString, host);
        QFETCH(int, port);
        const ServerAddress a = parseServerHost(configured);
        QCOMPARE(a.valid, valid);
        if (valid) {
            QCOMPARE(a.host, host);
            QCOMPARE(int(a.port), port);
        }
    }

    void pipelineRunsInTableOrderOnTheRewrittenReply()
    {
        ReplyPipeline pipeline;
        QStringList calls;
        pipeline.setHandler(ReplySlot::SearchOk, [&](QString &) {
            calls << u"search"_s;
            return HandlerResult::Continue;
        });
        pipeline.setHandler(ReplySlot::LoginOk, [&](QString &reply) {
            calls << u"login"_s;
            reply = u"REFRESHISOK"_s; // what the later handlers see
            return HandlerResult::Continue;
        });
        pipeline.setHandler(ReplySlot::Refresh, [&](QString &) {
            calls << u"refresh"_s;
            return HandlerResult::Continue;
        });
        QString reply = u"SEARCHISOK YOURLOGINISOK|x|"_s;
        pipeline.run(reply);
        QCOMPARE(calls, QStringList({u"login"_s, u"refresh"_s}));

        calls.clear();
        pipeline.setHandler(ReplySlot::LogoffSuccess, [&](QString &) {
            calls << u"logoff"_s;
            return HandlerResult::StopPipeline;
        });
        reply = u"SOFTLOGOFFSUCCESS SEARCHISOK"_s;
        pipeline.run(reply);
        QCOMPARE(calls, QStringList({u"logoff"_s}));
    }

    void noticesByKind()
    {
        const SocketErrorOutcome refresh = socketErrorOutcome(RequestKind::Refresh, u"h"_s);
        QVERIFY(refresh.onlyWhileServerWasUp);
        QCOMPARE(refresh.notice->text, u"Le serveur h est temporairement défaillant,\r\n"
                                       u"les listes de vos contacts ne peuvent être mises à jour.\r\n"
                                       u"Si vous ne fermez pas l'application, vous serez prévenus\r\n"
                                       u"dès que le serveur sera de nouveau accéssible."_s);
        QVERIFY(socketErrorOutcome(RequestKind::RemoveFavoris, u"h"_s)
                    .notice->text.endsWith(u"\r\nserveur soit de nouveau accéssible."));
        QVERIFY(socketErrorOutcome(RequestKind::SendMail, u"h"_s)
                    .notice->text.contains(u"\r\nvotre mail n'a pas pu être envoyé.\r\n"));
        QVERIFY(socketErrorOutcome(RequestKind::SearchPseudo, u"h"_s)
                    .notice->text.contains(u"\r\nla recherche de membres est actuellement inaccéssible.\r\n"));
        QVERIFY(socketErrorOutcome(RequestKind::ReadMails, u"h"_s).hidesMailBox);
        const SocketErrorOutcome logoff = socketErrorOutcome(RequestKind::Logoff, u"h"_s);
        QVERIFY(logoff.endsApplication && !logoff.notice);
        for (int k = 2; k < requestKindCount; ++k) {
            const SocketErrorOutcome o = socketErrorOutcome(RequestKind(k), u"h"_s);
            QVERIFY2(o.notice && o.notice->title == u"Attention!" && !o.endsApplication, qPrintable(QString::number(k)));
        }
    }
};

QTEST_APPLESS_MAIN(TestRequestCatalogue)
#include "test_requestcatalogue.moc"
