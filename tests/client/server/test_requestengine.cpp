#include "client/server/replypipeline.h"
#include "client/server/requestengine.h"
#include "client/shell/clientstate.h"
#include "tests/support/recordingplatform.h"
#include "tests/support/scriptedserver.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

// The engine against a loopback server that answers from a script.
class TestRequestEngine : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        RecordingPlatform desktop;
        ClientState state;
        ReplyPipeline pipeline;
        ScriptedServer server;
        QStringList handled; // "slot:reply" for every handler call
        std::unique_ptr<RequestEngine> engine;

        Fixture()
        {
            state.serverHost = server.hostWithPort();
            state.userLogin = u"jean"_s;
            state.userPassword = u"secret1"_s;
            state.firstRefresh = true;
            for (const ReplySlotInfo &info : replyHandlerOrder) {
                const QString name = QString::fromUtf16(info.keyword);
                pipeline.setHandler(info.slot, [this, name](QString &reply) {
                    handled << name + u':' + reply;
                    return HandlerResult::Continue;
                });
            }
            engine = std::make_unique<RequestEngine>(state, desktop.notifier, desktop.lifetime, pipeline);
            engine->sources().selectedPseudo = [] { return u"paul"_s; };
        }
        bool waitIdle() { return QTest::qWaitFor([&] { return engine->state() == RequestEngine::State::Idle; }); }
        bool waitHandled(int n) { return QTest::qWaitFor([&] { return handled.size() >= n; }); }
    };

    static QString body(const QString &reply)
    {
        return reply.mid(reply.indexOf(u"\r\n\r\n") + 4);
    }

