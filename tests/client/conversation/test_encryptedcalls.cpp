#include "client/conversation/peernotices.h"
#include "client/security/knownkeys.h"
#include "tests/client/conversation/desk.h"

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

namespace {

// A desk with a key of its own.
std::unique_ptr<Desk> keyed(const QString &pseudo, const QString &address, bool withKey = true)
{
    auto desk = std::make_unique<Desk>(pseudo, address);
    if (withKey)
        desk->windows->security().identity = makeIdentity(pseudo);
    return desk;
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
        alice = keyed(u"alice"_s, u"127.0.7.2"_s);
        bob = keyed(u"bob"_s, u"127.0.7.3"_s);
        QVERIFY(alice->windows->start());
        QVERIFY(bob->windows->start());
    }
    void cleanup()
    {
        alice.reset();
        bob.reset();
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
            alice = keyed(u"alice"_s, u"127.0.7.4"_s, false);
            QVERIFY(alice->windows->start());
        } else if (published) {
            alice->windows->security().published.insert(u"bob"_s, fingerprint(*bob));
            bob->windows->security().published.insert(u"alice"_s, fingerprint(*alice));
        }
        Proxy proxy(u"127.0.7.9"_s, u"127.0.7.3"_s);
        alice->call(u"bob"_s, u"127.0.7.9"_s);
        answer();
        QCOMPARE(bob->window(1)->incomingForm().caller(), encrypted ? u"alice"_s : u"alice (non vérifié)"_s);
        say(*alice, u"Bonjour Bob, c'est privé"_s);
        QVERIFY(heard(*bob, u"c'est privé"_s));
        say(*bob, u"Reçu, Alice"_s);
        QVERIFY(heard(*alice, u"Reçu, Alice"_s));
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
        alice->call(u"bob"_s, u"127.0.7.3"_s);
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
        alice->call(u"bob"_s, u"127.0.7.3"_s);
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
        auto mallory = keyed(u"alice"_s, u"127.0.7.6"_s);
        QVERIFY(mallory->windows->start());
        mallory->windows->security().published.insert(u"bob"_s, fingerprint(*bob));
        mallory->call(u"bob"_s, u"127.0.7.3"_s);
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

QTEST_MAIN(TestEncryptedCalls)
#include "test_encryptedcalls.moc"
