#include "client/server/enginenotices.h"
#include "client/server/frminfo.h"
#include "client/server/loginreplies.h"
#include "client/server/loginreply.h"
#include "client/server/requestcatalogue.h"
#include "client/server/serverhost.h"
#include "client/server/wiretext.h"
#include "client/shell/frmtrytoconnect.h"
#include "tests/support/clientfixture.h"
#include "tests/support/enginefixture.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTextEdit>

using namespace Qt::StringLiterals;

// The requests as built; the engine against a scripted loopback server; the login and logoff
// answers up to the windows (a refused login: e2e_test_mainwindow).
class TestRequestEngine : public QObject
{
    Q_OBJECT

    // Every handler records "keyword:reply", completes the request (the refresh goes on again) and
    // lets the pipeline go on.
    struct Fixture : EngineFixture
    {
        QStringList handled;
        Fixture()
        {
            for (const ReplySlotInfo &info : replyHandlerOrder)
                pipeline.setHandler(info.slot, [this, info](QString &reply) {
                    handled << QString::fromUtf16(info.keyword) + u':' + reply;
                    engine.resumeRefresh();
                    return HandlerResult::Continue;
                });
        }
        bool waitHandled(int n)
        {
            return QTest::qWaitFor([&] { return handled.size() >= n; });
        }
    };

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

    static FrmInfo *waitForInfo(ClientFixture &f)
    {
        const auto info = [&] { return f.client->loginReplies().frmInfo(); };
        return QTest::qWaitFor([&] { return info() != nullptr; }) ? info() : nullptr;
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
        const Notice certificate = certificateRefusedNotice(host), handshake = tlsFailedNotice(host);
        QList<Notice> notices{startFailureNotice(host), backOnlineNotice(host), certificate, handshake};
        for (int k = 0; k < requestKindCount; ++k)
            notices << unansweredNotice(RequestKind(k), host)
                    << socketErrorOutcome(RequestKind(k), host).notice.value_or(certificate);
        for (const Notice &notice : notices)
            QVERIFY2(notice.text.contains(host), qPrintable(notice.text));
        QVERIFY(certificate.text != handshake.text &&
                certificate.text != socketErrorOutcome(RequestKind::Login, host).notice->text);
    }

    // The refresh carries the local address; its reply, gathered byte by byte and decoded from
    // Windows-1252, goes whole to every handler whose keyword it holds, in table order. A request
    // replaced before its answer is complete takes its half answer with it, silently.
    void handsTheWholeReplyOver()
    {
        Fixture f;
        const QByteArray whole = ScriptedServer::httpOk("MAILSENDEDOK REFRESHISOK|\xE9t\xE9|");
        f.server.queue(Answer{ScriptedServer::httpOk("REFRESHISOK|half"), false});
        f.server.queue(Answer{whole, true, false, true});
        f.engine.startRefresh();
        QVERIFY(QTest::qWaitFor([&] { return f.engine.receivedBytes() > 0; }));
        f.engine.startRefresh();
        QVERIFY(f.waitHandled(2));
        for (const QByteArray &request : f.server.requests)
            QVERIFY(request.startsWith(
                "GET /softrefresh2.php?login=jean&password=secret1&ipAdress=127.0.0.1 HTTP/1.1\r\n"));
        const QString decoded = QString::fromLatin1(whole); // é is the same byte in both
        QCOMPARE(f.handled, (QStringList{u"REFRESHISOK:"_s + decoded, u"MAILSENDEDOK:"_s + decoded}));
        QVERIFY(f.engine.receivedBytes() == 0 && f.desktop.notifier.shown.isEmpty());

        // Past the first byte's time-out, a slow answer is still waited for within the deadline.
        f.engine.setTimeoutInterval(150);
        f.engine.setAnswerDeadline(5000);
        f.server.queue(Answer{"HTTP/1.1 200 OK\r\n", false});
        f.engine.start({RequestKind::ReadMails});
        QVERIFY(QTest::qWaitFor([&] { return f.engine.state() == RequestEngine::State::Receiving; }));
        QTest::qWait(400);
        f.server.lastSocket->write("\r\nHERESTARTMAILLIST");
        f.server.lastSocket->disconnectFromHost();
        QVERIFY(f.waitHandled(3) && f.desktop.notifier.shown.isEmpty());
    }

