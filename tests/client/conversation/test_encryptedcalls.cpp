#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/peerlink.h"
#include "client/conversation/peernotices.h"
#include "client/conversation/peerpackets.h"
#include "client/security/knownkeys.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "tests/support/clientfixture.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

namespace {

// One client's conversation windows on its own loopback address, with a key of its own.
struct Desk
{
    Desk(const QString &pseudo, const QString &address, bool withKey = true)
    {
        state.userLogin = pseudo;
        state.localAddress = QHostAddress(address);
        windows = std::make_unique<ConversationWindows>(state, platform);
        if (withKey)
            windows->security().identity = makeIdentity(pseudo);
    }
    QByteArray fingerprint() const { return windows->security().identity->fingerprint(); }
    // Calls `pseudo` at `address`, as a click on a connected contact's row does.
    void call(const QString &pseudo, const QString &address)
    {
        auto *item = new QTreeWidgetItem(&list, QStringList{pseudo, {}, {}, {}, address});
        contactrow::setOnline(item, true);
        windows->callFromRow(CallSource::Favoris, item);
    }
    FrmConversation *window(int index) { return windows->conversation(index); }
    PeerSecurity &security() { return windows->security(); }

    ClientState state;
    RecordingPlatform desktop;
    Platform platform = desktop.platform();
    QTreeWidget list;
    std::unique_ptr<ConversationWindows> windows;
};

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

class TestEncryptedCalls : public QObject
{
    Q_OBJECT

    std::unique_ptr<Desk> alice, bob;

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
    bool heard(Desk &by, const QString &text)
    {
        return QTest::qWaitFor([&] { return by.window(1)->conversationBox()->toPlainText().contains(text); });
    }

private slots:
    void init()
    {
        alice = std::make_unique<Desk>(u"alice"_s, u"127.0.7.2"_s);
        bob = std::make_unique<Desk>(u"bob"_s, u"127.0.7.3"_s);
        QVERIFY(alice->windows->start());
        QVERIFY(bob->windows->start());
    }
    void cleanup()
    {
        alice.reset();
        bob.reset();
    }

    // Both keys published: the call is TLS end to end, each side sees the other's key, and what
    // passes in between is TLS records and nothing readable. The key proves alice's pseudo even
    // though her call comes from the proxy's address.
    void membersWithPublishedKeysTalkEncrypted()
    {
        alice->security().published.insert(u"bob"_s, bob->fingerprint());
        bob->security().published.insert(u"alice"_s, alice->fingerprint());
        Proxy proxy(u"127.0.7.9"_s, u"127.0.7.3"_s);
        alice->call(u"bob"_s, u"127.0.7.9"_s);
        answer();
        QCOMPARE(bob->window(1)->incomingForm().caller(), u"alice"_s);
        QCOMPARE(bob->window(1)->callerMark(), CallerMark::Verified);
        say(*alice, u"Bonjour Bob, c'est privé"_s);
        QVERIFY(heard(*bob, u"c'est privé"_s));
        say(*bob, u"Reçu, Alice"_s);
        QVERIFY(heard(*alice, u"Reçu, Alice"_s));

        for (Desk *desk : {alice.get(), bob.get()}) {
            PeerLink &link = desk->window(1)->link();
            QVERIFY(link.isEncrypted());
            QCOMPARE(link.peerFingerprint(), (desk == alice.get() ? bob : alice)->fingerprint());
            QCOMPARE(desk->window(1)->encryptionButton()->text(), u"🔒 Chiffrée"_s);
            const Notice shown = desk->window(1)->fingerprintsNotice();
            QVERIFY(shown.text.contains(QString::fromLatin1(alice->fingerprint().left(4))));
            QVERIFY(shown.text.contains(QString::fromLatin1(bob->fingerprint().right(4))));
            // Nothing about the encryption reaches the transcript.
            QVERIFY(!desk->window(1)->conversationBox()->toPlainText().contains(u"chiffr"_s));
        }
        for (const QByteArray &seen : {proxy.up, proxy.down}) {
            QVERIFY(seen.startsWith("\x16\x03"));
            for (const char *clear : {"{\\rtf", "alice", "bob", "CONVERSATIONREQUESTED", "THISISTHEENDOFTHEPACKET",
                                      "NOPROBLEMYACCEPTTOURCALL", "Bonjour", "priv"})
                QVERIFY2(!seen.contains(clear), clear);
        }
        // The caller remembers the key it has now seen.
        QCOMPARE(alice->security().known.seen(u"bob"_s), bob->fingerprint());
    }

