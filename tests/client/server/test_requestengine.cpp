#include "client/server/enginenotices.h"
#include "tests/support/enginefixture.h"

#include <QSignalSpy>
#include <QTcpSocket>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

// The engine against a loopback server that answers from a script.
class TestRequestEngine : public QObject
{
    Q_OBJECT

    // Every handler slot records "keyword:reply", completes the request as handlers do (the
    // refresh goes on again) and lets the pipeline go on.
    struct Fixture : EngineFixture
    {
        QStringList handled;
        Fixture()
        {
            for (const ReplySlotInfo &info : replyHandlerOrder) {
                pipeline.setHandler(info.slot,
                                    [this, name = QString::fromUtf16(info.keyword)](QString &reply) {
                                        handled << name + u':' + reply;
                                        engine.resumeRefresh();
                                        return HandlerResult::Continue;
                                    });
            }
        }
        bool waitHandled(int n)
        {
            return QTest::qWaitFor([&] { return handled.size() >= n; });
        }
        bool waitNotices(int n)
        {
            return QTest::qWaitFor([&] { return desktop.notifier.shown.size() >= n; });
        }
        QString lastNotice() const
        {
            return desktop.notifier.shown.value(desktop.notifier.shown.size() - 1).text;
        }
    };

private slots:
    // The refresh carries the local address; its reply, gathered byte by byte and decoded from
    // Windows-1252, goes whole to every handler whose keyword it holds, in table order. A request
    // replaced before its answer is complete takes its half answer with it, silently.
    void handsTheWholeReplyOver()
    {
        Fixture f;
        f.server.queue(Answer{ScriptedServer::httpOk("REFRESHISOK|half"), false});
        f.server.queue(
            Answer{ScriptedServer::httpOk("MAILSENDEDOK REFRESHISOK|\xE9t\xE9|"), true, false, true});
        QSignalSpy status(&f.engine, &RequestEngine::statusTextChanged);
        f.engine.startRefresh();
        QVERIFY(QTest::qWaitFor([&] { return f.engine.receivedBytes() > 0; }));
        f.engine.startRefresh();
        QVERIFY(f.waitHandled(2));
        for (const QByteArray &request : f.server.requests)
            QVERIFY(request.startsWith(
                "GET /softrefresh2.php?login=jean&password=secret1&ipAdress=127.0.0.1 HTTP/1.1\r\n"));
        QCOMPARE(f.handled.size(), 2);
        QVERIFY(f.handled[0].startsWith(u"REFRESHISOK:HTTP/1.1 200 OK\r\n"));
        QVERIFY(f.handled[0].endsWith(u"\r\n\r\nMAILSENDEDOK REFRESHISOK|été|"));
        QVERIFY(!f.handled[0].contains(u"half"));
        QVERIFY(f.handled[1].startsWith(u"MAILSENDEDOK:"));
        QCOMPARE(status.value(0).value(0).toString(), u"Connection avec le serveur établie"_s);
        QCOMPARE(f.engine.receivedBytes(), 0);
        QVERIFY(f.desktop.notifier.shown.isEmpty());
    }

    void aSlowAnswerIsWaitedForWithinTheWholeAnswersDeadline()
    {
        Fixture f;
        f.engine.setTimeoutInterval(150);
        f.engine.setAnswerDeadline(5000);
        f.server.queue(Answer{"HTTP/1.1 200 OK\r\n", false});
        f.engine.start({RequestKind::ReadMails});
        QVERIFY(QTest::qWaitFor([&] { return f.engine.state() == RequestEngine::State::Receiving; }));
        QTest::qWait(400); // well past the first byte's time-out: it no longer applies
        f.server.lastSocket->write("\r\nHERESTARTMAILLIST");
        f.server.lastSocket->disconnectFromHost();
        QVERIFY(f.waitHandled(1));
        QVERIFY(f.desktop.notifier.shown.isEmpty());
    }

    // A server that drips its answer a byte at a time, or sends it all and never closes, meets the
    // engine's time-out like one that says nothing: nothing of the half answer is handled.
    void aDrippingOrUnclosedAnswerTimesOut()
    {
        // Dripped, or else the whole answer at once and no close.
        for (const auto &[kind, drip] : {std::pair{RequestKind::Refresh, true},
                                         {RequestKind::ReadMails, false},
                                         {RequestKind::Login, true}}) {
            Fixture f;
            f.engine.setTimeoutInterval(100);
            f.engine.setAnswerDeadline(300);
            const QByteArray answer = ScriptedServer::httpOk("REFRESHISOK|HERESTARTMAILLIST|YOURLOGINISOK||");
            f.server.queue(drip ? heldOpen : Answer{answer, false});
            QSignalSpy failed(&f.engine, &RequestEngine::requestFailed);
            f.engine.start({kind});
            QVERIFY(f.server.waitForRequests(1));
            QTimer dripper;
            qsizetype sent = 0;
            QObject::connect(&dripper, &QTimer::timeout, [&] {
                if (f.server.lastSocket && sent < answer.size())
                    f.server.lastSocket->write(answer.mid(sent++, 1));
            });
            if (drip)
                dripper.start(10);
            QVERIFY(QTest::qWaitFor([&] { return !f.desktop.notifier.shown.isEmpty(); }));
            QCOMPARE(f.lastNotice(), timeoutNotice(kind).text);
            QVERIFY(f.handled.isEmpty());
            QCOMPARE(f.engine.state(), RequestEngine::State::Idle);
            QVERIFY(!f.desktop.lifetime.ended());
            QCOMPARE(failed.size(), 1);
        }
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
        QCOMPARE(f.server.connections, 1);
        QCOMPARE(f.engine.requestKind(), RequestKind::Logoff);
        QVERIFY(f.engine.refreshTimer().isActive());
    }