    // Neither the refresh ticks nor a request that names nobody replace a request in flight.
    void nothingReplacesARequestInFlight()
    {
        Fixture f;
        f.server.queue(heldOpen); // the logoff hangs
        f.engine.setRefreshInterval(20);
        f.engine.resumeRefresh();
        f.engine.start({RequestKind::Logoff});
        QVERIFY(f.server.waitForRequests(1));
        f.engine.start({RequestKind::RemoveFavoris});
        f.engine.start({RequestKind::DeleteMail, u"paul"_s}); // no mail row
        QTest::qWait(200);                                    // ten ticks
        QVERIFY(f.server.connections == 1 && f.engine.refreshTimer().isActive());
        QCOMPARE(f.engine.requestKind(), RequestKind::Logoff);
    }

    // A server silent, down, dripping, never closing, without keyword (403) or without end: the
    // logoff ends the application silently; any other request is announced and fails, nothing of
    // the answer handled, the engine idle and the refresh on again once someone is signed in.
    void failures()
    {
        const QByteArray answer = ScriptedServer::httpOk("REFRESHISOK|HERESTARTMAILLIST|YOURLOGINISOK||");
        using K = RequestKind;
        const std::pair<RequestKind, std::string_view> rows[] = {
            {K::Profil, "silent"}, {K::Login, "silent"},       {K::Logoff, "silent"},
            {K::Login, "down"},    {K::AddFavoris, "down"},    {K::Refresh, "drip"},
            {K::Login, "drip"},    {K::ReadMails, "unclosed"}, {K::AddFavoris, "no keyword"},
            {K::Profil, "endless"}};
        for (const auto &[kind, how] : rows) {
            Fixture f;
            f.engine.setTimeoutInterval(100);
            if (how == "drip" || how == "unclosed")
                f.engine.setAnswerDeadline(300);
            f.server.fallback = heldOpen;
            if (how == "down")
                f.server.stopListening();
            else if (how == "unclosed")
                f.server.queue(Answer{answer, false});
            else if (how == "no keyword")
                f.server.queue(Answer{"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n"});
            else if (how == "endless")
                f.server.queue(Answer{ScriptedServer::httpOk(
                    "HERESTARTREQUIREDPROFIL" + QByteArray(RequestEngine::replyCap + 1024, 'x'))});
            QTimer dripper;
            QObject::connect(&dripper, &QTimer::timeout, [&, sent = qsizetype(0)]() mutable {
                if (f.server.lastSocket && sent < answer.size())
                    f.server.lastSocket->write(answer.mid(sent++, 1));
            });
            if (how == "drip")
                dripper.start(10);
            QSignalSpy failed(&f.engine, &RequestEngine::requestFailed);
            const bool answered = how == "no keyword" || how == "endless";
            if (answered)
                f.engine.refreshTimer().start();
            f.engine.start({kind, u"paul"_s});
            QVERIFY(!f.engine.refreshTimer().isActive()); // stopped by the request that fails
            QVERIFY(QTest::qWaitFor(
                [&] { return f.desktop.lifetime.ended() || !f.desktop.notifier.shown.isEmpty(); }, 20000));
            QTest::qWait(20);
            const bool ends = kind == RequestKind::Logoff;
            QCOMPARE(f.desktop.lifetime.ended(), ends);
            const QString host = f.state.serverHost;
            QCOMPARE(f.desktop.notifier.shown.value(0).text,
                     ends                                ? QString()
                     : how == "down" || how == "endless" ? socketErrorOutcome(kind, host).notice->text
                     : how == "no keyword"               ? unansweredNotice(kind, host).text
                                                         : timeoutNotice(kind).text);
            if (ends)
                continue;
            // An answer nobody takes is handled, and told; the others fail.
            QVERIFY(f.handled.isEmpty() && f.desktop.notifier.shown.size() == 1 &&
                    (how == "no keyword" ? failed.isEmpty()
                                         : failed.size() == 1 && failed[0][0].value<RequestKind>() == kind));
            QVERIFY(f.engine.state() == RequestEngine::State::Idle &&
                    (!answered || f.engine.receivedBytes() == 0) && f.engine.statusText() == u"En attente"_s);
            // A failed login leaves nobody to refresh.
            QCOMPARE(f.engine.refreshTimer().isActive(), kind != RequestKind::Login);
            if (how == "silent" || how == "down")
                QVERIFY(kind == RequestKind::Login || f.engine.serverWasUp() == (how == "silent"));
        }
    }