    // A key other than the one seen before is shown, on both sides; never taken silently.
    void aChangedKeyIsShown()
    {
        const QByteArray old = makeIdentity(u"old"_s)->fingerprint();
        // Bob has seen another key of alice's; no directory entry for her.
        bob->security().known.remember(u"alice"_s, old);
        // Alice has seen another key of bob's; the directory vouches for his new one.
        alice->security().known.remember(u"bob"_s, old);
        alice->security().published.insert(u"bob"_s, bob->fingerprint());
        alice->call(u"bob"_s, u"127.0.7.3"_s);
        QVERIFY(QTest::qWaitFor([&] { return bob->window(1)->incomingForm().isVisible(); }));
        QCOMPARE(alice->desktop.notifier.shown.value(0), keyChangedNotice(u"bob"_s));
        QCOMPARE(bob->window(1)->incomingForm().caller(), u"alice (clé changée)"_s);
        // Until bob answers, the old key is the one he knows.
        QCOMPARE(bob->security().known.seen(u"alice"_s), old);
        answer();
        QCOMPARE(bob->window(1)->windowTitle(), u"alice (clé changée)-Conversation"_s);
        QCOMPARE(bob->security().known.seen(u"alice"_s), alice->fingerprint());
        QCOMPARE(alice->security().known.seen(u"bob"_s), bob->fingerprint());
    }

    // Whoever answers with a key the directory does not publish for the member hears no call
    // request; the caller is told and the call ends.
    void anotherKeyThanTheDirectorysEndsTheCall()
    {
        alice->security().published.insert(u"bob"_s, makeIdentity(u"bob"_s)->fingerprint());
        alice->call(u"bob"_s, u"127.0.7.3"_s);
        QVERIFY(QTest::qWaitFor([&] { return !alice->desktop.notifier.shown.isEmpty(); }));
        QCOMPARE(alice->desktop.notifier.shown.value(0), keyContradictedNotice(u"bob"_s));
        QVERIFY(QTest::qWaitFor([&] { return alice->window(1) == nullptr; }));
        QTest::qWait(50);
        QVERIFY(!bob->window(1)->incomingForm().isVisible());
        QVERIFY(!alice->security().known.seen(u"bob"_s));
    }

    // A legacy client (no key, plain call request) still talks to a client that has one; a
    // member without a published key is called plain too.
    void plainCallsStillWork_data()
    {
        QTest::addColumn<bool>("callerHasKey");
        QTest::newRow("legacy caller") << false;
        QTest::newRow("callee without a published key") << true;
    }
    void plainCallsStillWork()
    {
        QFETCH(bool, callerHasKey);
        if (!callerHasKey) {
            alice = std::make_unique<Desk>(u"alice"_s, u"127.0.7.4"_s, false);
            QVERIFY(alice->windows->start());
        }
        Proxy proxy(u"127.0.7.9"_s, u"127.0.7.3"_s);
        alice->call(u"bob"_s, u"127.0.7.9"_s);
        answer();
        say(*alice, u"en clair"_s);
        QVERIFY(heard(*bob, u"en clair"_s));
        QVERIFY(proxy.up.startsWith("CONVERSATIONREQUESTED:alice"));
        QVERIFY(!bob->window(1)->link().isEncrypted());
        QCOMPARE(bob->window(1)->encryptionButton()->text(), u"Non chiffrée"_s);
        QVERIFY(bob->desktop.notifier.shown.isEmpty());
    }

    // A caller in TLS whose pseudo nobody vouches for (no published key, not at the address the
    // server reports) rings marked, and its key is not kept under that name.
    void anUnvouchedKeyIsNotKept()
    {
        auto mallory = std::make_unique<Desk>(u"alice"_s, u"127.0.7.6"_s);
        QVERIFY(mallory->windows->start());
        mallory->security().published.insert(u"bob"_s, bob->fingerprint());
        mallory->call(u"bob"_s, u"127.0.7.3"_s);
        QVERIFY(QTest::qWaitFor([&] { return bob->window(1)->incomingForm().isVisible(); }));
        QVERIFY(bob->window(1)->link().isEncrypted());
        QCOMPARE(bob->window(1)->incomingForm().caller(), u"alice (non vérifié)"_s);
        QVERIFY(!bob->security().known.seen(u"alice"_s));
    }

    // The keys seen outlive the run, in a file only the user reads; a damaged line is skipped.
    void knownKeysAreKept()
    {
        QTemporaryDir dir;
        const QString file = knownKeysFile(dir.path());
        const QByteArray key = alice->fingerprint();
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

QTEST_MAIN(TestEncryptedCalls)
#include "test_encryptedcalls.moc"
