#include "client/conversation/callerverdict.h"
#include "client/conversation/membersightings.h"
#include "client/conversation/missedcalls.h"
#include "client/conversation/peerlink.h"
#include "client/conversation/peerlistener.h"
#include "client/conversation/peernotices.h"
#include "client/security/knownkeys.h"
#include "tests/client/conversation/desk.h"

#include <QApplication>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

Q_DECLARE_METATYPE(CallerVerdict)

namespace {

// The deleted windows really go before anything is counted.
void flushDeletes()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
}

int visibleTopLevels()
{
    int count = 0;
    for (const QWidget *widget : QApplication::topLevelWidgets())
        count += widget->isVisible();
    return count;
}

QByteArray fingerprint(Desk &desk)
{
    return desk.windows->security().identity->fingerprint();
}

// Sits between the two clients on the peer port of an address of its own and keeps every byte
// that passes, each way.
struct Proxy
{
    Proxy(const QString &address, const QString &target)
    {
        server.listen(QHostAddress(address), peerPort);
        QObject::connect(&server, &QTcpServer::newConnection, [this, target] {
            QTcpSocket *in = server.nextPendingConnection();
            auto *out = new QTcpSocket(in);
            out->connectToHost(QHostAddress(target), peerPort);
            QObject::connect(in, &QTcpSocket::readyRead, out, [this, in, out] {
                const QByteArray bytes = in->readAll();
                up += bytes;
                out->write(bytes);
            });
            QObject::connect(out, &QTcpSocket::connected, in, [in, out] { out->write(in->readAll()); });
            QObject::connect(out, &QTcpSocket::readyRead, in, [this, in, out] {
                const QByteArray bytes = out->readAll();
                down += bytes;
                in->write(bytes);
            });
            QObject::connect(in, &QTcpSocket::disconnected, out, &QTcpSocket::disconnectFromHost);
            QObject::connect(out, &QTcpSocket::disconnected, in, &QTcpSocket::disconnectFromHost);
        });
    }
    QTcpServer server;
    QByteArray up, down;
};

} // namespace

// Calls over real sockets on loopback, where the socket is the point: the listener, the bytes,
// the refusals and hang-ups, and the bounds on what strangers can do with connections, and the keys that
// decide whether a call is TLS.
class TestCalls : public QObject
{
    Q_OBJECT

    std::unique_ptr<Desk> alice, bob;

    // Alice calls Bob from her favourites; Bob's window of the moment rings.
    FrmConversation *ring()
    {
        const int index = bob->windows->conversationCount();
        alice->call(u"bob"_s, u"127.0.5.3"_s);
        const bool rang = QTest::qWaitFor(
            [&] { return bob->window(index) && bob->window(index)->incomingForm().isVisible(); });
        return rang ? bob->window(index) : nullptr;
    }

    // Bob's window 1 rings; he answers; Alice's window 1 opens.
    void answer()
    {
        QVERIFY(QTest::qWaitFor([&] { return bob->window(1)->incomingForm().isVisible(); }));
        child<QPushButton>(&bob->window(1)->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return alice->window(1)->isVisible(); }));
    }
    void say(Desk &from, const QString &text)
    {
        from.window(1)->sendBox()->setPlainText(text);
        from.window(1)->sendMessage();
    }
    bool reads(Desk &by, const QString &text)
    {
        return QTest::qWaitFor([&] { return by.window(1)->conversationBox()->toPlainText().contains(text); });
    }