    // Outage and return announced once each, the request gone out before the return's box comes up.
    // Nobody at the screen: one box at a time stays up, each replacing the last, and the refreshes
    // carry on.
    void outagesAndReturnsAreAnnouncedOnceEach()
    {
        Fixture f;
        f.desktop.notifier.attended = false;
        f.server.fallback = Answer{ScriptedServer::httpOk("REFRESHISOK|")};
        f.engine.setRefreshInterval(30);
        const Notice outage = *socketErrorOutcome(RequestKind::Refresh, f.state.serverHost).notice;
        const Notice back = backOnlineNotice(f.state.serverHost);
        QList<RequestEngine::State> whileBackUp;
        f.desktop.notifier.whileShown = [&](const Notice &shown) {
            if (shown == back)
                whileBackUp.append(f.engine.state());
        };
        f.engine.startRefresh();
        QVERIFY(f.waitHandled(1) && f.waitIdle());
        for (int round = 0; round < 2; ++round) {
            f.server.stopListening();
            QVERIFY(QTest::qWaitFor([&] { return f.desktop.notifier.openBoxes() == QList<Notice>{outage}; }));
            QTest::qWait(150); // several failed refreshes
            QCOMPARE(f.desktop.notifier.openBoxes(), QList<Notice>{outage});
            const qsizetype handled = f.handled.size();
            QVERIFY(f.server.resumeListening());
            QVERIFY(QTest::qWaitFor([&] { return f.handled.size() > handled; }));
            QCOMPARE(f.desktop.notifier.openBoxes(), QList<Notice>{back});
        }
        QCOMPARE(f.desktop.notifier.shown, (QList<Notice>{outage, back, outage, back}));
        QCOMPARE(f.desktop.notifier.withdrawn, (QList<Notice>{outage, back, outage}));
        QCOMPARE(whileBackUp, QList<RequestEngine::State>(2, RequestEngine::State::Waiting));
    }

    // A refresh that falls due while a request is out runs as soon as it is answered.
    void anActiveUserIsStillRefreshed()
    {
        Fixture f;
        f.server.fallback = Answer{ScriptedServer::httpOk("HERESTARTREQUIREDPROFIL REFRESHISOK")};
        f.engine.setRefreshInterval(150);
        f.engine.resumeRefresh();
        const auto refreshes = [&] {
            return std::count_if(f.server.requests.cbegin(), f.server.requests.cend(),
                                 [](const QByteArray &r) { return r.startsWith("GET /softrefresh2"); });
        };
        for (int i = 0; i < 400 && refreshes() < 3; ++i) {
            f.engine.start({RequestKind::Profil, u"paul"_s}); // every 50 ms or so, each stopping the refresh
            QVERIFY(f.waitIdle());
            QTest::qWait(50);
        }
        QVERIFY(refreshes() >= 3 && f.desktop.notifier.shown.isEmpty());
    }

    // The message between the bars, or without a closing "|" the rest trimmed, is what the
    // handlers after this one see.
    void messageOfAnAcceptedLogin()
    {
        const QString http = u"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n"_s;
        const std::tuple<QString, QString, bool, bool> rows[] = {
            {http + u"YOURLOGINISOK|Bienvenue !|ignored"_s, u"Bienvenue !"_s, true, true},
            {u"YOURLOGINISOK|YOURLOGINISOK|Salut|"_s, u"Salut"_s, true, true},
            {u"YOURLOGINISOK|Compte YOUDONTHAVETHEPERMISSIONTOUSEJASERELLE suspendu.|"_s,
             u"Compte  suspendu."_s, true, false},
            {http + u"YOURLOGINISOK|Bonjour\r\n"_s, u"Bonjour"_s, true, true},
            {http + u"YOURLOGINISOK\r\n"_s, u""_s, false, true},
        };
        for (auto [reply, message, hasMessage, permitted] : rows) {
            const LoginMessage taken = takeLoginMessage(reply);
            QVERIFY2(taken.hasMessage == hasMessage && taken.permitted == permitted, qPrintable(message));
            QCOMPARE(taken.text, message);
            QCOMPARE(reply, message);
        }
    }

