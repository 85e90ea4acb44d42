#include "client/conversation/peerstart.h"
#include "client/security/identity.h"
#include "client/security/keylistreply.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(KeyListReply::Status)
Q_DECLARE_METATYPE(PeerStart)

namespace {
const QString ok = u"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n"_s;
const QString keyA = QString(64, u'a');
const QString keyB = u"0123456789abcdef"_s.repeated(4);
} // namespace

// This client's own key, the keys the server lists for others, and how a peer's first bytes tell TLS.
class TestKeys : public QObject
{
    Q_OBJECT

private slots:
    // Made once, private to the user, then read back; two clients never share a key. A damaged file
    // is refused and left as it was.
    void identityMadeOnceThenKept()
    {
        QTemporaryDir home;
        const QString folder = home.filePath(u"config/jaserelle"_s);
        const auto first = loadOrCreateIdentity(folder);
        QVERIFY(first && !first->key.isNull());
        QCOMPARE(first->key.algorithm(), QSsl::Ec);
        QCOMPARE(first->fingerprint().size(), 64);
        const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                            QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
        QCOMPARE(QFile::permissions(identityFile(folder)) & others, QFileDevice::Permissions());
        const auto again = loadOrCreateIdentity(folder);
        QVERIFY(again && again->key.toPem() == first->key.toPem());
        QVERIFY(makeIdentity()->fingerprint() != first->fingerprint());

        QFile file(identityFile(home.path()));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a key\n") == 10);
        file.close();
        QString error;
        QVERIFY(!loadOrCreateIdentity(home.path(), &error));
        QVERIFY(error.contains(u"identity.pem"_s));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("not a key\n"));
    }

    void parses_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<KeyListReply::Status>("status");
        QTest::addColumn<QStringList>("pseudos"); // the kept entries, in order
        using S = KeyListReply::Status;
        QTest::newRow("two keys") << ok + u"KEYLIST|bob,"_s + keyA + u"|alice,"_s + keyB + u"|ENDKEYLIST|"_s
                                  << S::Listed << QStringList{u"bob"_s, u"alice"_s};
        QTest::newRow("empty list") << ok + u"KEYLIST|ENDKEYLIST|"_s << S::Listed << QStringList{};
        QTest::newRow("bad entries skipped, good ones kept")
            << ok + u"KEYLIST|nocomma|b ob,"_s + keyA + u"|eve,"_s + keyA.left(63) + u"|mallory,"_s +
                   keyA.toUpper() + u"|carol,"_s + keyB + u",extra|,|dave,"_s + keyB + u"|ENDKEYLIST|"_s
            << S::Listed << QStringList{u"dave"_s};
        QTest::newRow("cut short before its end")
            << ok + u"KEYLIST|bob,"_s + keyA + u"|"_s << S::Unreadable << QStringList{};
        QTest::newRow("only the end tag") << ok + u"ENDKEYLIST|"_s << S::Unreadable << QStringList{};
        QTest::newRow("legacy server: 404")
            << u"HTTP/1.1 404 Not Found\r\nConnection: close\r\n\r\nIntrouvable"_s << S::NoDirectory
            << QStringList{};
        QTest::newRow("a 404 in the body is no 404")
            << ok + u"HTTP/1.1 404"_s << S::Unreadable << QStringList{};
        QTest::newRow("refused: session gone")
            << u"HTTP/1.1 403 Forbidden\r\n\r\nAccès refusé"_s << S::Unreadable << QStringList{};
        QTest::newRow("nothing") << QString() << S::Unreadable << QStringList{};
    }
    void parses()
    {
        QFETCH(QString, reply);
        QFETCH(KeyListReply::Status, status);
        QFETCH(QStringList, pseudos);
        const KeyListReply parsed = parseKeyListReply(reply);
        QCOMPARE(parsed.status, status);
        QStringList got;
        for (const PublishedKey &key : parsed.keys) {
            got.append(key.pseudo);
            QVERIFY(isFingerprint(key.fingerprint));
        }
        QCOMPARE(got, pseudos);
        if (!parsed.keys.empty() && parsed.keys.front().pseudo == u"bob"_s)
            QCOMPARE(parsed.keys.front().fingerprint, keyA.toLatin1());
    }

    // However long the list a server sends, the client keeps a bounded number of entries.
    void aFloodIsBounded()
    {
        QString reply = ok + u"KEYLIST|"_s;
        for (int i = 0; i < 3000; ++i)
            reply += u"m%1,"_s.arg(i) + keyA + u'|';
        reply += u"ENDKEYLIST|"_s;
        const KeyListReply parsed = parseKeyListReply(reply);
        QCOMPARE(parsed.status, KeyListReply::Status::Listed);
        QCOMPARE(parsed.keys.size(), KeyListReply::maxKeys);
    }

    // The request paths name only well-formed values.
    void paths()
    {
        QCOMPARE(lookupKeysPath(u"alice"_s, u"pw"_s, {u"bob"_s, u"x,y"_s, u"bob"_s, u"carol"_s}),
                 u"keys/lookup?login=alice&password=pw&members=bob,carol"_s);
        QCOMPARE(publishKeyPath(u"alice"_s, u"pw"_s, keyA.toLatin1()),
                 u"keys/publish?login=alice&password=pw&fingerprint="_s + keyA);
        QCOMPARE(publishKeyPath(u"alice"_s, u"pw"_s, "&login=bob"),
                 u"keys/publish?login=alice&password=pw&fingerprint="_s);
    }

    void peerStart_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<PeerStart>("start");
        QTest::newRow("nothing yet") << QByteArray() << PeerStart::Undecided;
        QTest::newRow("one handshake byte") << QByteArray("\x16") << PeerStart::Undecided;
        QTest::newRow("ClientHello") << QByteArray("\x16\x03\x01\x02\x00", 5) << PeerStart::Tls;
        QTest::newRow("call request") << QByteArray("CONVERSATIONREQUESTED:bob") << PeerStart::Legacy;
        QTest::newRow("one legacy byte") << QByteArray("C") << PeerStart::Legacy;
        QTest::newRow("0x16 then no TLS version") << QByteArray("\x16\x02") << PeerStart::Legacy;
        QTest::newRow("a NUL first") << QByteArray("\x00\x03", 2) << PeerStart::Legacy;
    }
    void peerStart()
    {
        QFETCH(QByteArray, head);
        QFETCH(PeerStart, start);
        QCOMPARE(classifyPeerStart(head), start);
    }
};

QTEST_GUILESS_MAIN(TestKeys)
#include "test_keys.moc"
