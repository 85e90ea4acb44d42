// Side requests against the real community server: its probe knocks on the peer port (the door's
// verdict: e2e_test_homes_lab); the TURN client on the real relay, beyond a relayed call
// (e2e_test_relayed_calls).
#include "client/conversation/peerlistener.h"
#include "client/network/reachability.h"
#include "client/network/reachabilityprobe.h"
#include "client/network/relayreplies.h"
#include "client/network/serverget.h"
#include "client/network/turnallocation.h"
#include "client/server/serverconnection.h"
#include "tests/support/communityserver.h"
#include "tests/support/member.h"
#include "tests/support/relayprocess.h"

#include <QSignalSpy>
#include <QSslSocket>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

class TestTurn : public QObject
{
    Q_OBJECT

    RelayProcess relay_;
    CommunityServer server_;
    TurnCredentials credentials_;
    bool relayUp_ = false;

    QByteArray get(const QByteArray &path) // the body, once answered
    {
        std::optional<QByteArray> out;
        serverGet(ServerLink{server_.hostWithPort()}, path, this,
                  [&out](int, const QByteArray &body) { out = body; });
        return QTest::qWaitFor([&] { return out.has_value(); }, 20000) ? *out : QByteArray();
    }

    static std::unique_ptr<TurnAllocation> allocate(const TurnCredentials &credentials)
    {
        auto a = std::make_unique<TurnAllocation>();
        a->start(credentials);
        (void)QTest::qWaitFor([&] { return a->state() != TurnAllocation::State::Allocating; }, 15000);
        return a;
    }

    static bool permitRelay(TurnAllocation &a)
    {
        QSignalSpy permitted(&a, &TurnAllocation::permitted);
        a.permit(a.relayed().ip);
        return permitted.wait(15000);
    }

private slots:
    void initTestCase()
    {
        relayUp_ = relay_.start();
        QVERIFY2(server_.start(20000, relayUp_ ? QStringList{u"--relay"_s, relay_.hostWithPort(),
                                                             u"--relay-secret"_s, relay_.secretFile()}
                                               : QStringList()),
                 server_.log().constData());
        if (!relayUp_)
            return;
        get("/softlogin.php?login=demo&password=demo");
        const auto c =
            relayreplies::parseCredentials(get(relayreplies::credentialsPath(u"demo"_s, u"demo"_s)));
        QVERIFY(c && c->host == relay_.address());
        credentials_ = {c->host, c->port, c->username, c->password};
    }
    void init()
    {
        if (!relayUp_ && QByteArrayView(QTest::currentTestFunction()).contains("Relay"))
            QSKIP(qPrintable(u"the relay did not start: "_s + QString::fromLocal8Bit(relay_.log())));
    }

    // The client's own question is answered yes; another computer of the home asks, the knock
    // reaches this client, which does not echo a token not its own: no. Neither knock shows.
    void theServerKnocksAndTheClientShowsNothing()
    {
        Member demo(server_.hostWithPort(), u"127.0.0.2"_s);
        QVERIFY(demo.logIn(u"demo"_s));
        const int windows = demo.client->conversations().conversationCount();
        Reachability another;
        for (Reachability *asker : {&demo.client->reachability(), &another}) {
            ReachabilityProbe probe(demo.client->state(), *asker);
            QSignalSpy answered(&probe, &ReachabilityProbe::answered);
            probe.ask();
            QVERIFY(answered.wait(10000));
            QCOMPARE(answered.first().first().value<ProbeAnswer>(),
                     asker == &another ? ProbeAnswer::Unreachable : ProbeAnswer::Reachable);
        }
        QTRY_COMPARE(demo.client->conversations().listener().waitingCount(), 0);
        QVERIFY(demo.client->conversations().conversationCount() == windows &&
                demo.desktop.notifier.shown.isEmpty());
    }
    void twoAllocationsOnTheRelayCarryAStream()
    {
        auto callee = allocate(credentials_), caller = allocate(credentials_);
        QVERIFY(callee->state() == TurnAllocation::State::Allocated &&
                caller->state() == TurnAllocation::State::Allocated);
        QVERIFY(callee->relayed().ipText() == relay_.address() && callee->relayed() != caller->relayed());

        // Not let in yet: the relay refuses the caller.
        QSignalSpy refused(caller.get(), &TurnAllocation::connectFailed);
        QVERIFY(permitRelay(*caller));
        caller->connectTo(callee->relayed());
        QVERIFY(refused.wait(15000));

        QVERIFY(permitRelay(*callee));
        std::unique_ptr<QSslSocket> out, in;
        connect(callee.get(), &TurnAllocation::incomingConnection, this,
                [&in](QSslSocket *s) { in.reset(s); });
        connect(caller.get(), &TurnAllocation::peerConnected, this, [&out](QSslSocket *s) { out.reset(s); });
        caller->connectTo(callee->relayed());
        QVERIFY(QTest::qWaitFor([&] { return out && in; }, 15000));
        QVERIFY(out->state() == QAbstractSocket::ConnectedState && !out->isEncrypted());

        QByteArray block(300 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 7 + i / 251);
        out->write(block);
        QByteArray received;
        QVERIFY(QTest::qWaitFor([&] { return (received += in->readAll()).size() >= block.size(); }, 15000));
        QCOMPARE(received, block);
        callee->release();
        caller->release();
    }

    // Nor does a username whose time has passed.
    void credentialsTheRelayDidNotSignAreRefused()
    {
        TurnCredentials forged = credentials_, expired = credentials_;
        forged.password = u"AAAAAAAAAAAAAAAAAAAAAAAAAAA="_s;
        expired.username = u"1000000000:demo"_s;
        for (const TurnCredentials &c : {forged, expired})
            QCOMPARE(allocate(c)->state(), TurnAllocation::State::Failed);
    }
};

QTEST_MAIN(TestTurn)
#include "test_turn.moc"