    // The message is read before anything else happens; the handlers after it see only the message.
    void serverMessageComesFirst()
    {
        ClientFixture f;
        QVERIFY(f.client->start()); // the main window's load registers the real handlers first
        QStringList seen;
        f.client->pipeline().setHandler(ReplySlot::Refresh, [&](QString &reply) {
            seen.append(reply);
            return HandlerResult::Continue;
        });
        // Windows-1252 on the wire; the keyword in the headers goes with them.
        f.server.queue(Answer{"HTTP/1.1 200 OK\r\nX-Note: REFRESHISOK\r\n\r\n"
                              "YOURLOGINISOK|REFRESHISOK \xE0 22h.|REFRESHISOK|"});
        f.submitLogin(u"demo"_s, u"secret"_s);
        FrmInfo *info = waitForInfo(f);
        QVERIFY(info && info->isVisible() && seen == QStringList{u"REFRESHISOK à 22h."_s});
        QCOMPARE(child<QLabel>(info, u"lblUnMessagePour"_s)->text(), u"Un message pour demo :"_s);
        QCOMPARE(child<QTextEdit>(info, u"txtBoxInfo"_s)->toPlainText(), u"REFRESHISOK à 22h."_s);
        // Nothing more until the message is read.
        QVERIFY(!f.client->frmTryToConnect().isVisible() && !f.main().isVisible() &&
                f.server.requests.size() == 1);

        child<QPushButton>(info, u"cmdOk"_s)->click();
        QVERIFY(f.server.waitForRequests(2) && f.server.requests[1].startsWith("GET /softrefresh2.php"));
        QVERIFY(f.main().isVisible() && f.engine().refreshTimer().isActive());
        QCOMPARE(f.client->loginReplies().frmInfo(), nullptr); // read once, then gone
    }

    void accountWithoutPermissionEndsOnceTheMessageIsRead()
    {
        ClientFixture f;
        f.server.queue(QByteArray("YOURLOGINISOK|YOUDONTHAVETHEPERMISSIONTOUSEJASERELLE|"));
        QVERIFY(f.client->start());
        f.submitLogin(u"demo"_s, u"secret"_s);
        FrmInfo *info = waitForInfo(f);
        QVERIFY(info && !f.desktop.lifetime.ended());
        // Closed from its title bar, the notice is read all the same: no client left with no window.
        info->close();
        QVERIFY(QTest::qWaitFor([&] { return f.desktop.lifetime.ended(); }));
        QVERIFY(f.server.requests.size() == 1 && !f.main().isVisible());
    }

    void answerThatIsNeitherGivesTheLoginWindowBack()
    {
        ClientFixture f;
        f.server.queue(Answer{"HTTP/1.1 404 Not Found\r\n\r\n<h1>Not Found</h1>"});
        QVERIFY(f.client->start());
        f.submitLogin(u"demo"_s, u"secret"_s);
        QVERIFY(QTest::qWaitFor([&] { return f.client->frmLogin().isVisible(); }));
        QCOMPARE(f.desktop.notifier.titles(), QStringList{u"Attention!"_s});
        QVERIFY(!f.client->frmTryToConnect().isVisible() && !f.desktop.lifetime.ended());
    }

    // Keywords inside another reply do nothing; the logoff's answer ends before any later handler.
    void keywordsInsideOtherRepliesThenTheLogoff()
    {
        ClientFixture f;
        QVERIFY(f.logIn());
        bool laterHandlerRan = false;
        f.client->pipeline().setHandler(ReplySlot::NoSearchResult, [&](QString &) {
            laterHandlerRan = true;
            return HandlerResult::Continue;
        });
        // A mail another member wrote comes back inside the mail list.
        f.server.queue(QByteArray("HERESTARTMAILLISTbob~YOURLOGINISOK|YOUDONTHAVETHEPERMISSIONTOUSEJASERELLE|"
                                  "YOURLOGINISWRONG SOFTLOGOFFSUCCESS~"));
        f.engine().start({RequestKind::ReadMails});
        QVERIFY(f.server.waitForRequests(3) && f.waitIdle());
        QVERIFY(!f.desktop.lifetime.ended() && f.desktop.notifier.shown.isEmpty());
        QVERIFY(!f.client->loginReplies().frmInfo() && !f.client->frmLogin().isVisible());

        f.server.queue(QByteArray("SOFTLOGOFFSUCCESS NOSEARCHRESULT"));
        f.engine().start({RequestKind::Logoff});
        QVERIFY(QTest::qWaitFor([&] { return f.desktop.lifetime.ended(); }));
        QVERIFY(!laterHandlerRan && f.desktop.notifier.shown.isEmpty());
    }
};

QTEST_MAIN(TestRequestEngine)
#include "test_requestengine.moc"
