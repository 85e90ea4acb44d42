// Calls between members whom nobody can reach directly: the real relay (coturn, scripts/run-relay)
// beside the real community server, two real clients. The callee holds an allocation and
// publishes its relayed address; the caller learns it and calls through the relay; the call is
// answered in the same windows as a direct one and messages cross both ways.
#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/peerlink.h"
#include "client/network/reachability.h"
#include "client/network/relayservice.h"
#include "tests/support/communityserver.h"
#include "tests/support/member.h"
#include "tests/support/relayprocess.h"

#include <QTextEdit>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

class TestRelayedCalls : public QObject
{
    Q_OBJECT

    RelayProcess relay;
    CommunityServer server;

    static bool say(FrmConversation *from, FrmConversation *to, const QString &text)
    {
        from->sendBox()->setPlainText(text);
        child<QPushButton>(from, u"cmdSend"_s)->click();
        QTextEdit *received = to->conversationBox();
        return QTest::qWaitFor([&] { return received->toPlainText().contains(text); }, 10000);
    }

private slots:
    void initTestCase()
    {
        if (!relay.start())
            QSKIP(qPrintable(u"the relay did not start: "_s + QString::fromLocal8Bit(relay.log())));
        QVERIFY2(server.start(20000,
                              {u"--relay"_s, relay.hostWithPort(), u"--relay-secret"_s, relay.secretFile()}),
                 server.log().constData());
    }

    void aCallPlacedAndAnsweredThroughTheRelay()
    {
        Member louis(server.hostWithPort(), u"127.0.9.2"_s);
        Member chloe(server.hostWithPort(), u"127.0.9.3"_s);
        // Nobody can open a connection to Louis: he holds an allocation once logged in.
        louis.client->reachability().setState(Reachability::State::Unreachable);
        QVERIFY(louis.logIn(u"louis"_s));
        QVERIFY(QTest::qWaitFor([&] { return louis.client->relay().published().has_value(); }, 15000));
        QCOMPARE(louis.client->relay().published()->ipText(), relay.address());
        QVERIFY(chloe.logIn(u"chloe"_s));
        QVERIFY(QTest::qWaitFor([&] { return chloe.client->relay().available(); }, 15000));
        QVERIFY(!chloe.client->relay().published()); // reachable: she holds nothing
        QVERIFY(chloe.addFavori(u"louis"_s));
        // Once her client knows the key Louis publishes, the call through the relay is encrypted.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return chloe.client->conversations().security().publishedFor(u"louis"_s).has_value() ||
                       !chloe.refreshed();
            },
            15000));
        QVERIFY(chloe.client->conversations().security().publishedFor(u"louis"_s).has_value());

        int throughRelay = 0;
        connect(&louis.client->relay(), &RelayService::incomingConnection, this,
                [&throughRelay] { ++throughRelay; });
        // Three calls, each once the one before has been hung up: the first from an allocation
        // made for it, the others from the one Chloé holds once she cannot be reached either.
        for (int call = 1; call <= 3; ++call) {
            if (call == 2) {
                chloe.client->reachability().setState(Reachability::State::Unreachable);
                QVERIFY(
                    QTest::qWaitFor([&] { return chloe.client->relay().published().has_value(); }, 15000));
            }
            const int at = louis.client->conversations().conversationCount();
            FrmConversation *callee = nullptr, *caller = chloe.client->conversations().spare();
            chloe.command(chloe.row(chloe.main().lvFavoris(), u"louis"_s), u"MNU_CallFromFavoris"_s);
            QVERIFY(QTest::qWaitFor(
                [&] { return (callee = louis.conversation(at)) && callee->incomingForm().isVisible(); },
                20000));
            QCOMPARE(throughRelay, call);
            // Louis lists nobody, and the call comes from the relay's address: he cannot vouch for her.
            QCOMPARE(callee->incomingForm().caller(), u"chloe (non vérifié)"_s);

            child<QPushButton>(&callee->incomingForm(), u"cmdAcceptCall"_s)->click();
            QVERIFY(QTest::qWaitFor([&] { return caller->isVisible(); }, 10000));
            QVERIFY(caller->link().isEncrypted() && callee->link().isEncrypted());
            const QString hello = u"Salut Louis, appel %1."_s.arg(call),
                          reply = u"Très bien, %1."_s.arg(call);
            QVERIFY(say(caller, callee, hello));
            QVERIFY(say(callee, caller, reply));
            QVERIFY(callee->conversationBox()->toPlainText().endsWith(
                u"12:00 chloe : \n%1\n\n12:00 louis : \n%2\n"_s.arg(hello, reply)));
            caller->close();
            callee->close();
        }
        QVERIFY(chloe.desktop.notifier.shown.isEmpty() && louis.desktop.notifier.shown.isEmpty());

        // Reachable again: the relayed address is withdrawn and the allocation given back.
        louis.client->reachability().setState(Reachability::State::Reachable);
        QVERIFY(!louis.client->relay().published());
    }

    // The member is neither reachable nor relayed: with a relay in the community, the direct
    // attempt gives up after a few seconds and the user gets the one notice of a failed call.
    void aCallThatCannotConnectSaysSoOnce()
    {
        Member chloe(server.hostWithPort(), u"127.0.10.3"_s);
        QVERIFY(chloe.logIn(u"emma"_s));
        QVERIFY(QTest::qWaitFor([&] { return chloe.client->relay().available(); }, 15000));
        // A row pointing at an address where nobody answers and packets go nowhere.
        auto *row = new QTreeWidgetItem(chloe.main().lvRecherche(), QStringList{u"thomas"_s});
        row->setText(contactrow::Adresse, u"192.0.2.1"_s);
        contactrow::setOnline(row, true);
        chloe.command(row, u"MNU_CallFromRecherche"_s);
        QVERIFY(QTest::qWaitFor([&] { return !chloe.desktop.notifier.shown.isEmpty(); }, 20000));
        QTest::qWait(500);
        QCOMPARE(chloe.desktop.notifier.shown.size(), 1);
        QCOMPARE(chloe.desktop.notifier.titles(), QStringList{u"Erreur"_s});
    }
};

QTEST_MAIN(TestRelayedCalls)
#include "test_relayed_calls.moc"