    // A server that never answers (time-out) or is not there (socket error): the logoff ends the
    // application silently; any other request is announced and fails, and the engine is idle, with
    // the refresh on again once someone is signed in.
    void failures()
    {
        // Whether the server is down, else it accepts and never answers.
        for (const auto &[kind, serverDown] : {std::pair{RequestKind::Profil, false},
                                               {RequestKind::Login, false},
                                               {RequestKind::Logoff, false},
                                               {RequestKind::Login, true},
                                               {RequestKind::AddFavoris, true}}) {
            Fixture f;
            f.engine.setTimeoutInterval(100);
            f.server.fallback = heldOpen;
            if (serverDown)
                f.server.stopListening();
            QSignalSpy failed(&f.engine, &RequestEngine::requestFailed);
            f.engine.start({kind, u"paul"_s});
            QVERIFY(QTest::qWaitFor(
                [&] { return f.desktop.lifetime.ended() || !f.desktop.notifier.shown.isEmpty(); }));
            QTest::qWait(20);
            const bool ends = kind == RequestKind::Logoff;
            QCOMPARE(f.desktop.lifetime.ended(), ends);
            const QString notice = kind == RequestKind::Logoff ? QString()
                                   : serverDown ? socketErrorOutcome(kind, f.state.serverHost).notice->text
                                                : timeoutNotice(kind).text;
            QCOMPARE(f.lastNotice(), notice);
            if (!ends) {
                QCOMPARE(failed.size(), 1);
                QCOMPARE(failed[0][0].value<RequestKind>(), kind);
                QCOMPARE(f.engine.state(), RequestEngine::State::Idle);
                QCOMPARE(f.engine.statusText(), u"En attente"_s);
                // A failed login leaves nobody to refresh.
                QCOMPARE(f.engine.refreshTimer().isActive(), kind != RequestKind::Login);
                if (kind != RequestKind::Login)
                    QCOMPARE(f.engine.serverWasUp(), !serverDown);
            }
        }
    }

    // An outage during the refreshes is announced once, and so is the server's return, the
    // request gone out before that box comes up. Nobody at the screen: the boxes stay up, one about
    // the server at a time, the outage replaced by the return and the return by the next outage,
    // and the refreshes carry on by themselves whatever is up.
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

    // A member who clicks around faster than the refresh beat is still refreshed on that beat:
    // a refresh that falls due while his request is out runs as soon as it is answered.
    void anActiveUserIsStillRefreshed()
    {
        Fixture f;
        f.server.fallback = Answer{ScriptedServer::httpOk("HERESTARTREQUIREDPROFIL REFRESHISOK")};
        f.engine.setRefreshInterval(150);
        f.engine.resumeRefresh();
        qsizetype refreshes = 0;
        for (int i = 0; i < 400 && refreshes < 3; ++i) {
            f.engine.start({RequestKind::Profil, u"paul"_s}); // every 50 ms or so, each stopping the refresh
            QVERIFY(f.waitIdle());
            QTest::qWait(50);
            refreshes = std::count_if(f.server.requests.cbegin(), f.server.requests.cend(),
                                      [](const QByteArray &r) { return r.startsWith("GET /softrefresh2"); });
        }
        QVERIFY(refreshes >= 3);
        QVERIFY(f.desktop.notifier.shown.isEmpty());
    }

    // An answer no handler takes (a 403 without a keyword), or one that never ends, leaves the
    // refresh on, and the user is told the request failed.
    void answersThatAreNone_data()
    {
        QTest::addColumn<RequestKind>("kind");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("nobody takes it")
            << RequestKind::AddFavoris << QByteArray("HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n");
        QTest::newRow("endless") << RequestKind::Profil
                                 << ScriptedServer::httpOk("HERESTARTREQUIREDPROFIL" +
                                                           QByteArray(RequestEngine::replyCap + 1024, 'x'));
    }
    void answersThatAreNone()
    {
        QFETCH(RequestKind, kind);
        QFETCH(QByteArray, answer);
        Fixture f;
        f.server.queue(Answer{answer});
        f.engine.refreshTimer().start();
        f.engine.start({kind, u"paul"_s});
        QVERIFY(!f.engine.refreshTimer().isActive());
        QVERIFY(QTest::qWaitFor([&] { return !f.desktop.notifier.shown.isEmpty(); }, 20000));
        const Notice failure = kind == RequestKind::AddFavoris
                                   ? unansweredNotice(kind, f.state.serverHost)
                                   : *socketErrorOutcome(kind, f.state.serverHost).notice;
        QCOMPARE(f.lastNotice(), failure.text);
        QVERIFY(f.handled.isEmpty());
        QCOMPARE(f.engine.receivedBytes(), 0);
        QVERIFY(f.engine.refreshTimer().isActive());
    }
};

QTEST_GUILESS_MAIN(TestRequestEngine)
#include "test_requestengine.moc"