private slots:
    void init()
    {
        alice = std::make_unique<Desk>(u"alice"_s, u"127.0.5.2"_s);
        bob = std::make_unique<Desk>(u"bob"_s, u"127.0.5.3"_s);
        alice->windows->security().identity = makeIdentity(u"alice"_s);
        bob->windows->security().identity = makeIdentity(u"bob"_s);
        QVERIFY(alice->windows->start());
        QVERIFY(bob->windows->start());
        // Bob knows alice at her address, so her calls ring as hers.
        bob->row(u"alice"_s, u"127.0.5.2"_s);
        bob->row(u"eve"_s, u"127.0.5.7"_s, true, &bob->listeNoire);
    }

    // One call placed and answered: the peer hears the sound sent, sees the entry stamped with its
    // own clock; then Bob leaves without a packet and his window goes at once. Alice is told, in a
    // box and in her transcript, which stays to be read, nothing more to be sent, until she closes it.
    void aCallPlacedAndAnswered()
    {
        QVERIFY(ring());
        QCOMPARE(bob->window(1)->incomingForm().caller(), u"alice"_s);
        child<QPushButton>(&bob->window(1)->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return alice->window(1)->isVisible(); }));
        FrmConversation *window = alice->window(1);
        QTest::mouseDClick(child<QToolButton>(window, u"pctbSon3"_s), Qt::LeftButton);
        QTextEdit *received = bob->window(1)->conversationBox();
        QVERIFY(QTest::qWaitFor([&] { return !received->toPlainText().isEmpty(); }));
        QCOMPARE(received->toPlainText(), u"09:05 alice : \na envoyé un son\n"_s);
        QCOMPARE(bob->desktop.sound.played, (QStringList{u"sons/incomingcall.wav"_s, u"sons/babycry.wav"_s}));

        alice->desktop.clock.now = QTime(23, 59, 1);
        child<QPushButton>(bob->window(1), u"cmdQuit"_s)->click();
        QVERIFY(bob->window(1) == nullptr);
        QVERIFY(QTest::qWaitFor([&] { return window->hasEnded(); }));
        QCOMPARE(alice->desktop.notifier.shown, QList<Notice>{cutOffNotice(u"bob"_s)});
        QCOMPARE(alice->desktop.sound.played.last(), u"sons/connectionrefused.wav"_s);
        QVERIFY(bob->desktop.notifier.shown.isEmpty());
        QVERIFY(window->isVisible());
        QVERIFY(window->conversationBox()->toPlainText().endsWith(
            u"\n23:59 La conversation a été coupée par bob."_s));
        QVERIFY(window->sendBox()->isReadOnly());
        QVERIFY(!child<QPushButton>(window, u"cmdSend"_s)->isEnabled());
        window->close();
        QVERIFY(alice->window(1) == nullptr);
        QVERIFY(alice->window(2) && bob->window(2)); // the spares stay
    }

    // The refusal reaches the caller before the close, which then passes without a second notice;
    // each conversation, discarded as its link finishes, takes its window with it.
    void refusalEndsBothWindows()
    {
        alice->state.soundEnabled = false;
        QVERIFY(ring());
        child<QPushButton>(&bob->window(1)->incomingForm(), u"cmdRefuseCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return alice->window(1) == nullptr && bob->window(1) == nullptr; }));
        QCOMPARE(alice->desktop.notifier.shown, QList<Notice>{refusalNotice(u"bob"_s)});
        QVERIFY(alice->desktop.sound.played.isEmpty()); // sound off
        QVERIFY(bob->desktop.notifier.shown.isEmpty());
    }

    // Nobody listens at the address, it is no address at all, or it leads back to this client (then
    // nothing rings here, and the member is said to be out of reach rather than to have refused).
    void unreachable_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<Notice>("notice");
        QTest::newRow("nobody listening") << u"127.0.5.14"_s << communicationNotice(u"marc"_s);
        QTest::newRow("not an address") << u"pas une adresse"_s << communicationNotice(u"marc"_s);
        QTest::newRow("comes back") << u"127.0.5.2"_s << unreachableNotice(u"marc"_s);
    }
    void unreachable()
    {
        QFETCH(QString, address);
        QFETCH(Notice, notice);
        alice->call(u"marc"_s, address);
        QVERIFY(QTest::qWaitFor([&] { return alice->window(1) == nullptr; }));
        QCOMPARE(alice->desktop.notifier.shown, QList<Notice>{notice});
        QCOMPARE(alice->windows->conversationCount(), 2); // no window for the call that came back
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
        PeerListener &listener = bob->windows->listener();
        listener.setGreetingDeadline(300);
        QTcpSocket raw;
        raw.connectToHost(QHostAddress(u"127.0.5.3"_s), peerPort);
        QVERIFY(QTest::qWaitFor([&] { return listener.waitingCount() == 1; }));
        raw.write(bytes);
        if (closes)
            raw.disconnectFromHost();
        QVERIFY(QTest::qWaitFor([&] { return raw.state() == QAbstractSocket::UnconnectedState; }));
        QVERIFY(QTest::qWaitFor([&] { return listener.waitingCount() == 0; }));
        QCOMPARE(bob->windows->conversationCount(), 1);
        QVERIFY(bob->desktop.notifier.shown.isEmpty());
    }

    // Packets that arrive together are each handled; an oversized one is dropped, the call rings on.
    void burstAndOversized()
    {
        QTcpSocket raw;
        raw.connectToHost(QHostAddress(u"127.0.5.3"_s), peerPort);
        raw.write("CONVERSATIONREQUESTED:daveTHISISTHEENDOFTHEPACKET{\\rtf1 un}THISISTHEENDOFTHEPACKET");
        raw.write(QByteArray(PacketReassembler::defaultMaxPacketBytes + 1, 'x') + "THISISTHEENDOFTHEPACKET");
        raw.write("{\\rtf1 deux}THISISTHEENDOFTHEPACKET");
        const auto shown = [&] {
            return bob->window(1) ? bob->window(1)->conversationBox()->toPlainText() : QString();
        };
        QVERIFY(QTest::qWaitFor([&] { return shown().contains(u"deux"_s); }, 20000));
        QCOMPARE(shown(), u"09:05 dave : \nun\n09:05 dave : \ndeux"_s);
        QVERIFY(bob->window(1)->incomingForm().isVisible());
    }

    // A demo peer listening on its own loopback address beside a client listening on every address:
    // each gets the connections for its address. Another program holding the port is told once.
    void sharingThePort()
    {
        Desk carol(u"carol"_s, u"0.0.0.0"_s);
        QVERIFY(carol.windows->start());
        QTcpServer demo;
        QVERIFY(demo.setSocketDescriptor(openSharedListeningSocket(QHostAddress(u"127.0.5.17"_s), peerPort)));
        QTcpSocket toDemo;
        toDemo.connectToHost(QHostAddress(u"127.0.5.17"_s), peerPort);
        QVERIFY(demo.waitForNewConnection(5000));
        const auto toCarol = callFrom(u"127.0.5.18"_s, "dave");
        QVERIFY(QTest::qWaitFor([&] { return carol.windows->conversationCount() == 2; }));
        QCOMPARE(bob->windows->conversationCount(), 1);
        carol.windows.reset(); // listening on every address, it holds the port everywhere

        QTcpServer other;
        QVERIFY(other.listen(QHostAddress(u"127.0.5.9"_s), peerPort));
        Desk dan(u"dan"_s, u"127.0.5.9"_s);
        QVERIFY(!dan.windows->start());
        QVERIFY(!dan.windows->start());
        QCOMPARE(dan.desktop.notifier.shown, QList<Notice>{portTakenNotice()});
    }

    // The claim against the rows alone, where the calls below do not reach.
    void verdicts_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<bool>("online");
        QTest::addColumn<QString>("reported");
        QTest::addColumn<bool>("blackListed");
        QTest::addColumn<CallerVerdict>("verdict");
        QTest::newRow("seen through an IPv6 socket")
            << u"::ffff:127.0.0.5"_s << true << u" 127.0.0.5"_s << false << CallerVerdict::Verified;
        QTest::newRow("offline, stale address")
            << u"127.0.0.5"_s << false << u"127.0.0.5"_s << false << CallerVerdict::Unverified;
        QTest::newRow("server's empty marker")
            << u"0.0.0.0"_s << true << u"0.0.0.0"_s << false << CallerVerdict::Unverified;
        QTest::newRow("no address on either side")
            << QString() << true << QString() << false << CallerVerdict::Unverified;
        QTest::newRow("black list, offline")
            << u"127.0.0.9"_s << false << QString() << true << CallerVerdict::Refused;
    }
    void verdicts()
    {
        QFETCH(QString, from);
        QFETCH(bool, online);
        QFETCH(QString, reported);
        QFETCH(bool, blackListed);
        QFETCH(CallerVerdict, verdict);
        const std::vector<MemberSighting> rows{{u"carol"_s, u"127.0.0.5"_s, true, false},
                                               {u"bob"_s, reported, online, blackListed}};
        QCOMPARE(judgeCaller(u"bob"_s, from, rows), verdict);
        // Another member's row never speaks for bob, and no row at all vouches for nobody.
        QCOMPARE(judgeCaller(u"bob"_s, u"127.0.0.5"_s, {rows[0]}), CallerVerdict::Unverified);
        QCOMPARE(judgeCaller(u"Bob"_s, from, rows), CallerVerdict::Unverified);
    }

    // Who rings, and under which name; accepted, the caption keeps the mark and the caller hears
    // the accept. A member of the black list, from its address or pretending from elsewhere, hears
    // the refusal and the link closes: nothing rings, nothing is said, no window is used.
    void rings_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QByteArray>("pseudo");
        QTest::addColumn<QString>("shown"); // empty: refused
        QTest::newRow("honest caller") << u"127.0.5.2"_s << QByteArray("alice") << u"alice"_s;
        QTest::newRow("spoofed: alice from elsewhere")
            << u"127.0.5.9"_s << QByteArray("alice") << u"alice (non vérifié)"_s;
        QTest::newRow("unknown pseudo")
            << u"127.0.5.9"_s << QByteArray("zorglub") << u"zorglub (non vérifié)"_s;
        QTest::newRow("black list") << u"127.0.5.7"_s << QByteArray("eve") << QString();
        QTest::newRow("black list from elsewhere") << u"127.0.5.9"_s << QByteArray("eve") << QString();
    }
    void rings()
    {
        QFETCH(QString, from);
        QFETCH(QByteArray, pseudo);
        QFETCH(QString, shown);
        const auto caller = callFrom(u"127.0.5.3"_s, pseudo, from);
        if (shown.isEmpty()) {
            QCOMPARE(heard(*caller), framePacket("SORRYIREFUSEYOURCALL"));
            QCOMPARE(bob->windows->conversationCount(), 1);
            QVERIFY(bob->desktop.sound.played.isEmpty());
        } else {
            QVERIFY(QTest::qWaitFor([&] { return bob->window(1)->incomingForm().isVisible(); }));
            QCOMPARE(bob->window(1)->incomingForm().caller(), shown);
            child<QPushButton>(&bob->window(1)->incomingForm(), u"cmdAcceptCall"_s)->click();
            QCOMPARE(bob->window(1)->windowTitle(), shown + u"-Conversation"_s);
            QVERIFY(heard(*caller, "NOPROBLEMYACCEPTTOURCALL").contains("NOPROBLEMYACCEPTTOURCALL"));
        }
        QVERIFY(bob->desktop.notifier.shown.isEmpty());
    }

    // Call, ring, hang up, again and again, the hang-ups both polite (a close) and rude (a reset):
    // no window, no notification and no box is left, and the client still takes calls.
    void aStormOfCallsAndHangUpsLeavesNothingBehind()
    {
        flushDeletes();
        const qsizetype baseline = QApplication::topLevelWidgets().size();
        for (int cycle = 0; cycle < 60; ++cycle) {
            const auto caller = callFrom(u"127.0.5.3"_s, "storm" + QByteArray::number(cycle));
            const int index = bob->windows->conversationCount();
            QVERIFY(QTest::qWaitFor(
                [&] { return bob->windows->at(index) && bob->windows->at(index)->isRinging(); }));
            if (cycle % 2)
                caller->abort();
            else
                caller->disconnectFromHost();
            QVERIFY(QTest::qWaitFor([&] { return bob->window(index) == nullptr; }));
        }
        flushDeletes();
        QCOMPARE(bob->alive(), 1); // the spare
        QCOMPARE(visibleTopLevels(), 0);
        QVERIFY(QApplication::topLevelWidgets().size() <= baseline + 1); // at most the spare's successor
        QVERIFY(bob->desktop.notifier.shown.isEmpty());
        QVERIFY(bob->windows->missedCalls().isEmpty());
        QVERIFY(ring());
    }

    // Callers who ask and then say nothing fill the ringing places, and the next is refused; once
    // they have rung out they are missed calls, each line closed with no answer on it, their
    // places are free again, and a real call rings.
    void heldCallsRingOutAndARealCallRings()
    {
        bob->windows->setRingDeadline(
            1000); // long enough for the next caller to find them ringing, even under a sanitizer
        std::vector<std::unique_ptr<QTcpSocket>> held;
        for (int i = 0; i < ConversationWindows::maxRinging; ++i) {
            held.push_back(callFrom(u"127.0.5.3"_s, "held" + QByteArray::number(i)));
            QVERIFY(QTest::qWaitFor([&] { return bob->windows->conversationCount() == i + 2; }));
        }
        const auto meanwhile = callFrom(u"127.0.5.3"_s, "early");
        QCOMPARE(heard(*meanwhile), framePacket("SORRYIREFUSEYOURCALL"));
        QVERIFY(QTest::qWaitFor(
            [&] { return bob->windows->missedCalls().calls().size() == ConversationWindows::maxRinging; }));
        QCOMPARE(bob->windows->missedCalls().calls().first().pseudo, u"held3"_s);
        for (const auto &caller : held)
            QVERIFY(heard(*caller).isEmpty());
        QCOMPARE(bob->alive(), 1);
        bob->windows->setRingDeadline(PeerLink::ringDeadlineMs);
        FrmConversation *real = ring();
        QVERIFY(real && real->peerPseudo() == u"alice"_s);
    }
    // Both keys published: the call is TLS end to end, each side sees the other's key, and what
    // passes in between is TLS records and nothing readable; the key proves alice's pseudo though
    // her call comes from the proxy's address. A legacy client (no key, plain call request) still
    // talks to a client that has one, and a member without a published key is called plain too.
    void keysDecideTheCall_data()
    {
        QTest::addColumn<bool>("callerHasKey");
        QTest::addColumn<bool>("published");
        QTest::newRow("both keys published") << true << true;
        QTest::newRow("legacy caller") << false << true;
        QTest::newRow("callee without a published key") << true << false;
    }
    void keysDecideTheCall()
    {
        QFETCH(bool, callerHasKey);
        QFETCH(bool, published);
        const bool encrypted = callerHasKey && published;
        if (!callerHasKey) {
            alice = std::make_unique<Desk>(u"alice"_s, u"127.0.5.4"_s);
            QVERIFY(alice->windows->start());
        } else if (published) {
            alice->windows->security().published.insert(u"bob"_s, fingerprint(*bob));
            bob->windows->security().published.insert(u"alice"_s, fingerprint(*alice));
        }
        Proxy proxy(u"127.0.5.19"_s, u"127.0.5.3"_s);
        alice->call(u"bob"_s, u"127.0.5.19"_s);
        answer();
        QCOMPARE(bob->window(1)->incomingForm().caller(), encrypted ? u"alice"_s : u"alice (non vérifié)"_s);
        say(*alice, u"Bonjour Bob, c'est privé"_s);
        QVERIFY(reads(*bob, u"c'est privé"_s));
        say(*bob, u"Reçu, Alice"_s);
        QVERIFY(reads(*alice, u"Reçu, Alice"_s));
        QVERIFY(bob->desktop.notifier.shown.isEmpty());
        if (!encrypted) {
            QVERIFY(proxy.up.startsWith("CONVERSATIONREQUESTED:alice"));
            QVERIFY(!bob->window(1)->link().isEncrypted());
            QCOMPARE(bob->window(1)->encryptionButton()->text(), u"Non chiffrée"_s);
            return;
        }
        for (Desk *desk : {alice.get(), bob.get()}) {
            ConversationLink &link = desk->window(1)->link();
            QVERIFY(link.isEncrypted());
            QCOMPARE(link.peerFingerprint(), fingerprint(desk == alice.get() ? *bob : *alice));
            QCOMPARE(desk->window(1)->encryptionButton()->text(), u"🔒 Chiffrée"_s);
            const Notice shown = desk->window(1)->fingerprintsNotice();
            QVERIFY(shown.text.contains(QString::fromLatin1(fingerprint(*alice).left(4))));
            QVERIFY(shown.text.contains(QString::fromLatin1(fingerprint(*bob).right(4))));
            // Nothing about the encryption reaches the transcript.
            QVERIFY(!desk->window(1)->conversationBox()->toPlainText().contains(u"chiffr"_s));
        }
        for (const QByteArray &seen : {proxy.up, proxy.down}) {
            QVERIFY(seen.startsWith("\x16\x03"));
            for (const char *clear :
                 {"{\\rtf", "alice", "bob", "CONVERSATIONREQUESTED", "THISISTHEENDOFTHEPACKET",
                  "NOPROBLEMYACCEPTTOURCALL", "Bonjour", "priv"})
                QVERIFY2(!seen.contains(clear), clear);
        }
        // The caller remembers the key it has now seen.
        QCOMPARE(alice->windows->security().known.seen(u"bob"_s), fingerprint(*bob));
    }

    // A key other than the one seen before is shown, on both sides; never taken silently.
    void aChangedKeyIsShown()
    {
        const QByteArray old = makeIdentity(u"old"_s)->fingerprint();
        // Bob has seen another key of alice's; no directory entry for her.
        bob->windows->security().known.remember(u"alice"_s, old);
        // Alice has seen another key of bob's; the directory vouches for his new one.
        alice->windows->security().known.remember(u"bob"_s, old);
        alice->windows->security().published.insert(u"bob"_s, fingerprint(*bob));
        alice->call(u"bob"_s, u"127.0.5.3"_s);
        QVERIFY(QTest::qWaitFor([&] { return bob->window(1)->incomingForm().isVisible(); }));
        QCOMPARE(alice->desktop.notifier.shown.value(0), keyChangedNotice(u"bob"_s));
        QCOMPARE(bob->window(1)->incomingForm().caller(), u"alice (clé changée)"_s);
        // Until bob answers, the old key is the one he knows.
        QCOMPARE(bob->windows->security().known.seen(u"alice"_s), old);
        answer();
        QCOMPARE(bob->window(1)->windowTitle(), u"alice (clé changée)-Conversation"_s);
        QCOMPARE(bob->windows->security().known.seen(u"alice"_s), fingerprint(*alice));
        QCOMPARE(alice->windows->security().known.seen(u"bob"_s), fingerprint(*bob));
    }

    // Whoever answers with a key the directory does not publish for the member hears no call
    // request; the caller is told and the call ends.
    void anotherKeyThanTheDirectorysEndsTheCall()
    {
        alice->windows->security().published.insert(u"bob"_s, makeIdentity(u"bob"_s)->fingerprint());
        alice->call(u"bob"_s, u"127.0.5.3"_s);
        QVERIFY(QTest::qWaitFor([&] { return !alice->desktop.notifier.shown.isEmpty(); }));
        QCOMPARE(alice->desktop.notifier.shown.value(0), keyContradictedNotice(u"bob"_s));
        QVERIFY(QTest::qWaitFor([&] { return alice->window(1) == nullptr; }));
        QTest::qWait(50);
        QVERIFY(!bob->window(1)->incomingForm().isVisible());
        QVERIFY(!alice->windows->security().known.seen(u"bob"_s));
    }

    // A caller in TLS whose pseudo nobody vouches for (no published key, not at the address the
    // server reports) rings marked, and its key is not kept under that name.
    void anUnvouchedKeyIsNotKept()
    {
        auto mallory = std::make_unique<Desk>(u"alice"_s, u"127.0.5.6"_s);
        mallory->windows->security().identity = makeIdentity(u"alice"_s);
        QVERIFY(mallory->windows->start());
        mallory->windows->security().published.insert(u"bob"_s, fingerprint(*bob));
        mallory->call(u"bob"_s, u"127.0.5.3"_s);
        QVERIFY(QTest::qWaitFor([&] { return bob->window(1)->incomingForm().isVisible(); }));
        QVERIFY(bob->window(1)->link().isEncrypted());
        QCOMPARE(bob->window(1)->incomingForm().caller(), u"alice (non vérifié)"_s);
        QVERIFY(!bob->windows->security().known.seen(u"alice"_s));
    }

    // The keys seen outlive the run, in a file only the user reads; a damaged line is skipped.
    void knownKeysAreKept()
    {
        QTemporaryDir dir;
        const QString file = knownKeysFile(dir.path());
        const QByteArray key = fingerprint(*alice);
        {
            KnownKeys keys(file);
            QVERIFY(keys.remember(u"alice"_s, key));
            QVERIFY(!keys.remember(u"bad one"_s, key));
            QVERIFY(!keys.remember(u"bob"_s, "not a fingerprint"));
        }
        QCOMPARE(QFile::permissions(file) & 0x0077, QFileDevice::Permissions());
        QFile append(file);
        QVERIFY(append.open(QIODevice::Append));
        append.write("mallory zz\ngarbage\n\nbob " + key.toUpper() + "\n");
        append.close();
        const KnownKeys again(file);
        QCOMPARE(again.seen(u"alice"_s), key);
        QVERIFY(!again.seen(u"mallory"_s));
        QVERIFY(!again.seen(u"bob"_s));
    }
};

QTEST_MAIN(TestCalls)
#include "test_calls.moc"
