// The TURN client against the real relay (coturn through scripts/run-relay, on a loopback address
// of this test's namespace) with credentials from the real community server: two allocations on
// the same relay, each letting in only the relay's own address, carry a stream both ways; a peer
// not let in, and credentials the relay did not sign, get nothing.
#include "client/network/relayreplies.h"
#include "client/network/serverget.h"
#include "client/network/turnallocation.h"
#include "client/server/serverconnection.h"
#include "tests/support/communityserver.h"
#include "tests/support/relayprocess.h"

#include <QSignalSpy>
#include <QSslSocket>
#include <QTest>
#include <memory>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

class TestTurn : public QObject
{
    Q_OBJECT

private:
    RelayProcess relay_;
    CommunityServer server_;
    TurnCredentials credentials_;

    // One GET to the server, waited for.
    std::pair<int, QByteArray> get(const QByteArray &path)
    {
        std::pair<int, QByteArray> out{-1, {}};
        serverGet(ServerLink{server_.hostWithPort()}, path, this, [&out](int status, const QByteArray &body) {
            out = {status, body};
        });
        if (!QTest::qWaitFor([&] { return out.first != -1; }, 20000))
            return {-2, {}};
        return out;
    }

    std::unique_ptr<TurnAllocation> allocate(const TurnCredentials &credentials)
    {
        auto a = std::make_unique<TurnAllocation>();
        a->start(credentials);
        if (!QTest::qWaitFor([&] { return a->state() != TurnAllocation::State::Allocating; }, 15000))
            return nullptr;
        return a;
    }

    bool permitRelay(TurnAllocation &a)
    {
        QSignalSpy permitted(&a, &TurnAllocation::permitted);
        a.permit(a.relayed().ip);
        return permitted.wait(15000);
    }

private slots:
    void initTestCase()
    {
        if (!relay_.start())
            QSKIP(qPrintable(u"the relay did not start: "_s + QString::fromLocal8Bit(relay_.log())));
        QVERIFY(server_.start(
            20000, {u"--relay"_s, relay_.hostWithPort(), u"--relay-secret"_s, relay_.secretFile()}));
        QCOMPARE(get("/softlogin.php?login=demo&password=demo").first, 200);
        const auto [status, body] = get(relayreplies::credentialsPath(u"demo"_s, u"demo"_s));
        QCOMPARE(status, 200);
        const auto c = relayreplies::parseCredentials(body);
        QVERIFY(c);
        QCOMPARE(c->host, relay_.address());
        credentials_ = {c->host, c->port, c->username, c->password};
    }

    void twoAllocationsOnTheRelayCarryAStreamBothWays()
    {
        auto callee = allocate(credentials_);
        auto caller = allocate(credentials_);
        QVERIFY(callee && caller);
        QCOMPARE(callee->state(), TurnAllocation::State::Allocated);
        QCOMPARE(caller->state(), TurnAllocation::State::Allocated);
        QCOMPARE(callee->relayed().ipText(), relay_.address());
        QVERIFY(callee->relayed() != caller->relayed());

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
        QCOMPARE(out->state(), QAbstractSocket::ConnectedState);
        QVERIFY(!out->isEncrypted());

        // What one end writes, the other reads, byte for byte, in both directions; a large
        // block as well as a short one.
        QByteArray block(300 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < block.size(); ++i)
            block[i] = static_cast<char>(i * 7 + i / 251);
        out->write("CALLREQUESTdemoTHISISTHEENDOFTHEPACKET");
        out->write(block);
        QByteArray received;
        const qsizetype expected = 38 + block.size();
        QVERIFY(QTest::qWaitFor(
            [&] {
                received += in->readAll();
                return received.size() >= expected;
            },
            15000));
        QCOMPARE(received, "CALLREQUESTdemoTHISISTHEENDOFTHEPACKET" + block);
        in->write("ACCEPTTHISISTHEENDOFTHEPACKET");
        QVERIFY(QTest::qWaitFor([&] { return out->bytesAvailable() >= 29; }, 15000));
        QCOMPARE(out->readAll(), QByteArray("ACCEPTTHISISTHEENDOFTHEPACKET"));

        callee->release();
        caller->release();
    }

    void credentialsTheRelayDidNotSignAreRefused()
    {
        TurnCredentials forged = credentials_;
        forged.password = u"AAAAAAAAAAAAAAAAAAAAAAAAAAA="_s;
        auto a = allocate(forged);
        QVERIFY(a);
        QCOMPARE(a->state(), TurnAllocation::State::Failed);
        // Nor does a username whose time has passed.
        TurnCredentials expired = credentials_;
        expired.username = u"1000000000:demo"_s;
        auto b = allocate(expired);
        QVERIFY(b);
        QCOMPARE(b->state(), TurnAllocation::State::Failed);
    }
};

QTEST_GUILESS_MAIN(TestTurn)
#include "test_turn.moc"
