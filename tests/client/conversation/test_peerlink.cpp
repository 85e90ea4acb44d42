#include "client/conversation/peerlink.h"
#include "client/conversation/peerlistener.h"
#include "client/conversation/rtffragments.h"
#include "client/shell/clientstate.h"
#include "tests/support/recordingplatform.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// One client's side of the peer protocol: its own loopback address, listener and desktop.
struct End
{
    End(const QString &pseudo, const char *address) : listener(state)
    {
        state.userLogin = pseudo;
        state.soundEnabled = true;
        state.localAddress = QHostAddress(QString::fromLatin1(address));
        QObject::connect(&listener, &PeerListener::connectionArrived, &listener, [this](QTcpSocket *socket) {
            answered = std::make_unique<PeerLink>(state, desk.notifier, desk.sound);
            answered->acceptConnection(socket);
        });
    }

    std::unique_ptr<PeerLink> call(const End &callee)
    {
        auto link = std::make_unique<PeerLink>(state, desk.notifier, desk.sound);
        link->callMember(callee.state.userLogin, callee.state.localAddress.toString());
        return link;
    }

    ClientState state;
    RecordingPlatform desk;
    PeerListener listener;
    std::unique_ptr<PeerLink> answered; // the last connection this end accepted
};

} // namespace

class TestPeerLink : public QObject
{
    Q_OBJECT

    std::unique_ptr<End> alice, bob;

private slots:
    void init()
    {
        alice = std::make_unique<End>(u"alice"_s, "127.0.5.12");
        bob = std::make_unique<End>(u"bob"_s, "127.0.5.13");
        QVERIFY(alice->listener.listen());
        QVERIFY2(bob->listener.listen(), qPrintable(bob->listener.errorString()));
    }

    void cleanup()
    {
        alice.reset();
        bob.reset();
    }

    // A whole conversation: call, ring, accept, a message each way, a sound, then alice hangs up.
    void conversation()
    {
        auto caller = alice->call(*bob);
        QSignalSpy accepted(caller.get(), &PeerLink::callAccepted);
        QVERIFY(QTest::qWaitFor([&] { return bob->answered != nullptr; }));
        PeerLink &callee = *bob->answered;
        QSignalSpy ringing(&callee, &PeerLink::callRequested);
        QVERIFY(ringing.wait());
        QCOMPARE(ringing[0][0].toString(), u"alice"_s);
        QCOMPARE(callee.peerPseudo(), u"alice"_s);
        QCOMPARE(callee.state(), PeerLink::State::Ringing);
        QCOMPARE(bob->desk.sound.played, QStringList{u"sons/incomingcall.wav"_s});

        callee.sendAcceptCall();
        QVERIFY(accepted.wait());
        QCOMPARE(caller->state(), PeerLink::State::InConversation);

        QSignalSpy toBob(&callee, &PeerLink::entryReceived), toAlice(caller.get(), &PeerLink::entryReceived);
        const QString message = u"{\\rtf1\\ansi Bonjour, ça va ?\\par }"_s;
        QVERIFY(caller->sendMessage(message));
        QVERIFY(caller->sendSound(5));
        QVERIFY(callee.sendMessage(u"{\\rtf1 oui}"_s));
        QVERIFY(QTest::qWaitFor([&] { return toBob.size() == 2 && toAlice.size() == 1; }));
        QCOMPARE(toBob[0][0].toString(), message);
        QCOMPARE(toBob[0][1].toInt(), -1);
        QCOMPARE(toBob[1][0].toString(), rtffragments::soundNotice);
        QCOMPARE(toBob[1][1].toInt(), 5);
        QCOMPARE(bob->desk.sound.played.last(), u"sons/kiss.wav"_s);
        QCOMPARE(toAlice[0][0].toString(), u"{\\rtf1 oui}"_s);

        // Alice quits: no packet, bob learns it from the close.
        QSignalSpy bobDone(&callee, &PeerLink::finished);
        caller->closeConversation();
        QVERIFY(!caller->sendMessage(message));
        QVERIFY(bobDone.wait());
        QCOMPARE(bob->desk.notifier.shown.size(), 1);
        QCOMPARE(bob->desk.notifier.shown[0].title, u"Fin de conversation"_s);
        QCOMPARE(bob->desk.notifier.shown[0].text, u"La conversation a été coupée par alice."_s);
        QCOMPARE(bob->desk.sound.played.last(), u"sons/connectionrefused.wav"_s);
        QVERIFY(alice->desk.notifier.shown.isEmpty());
    }