private slots:
    void sendsTheExactRequestAndHandsTheWholeReplyOver()
    {
        Fixture f;
        f.server.queue(ScriptedServer::Answer{ScriptedServer::httpOk("YOURLOGINISOK|\xE9t\xE9|"), true, false, true});
        QSignalSpy status(f.engine.get(), &RequestEngine::statusTextChanged);
        f.engine->start(RequestKind::Login);
        QCOMPARE(f.engine->state(), RequestEngine::State::Connecting);
        QVERIFY(f.waitHandled(1));
        QCOMPARE(f.server.requests.value(0), "GET /softlogin.php?login=jean&password=secret1 HTTP/1.1\r\nHost: " +
                                                 f.state.serverHost.toLatin1() +
                                                 "\r\nConnection: close\r\nAccept: */*\r\n\r\n");
        QCOMPARE(f.handled.size(), 1);
        QVERIFY(f.handled[0].startsWith(u"YOURLOGINISOK:HTTP/1.1 200 OK\r\n"));
        QVERIFY(f.handled[0].endsWith(u"\r\n\r\nYOURLOGINISOK|été|")); // Windows-1252 decoded, gathered byte by byte
        QCOMPARE(status.size(), 2);
        QCOMPARE(status[0][0].toString(), u"Connection avec le serveur établie"_s);
        QCOMPARE(status[1][0].toString(), u"En attente"_s);
        QCOMPARE(f.engine->state(), RequestEngine::State::Idle);
        QVERIFY(!f.state.firstRefresh);
        QCOMPARE(f.engine->receivedBytes(), 0);
        QVERIFY(f.desktop.notifier.shown.isEmpty());
    }

    void refreshCarriesTheLocalAddress()
    {
        Fixture f;
        f.server.queue(QByteArray("REFRESHISOK"));
        f.engine->startRefresh();
        QVERIFY(f.waitHandled(1));
        QVERIFY(f.server.requests[0].startsWith(
            "GET /softrefresh2.php?login=jean&password=secret1&ipAdress=127.0.0.1 HTTP/1.1\r\n"));
    }

    void twoKeywordsRunTwoHandlersInTableOrder()
    {
        Fixture f;
        f.server.queue(QByteArray("MAILSENDEDOK REFRESHISOK"));
        f.engine->startRefresh();
        QVERIFY(f.waitHandled(2));
        QVERIFY(f.handled[0].startsWith(u"REFRESHISOK:"));
        QVERIFY(f.handled[1].startsWith(u"MAILSENDEDOK:"));
    }

    void aReplacedRequestLeavesNothingBehind()
    {
        Fixture f;
        f.server.queue(ScriptedServer::Answer{ScriptedServer::httpOk("REFRESHISOK|half"), false});
        f.server.queue(QByteArray("HERESTARTREQUIREDPROFIL,paul"));
        f.engine->startRefresh();
        QVERIFY(QTest::qWaitFor([&] { return f.engine->receivedBytes() > 0; }));
        f.engine->start(RequestKind::Profil);
        QVERIFY(f.waitHandled(1));
        QCOMPARE(f.handled.size(), 1);
        QVERIFY(f.handled[0].startsWith(u"HERESTARTREQUIREDPROFIL:HTTP/1.1"));
        QVERIFY(!f.handled[0].contains(u"REFRESHISOK"));
        QVERIFY(f.desktop.notifier.shown.isEmpty()); // dropped silently
    }

    void aSlowAnswerIsWaitedForOnceItHasStarted()
    {
        Fixture f;
        f.engine->setTimeoutInterval(150);
        f.server.queue(ScriptedServer::Answer{"HTTP/1.1 200 OK\r\n", false});
        f.engine->start(RequestKind::ReadMails);
        QVERIFY(QTest::qWaitFor([&] { return f.engine->state() == RequestEngine::State::Receiving; }));
        QTest::qWait(400); // well past the time-out: it no longer applies
        QVERIFY(f.server.lastSocket);
        f.server.lastSocket->write("\r\nHERESTARTMAILLIST");
        f.server.lastSocket->disconnectFromHost();
        QVERIFY(f.waitHandled(1));
        QVERIFY(f.desktop.notifier.shown.isEmpty());
    }

    void refreshTicksNeverReplaceARequestInFlight()
    {
        Fixture f;
        f.server.queue(ScriptedServer::Answer{{}, false, true}); // the logoff hangs
        f.engine->refreshTimer().setInterval(20);
        f.engine->refreshTimer().start();
        f.engine->start(RequestKind::Logoff);
        QVERIFY(f.server.waitForRequests(1));
        QTest::qWait(200); // ten ticks
        QCOMPARE(f.server.connections, 1);
        QVERIFY(f.server.requests[0].startsWith("GET /softlogoff.php"));
        QCOMPARE(f.engine->requestKind(), RequestKind::Logoff);

        // Once the reply is handled, the next tick starts a refresh.
        f.server.lastSocket->write(ScriptedServer::httpOk("SOFTLOGOFFSUCCESS"));
        f.server.lastSocket->disconnectFromHost();
        QVERIFY(f.server.waitForRequests(2));
        QVERIFY(f.server.requests[1].startsWith("GET /softrefresh2.php"));
    }

    void userRequestsStopTheRefreshTimer()
    {
        Fixture f;
        f.engine->refreshTimer().start();
        f.engine->start(RequestKind::Refresh);
        QVERIFY(f.engine->refreshTimer().isActive());
        f.engine->start(RequestKind::Photo);
        QVERIFY(f.engine->refreshTimer().isActive());
        f.engine->start(RequestKind::AddFavoris);
        QVERIFY(!f.engine->refreshTimer().isActive());
        QVERIFY(f.waitHandled(0) && f.waitIdle());
        QVERIFY(!f.engine->refreshTimer().isActive()); // no keyword in the reply: it stays off
    }

    void timeOutOfAnOrdinaryRequest()
    {
        Fixture f;
        f.engine->setTimeoutInterval(100);
        f.server.fallback = ScriptedServer::Answer{{}, false, true};
        f.engine->start(RequestKind::Profil);
        QVERIFY(QTest::qWaitFor([&] { return !f.desktop.notifier.shown.isEmpty(); }));
        QCOMPARE(f.desktop.notifier.shown[0].title, u"Réseau saturé."_s);
        QCOMPARE(f.desktop.notifier.shown[0].text, u"La requète n'a pas été exécuté, le réseau\r\n"
                                                   u"ou votre fournisseur d'accès est saturé.\r\n"
                                                   u"Veuillez patienter et réitérer votre requète."_s);
        // The engine is idle again and the periodic refresh carries on.
        QCOMPARE(f.engine->state(), RequestEngine::State::Idle);
        QCOMPARE(f.engine->statusText(), u"En attente"_s);
        QVERIFY(f.engine->refreshTimer().isActive());
        QVERIFY(!f.desktop.lifetime.ended());
    }

    void timeOutOfLoginAndLogoffEndTheApplication()
    {
        Fixture f;
        f.engine->setTimeoutInterval(100);
        f.server.fallback = ScriptedServer::Answer{{}, false, true};
        f.engine->start(RequestKind::Login);
        QVERIFY(QTest::qWaitFor([&] { return f.desktop.lifetime.ended(); }));
        QCOMPARE(f.desktop.notifier.shown.size(), 1);
        QVERIFY(f.desktop.notifier.shown[0].text.endsWith(u"Vous ne pouvez vous connecter actuellement à Jaserelle."));

        Fixture g;
        g.engine->setTimeoutInterval(100);
        g.server.fallback = ScriptedServer::Answer{{}, false, true};
        g.engine->start(RequestKind::Logoff);
        QVERIFY(QTest::qWaitFor([&] { return g.desktop.lifetime.ended(); }));
        QVERIFY(g.desktop.notifier.shown.isEmpty());
    }

    void loginAgainstADeadServerEndsTheApplication()
    {
        Fixture f;
        f.server.stopListening();
        f.engine->start(RequestKind::Login);
        QVERIFY(QTest::qWaitFor([&] { return f.desktop.lifetime.ended(); }));
        QCOMPARE(f.desktop.notifier.shown.size(), 1);
        QCOMPARE(f.desktop.notifier.shown[0].title, u"Attention!"_s);
        QCOMPARE(f.desktop.notifier.shown[0].text, u"Le serveur "_s + f.state.serverHost +
                                                       u" est défaillant,\r\nVous ne pouvez accéder à Jaserelle actuellement."_s);
    }

    void outageDuringRefreshesIsAnnouncedOnceThenTheReturn()
    {
        Fixture f;
        f.engine->startRefresh();
        QVERIFY(f.waitIdle() && f.server.waitForRequests(1));
        f.server.stopListening();

        f.engine->startRefresh();
        QVERIFY(QTest::qWaitFor([&] { return f.desktop.notifier.shown.size() == 1; }));
        QVERIFY(f.desktop.notifier.shown[0].text.contains(u"les listes de vos contacts ne peuvent être mises à jour."));
        QVERIFY(f.engine->refreshTimer().isActive());
        QCOMPARE(f.engine->statusText(), u"En attente"_s);

        f.engine->startRefresh();
        QVERIFY(QTest::qWaitFor([&] { return f.engine->state() == RequestEngine::State::Idle; }));
        QTest::qWait(50);
        QCOMPARE(f.desktop.notifier.shown.size(), 1); // further failed refreshes are silent

        // Back again: the notice comes before the request goes out.
        QVERIFY(f.server.resumeListening());
        int requestsWhileNoticeUp = -1;
        f.desktop.notifier.whileShown = [&](const RecordingNotifier::Shown &) {
            requestsWhileNoticeUp = int(f.server.requests.size());
        };
        f.engine->startRefresh();
        QVERIFY(f.server.waitForRequests(2));
        QCOMPARE(f.desktop.notifier.shown.size(), 2);
        QCOMPARE(f.desktop.notifier.shown[1].title, u"Serveur Jaserelle"_s);
        QCOMPARE(f.desktop.notifier.shown[1].text, u"Le serveur "_s + f.state.serverHost +
                                                       u" est de nouveau disponible.\r\nVous pouvez à nouveau utiliser Jaserelle."_s);
        QCOMPARE(requestsWhileNoticeUp, 1);
    }

    void everyFailedUserRequestIsAnnounced()
    {
        Fixture f;
        f.server.stopListening();
        QSignalSpy failed(f.engine.get(), &RequestEngine::requestFailed);
        for (RequestKind kind : {RequestKind::AddFavoris, RequestKind::ReadMails}) {
            f.engine->start(kind);
            QVERIFY(QTest::qWaitFor([&] { return failed.size() == 1; }));
            QCOMPARE(failed.takeFirst()[0].value<RequestKind>(), kind);
            QVERIFY(!f.engine->serverWasUp());
            QVERIFY(f.engine->refreshTimer().isActive());
        }
        QCOMPARE(f.desktop.notifier.shown.size(), 2);
        QVERIFY(f.desktop.notifier.shown[1].text.contains(u"\r\nImpossible d'accéder à vos mails.\r\n"));
    }

    void aStartThatFailsAtOnce()
    {
        Fixture f;
        f.state.serverHost.clear();
        QSignalSpy startFailed(f.engine.get(), &RequestEngine::startFailed);
        f.engine->start(RequestKind::Login);
        QCOMPARE(startFailed.size(), 1);
        QCOMPARE(f.desktop.notifier.shown.size(), 1);
        QCOMPARE(f.desktop.notifier.shown[0].text, u"Le serveur  est temporairement défaillant,\r\n"
                                                   u"Veuillez patienter et renouveller votre requète."_s);
        QVERIFY(f.engine->serverWasDown());
        QCOMPARE(f.engine->state(), RequestEngine::State::Idle);
        QVERIFY(!f.desktop.lifetime.ended());
    }

    void aMissingRowSendsNothing()
    {
        Fixture f;
        f.engine->sources().selectedPseudo = [] { return QString(); };
        f.engine->start(RequestKind::RemoveFavoris);
        QVERIFY(QTest::qWaitFor([&] { return f.server.connections == 1; }));
        QVERIFY(f.waitIdle());
        QTest::qWait(50);
        QVERIFY(f.server.requests.isEmpty());
        QVERIFY(f.engine->refreshTimer().isActive());
    }

    void anEndlessReplyIsCutOff()
    {
        Fixture f;
        QByteArray huge(RequestEngine::replyCap + 1024, 'x');
        f.server.queue(ScriptedServer::Answer{ScriptedServer::httpOk("HERESTARTREQUIREDPROFIL" + huge)});
        f.engine->start(RequestKind::Profil);
        QVERIFY(QTest::qWaitFor([&] { return !f.desktop.notifier.shown.isEmpty(); }, 20000));
        QVERIFY(f.desktop.notifier.shown[0].text.contains(u"le profil du pseudo demandé n'est pas accéssible."));
        QVERIFY(f.handled.isEmpty());
        QCOMPARE(f.engine->receivedBytes(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRequestEngine)
#include "test_requestengine.moc"
