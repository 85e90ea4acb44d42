#include "client/conversation/peerlink.h"
#include "client/conversation/peerlistener.h"
#include "client/conversation/rtffragments.h"
#include "client/shell/clientstate.h"
#include "tests/support/recordingplatform.h"

#include <QSignalSpy>
#include <QTcpServer>
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
        listener.setGreetingDeadline(300);
        QObject::connect(&listener, &PeerListener::callArrived, &listener, [this](QTcpSocket *socket) {
            answered = std::make_unique<PeerLink>(state, desk.notifier, desk.sound);
            // Heard from the start: the call request is already in the socket.
            ringing = std::make_unique<QSignalSpy>(answered.get(), &PeerLink::callRequested);
            entries = std::make_unique<QSignalSpy>(answered.get(), &PeerLink::entryReceived);
            dropped = std::make_unique<QSignalSpy>(answered.get(), &PeerLink::packetDropped);
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
    std::unique_ptr<PeerLink> answered; // the last call this end took
    std::unique_ptr<QSignalSpy> ringing, entries, dropped;
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
        QVERIFY(QTest::qWaitFor([&] { return bob->ringing && bob->ringing->size() == 1; }));
        PeerLink &callee = *bob->answered;
        QCOMPARE(bob->ringing->at(0).at(0).toString(), u"alice"_s);
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
        QCOMPARE(bob->desk.notifier.titles(), QStringList{u"Fin de conversation"_s});
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
        QVERIFY(QTest::qWaitFor([&] { return bob->ringing && bob->ringing->size() == 1; }));
        QSignalSpy bobDone(bob->answered.get(), &PeerLink::finished);
        bob->answered->setConnectNo();
        QVERIFY(aliceDone.wait());
        QVERIFY(bobDone.size() == 1 || bobDone.wait());
        QCOMPARE(alice->desk.notifier.titles(), QStringList{u":-("_s});
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

    // Connections that never ask for a call cost no window and no notice, and are closed.
    void strayConnections_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("closes");
        QTest::newRow("closes after half a packet") << QByteArray("CONVERSATIONREQ") << true;
        QTest::newRow("silent past the deadline") << QByteArray() << false;
        QTest::newRow("names nobody valid")
            << QByteArray("CONVERSATIONREQUESTED:{\\evil}THISISTHEENDOFTHEPACKET") << false;
        QTest::newRow("talks on without a marker") << QByteArray(4096, 'x') << false;
    }
    void strayConnections()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, closes);
        QTcpSocket raw;
        raw.bind(QHostAddress(u"127.0.5.12"_s));
        raw.connectToHost(QHostAddress(u"127.0.5.13"_s), peerPort);
        QVERIFY(raw.waitForConnected());
        QVERIFY(QTest::qWaitFor([&] { return bob->listener.waitingCount() == 1; }));
        raw.write(bytes);
        if (closes)
            raw.disconnectFromHost();
        QVERIFY(QTest::qWaitFor([&] { return raw.state() == QAbstractSocket::UnconnectedState; }));
        QVERIFY(QTest::qWaitFor([&] { return bob->listener.waitingCount() == 0; }));
        QVERIFY(!bob->answered);
        QVERIFY(bob->desk.notifier.shown.isEmpty());
    }

    // A demo peer listening on its own loopback address beside a client listening on every address:
    // each gets the connections for its address.
    void sharesThePortWithPeersOnTheirOwnAddress()
    {
        End carol(u"carol"_s, "0.0.0.0");
        QVERIFY2(carol.listener.listen(), qPrintable(carol.listener.errorString()));
        QTcpServer demo;
        QVERIFY(demo.setSocketDescriptor(openSharedListeningSocket(QHostAddress(u"127.0.5.17"_s), peerPort)));
        QTcpSocket toDemo, toCarol;
        toDemo.connectToHost(QHostAddress(u"127.0.5.17"_s), peerPort);
        QVERIFY(demo.waitForNewConnection(5000));
        toCarol.connectToHost(QHostAddress(u"127.0.5.18"_s), peerPort);
        toCarol.write("CONVERSATIONREQUESTED:daveTHISISTHEENDOFTHEPACKET");
        QVERIFY(QTest::qWaitFor([&] { return carol.answered != nullptr; }));
        QVERIFY(!bob->answered);
    }

    // Packets that arrive together are each handled; an oversized one is dropped, the link lives on.
    void burstAndMalformed()
    {
        QTcpSocket raw;
        raw.bind(QHostAddress(u"127.0.5.12"_s));
        raw.connectToHost(QHostAddress(u"127.0.5.13"_s), peerPort);
        raw.write("CONVERSATIONREQUESTED:daveTHISISTHEENDOFTHEPACKET"
                  "{\\rtf1 un}THISISTHEENDOFTHEPACKET");
        raw.write(QByteArray(PacketReassembler::defaultMaxPacketBytes + 1, 'x') + "THISISTHEENDOFTHEPACKET");
        raw.write("{\\rtf1 deux}THISISTHEENDOFTHEPACKET");
        QVERIFY(QTest::qWaitFor([&] { return bob->entries && bob->entries->size() == 2; }, 20000));
        QCOMPARE(bob->ringing->size(), 1);
        QCOMPARE(bob->ringing->at(0).at(0).toString(), u"dave"_s);
        QCOMPARE(bob->entries->at(0).at(0).toString(), u"{\\rtf1 un}"_s);
        QCOMPARE(bob->entries->at(1).at(0).toString(), u"{\\rtf1 deux}"_s);
        QCOMPARE(bob->dropped->size(), 1);
        QCOMPARE(bob->answered->state(), PeerLink::State::Ringing);
    }
};

QTEST_GUILESS_MAIN(TestPeerLink)
#include "test_peerlink.moc"