    // The refusal reaches the caller before the close, which then passes without a second notice.
    void refusal()
    {
        alice->state.soundEnabled = false;
        auto caller = alice->call(*bob);
        QSignalSpy aliceDone(caller.get(), &PeerLink::finished);
        // The window that hears finished() discards itself, link included, there and then.
        bool refused = false;
        connect(caller.get(), &PeerLink::finished, this, [&] {
            refused = caller->callRefused();
            caller.reset();
        });
        QVERIFY(QTest::qWaitFor([&] { return bob->answered != nullptr; }));
        QSignalSpy ringing(bob->answered.get(), &PeerLink::callRequested);
        QSignalSpy bobDone(bob->answered.get(), &PeerLink::finished);
        QVERIFY(ringing.wait());
        bob->answered->setConnectNo();
        QVERIFY(aliceDone.wait());
        QVERIFY(bobDone.size() == 1 || bobDone.wait());
        QCOMPARE(alice->desk.notifier.shown.size(), 1);
        QCOMPARE(alice->desk.notifier.shown[0].title, u":-("_s);
        QCOMPARE(alice->desk.notifier.shown[0].text, u"bob a refusé votre appel !"_s);
        QCOMPARE(alice->desk.notifier.shown[0].icon, Notifier::Icon::Warning);
        QVERIFY(alice->desk.sound.played.isEmpty()); // sound off
        QVERIFY(refused);
        QVERIFY(bob->desk.notifier.shown.isEmpty());
    }

    // Nobody listens at the address, or it is no address at all.
    void unreachable_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("nobody listening") << u"127.0.5.14"_s;
        QTest::newRow("not an address") << u"pas une adresse"_s;
    }

    void unreachable()
    {
        PeerLink caller(alice->state, alice->desk.notifier, alice->desk.sound);
        QFETCH(QString, address);
        QSignalSpy done(&caller, &PeerLink::finished);
        caller.callMember(u"carl"_s, address);
        QVERIFY(done.wait());
        QCOMPARE(alice->desk.notifier.shown.size(), 1);
        QCOMPARE(alice->desk.notifier.shown[0].title, u"Erreur"_s);
        QCOMPARE(alice->desk.notifier.shown[0].text,
                 u"Problème de communication, carl\r\n s'est peut-être déconnecté(e)."_s);
    }

    // A connection that goes before saying who calls: the cut-off names nobody.
    void closedBeforeCallRequest()
    {
        QTcpSocket raw;
        raw.bind(QHostAddress(u"127.0.5.12"_s));
        raw.connectToHost(QHostAddress(u"127.0.5.13"_s), peerPort);
        QVERIFY(QTest::qWaitFor([&] { return bob->answered != nullptr; }));
        QSignalSpy done(bob->answered.get(), &PeerLink::finished);
        raw.write("half a packet");
        raw.disconnectFromHost();
        QVERIFY(done.wait());
        QCOMPARE(bob->desk.notifier.shown.size(), 1);
        QCOMPARE(bob->desk.notifier.shown[0].text, u"La conversation a été coupée par ."_s);
    }

    // Packets that arrive together are each handled; an oversized one is dropped, the link lives on.
    void burstAndMalformed()
    {
        QTcpSocket raw;
        raw.bind(QHostAddress(u"127.0.5.12"_s));
        raw.connectToHost(QHostAddress(u"127.0.5.13"_s), peerPort);
        QVERIFY(QTest::qWaitFor([&] { return bob->answered != nullptr; }));
        PeerLink &callee = *bob->answered;
        QSignalSpy ringing(&callee, &PeerLink::callRequested), entries(&callee, &PeerLink::entryReceived),
            dropped(&callee, &PeerLink::packetDropped);
        raw.write("CONVERSATIONREQUESTED:{\\evil}THISISTHEENDOFTHEPACKET"
                  "CONVERSATIONREQUESTED:daveTHISISTHEENDOFTHEPACKET"
                  "{\\rtf1 un}THISISTHEENDOFTHEPACKET");
        raw.write(QByteArray(PacketReassembler::defaultMaxPacketBytes + 1, 'x') + "THISISTHEENDOFTHEPACKET");
        raw.write("{\\rtf1 deux}THISISTHEENDOFTHEPACKET");
        QVERIFY(QTest::qWaitFor([&] { return entries.size() == 2; }, 20000));
        QCOMPARE(ringing.size(), 1);
        QCOMPARE(ringing[0][0].toString(), u"dave"_s);
        QCOMPARE(entries[0][0].toString(), u"{\\rtf1 un}"_s);
        QCOMPARE(entries[1][0].toString(), u"{\\rtf1 deux}"_s);
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(callee.state(), PeerLink::State::Ringing);
    }
};

QTEST_GUILESS_MAIN(TestPeerLink)
#include "test_peerlink.moc"
