#include "client/conversation/peerstart.h"
#include "client/security/identity.h"
#include "client/security/keylistreply.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

namespace {
const QString ok = u"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n"_s;
const QString keyA = QString(64, u'a');
const QString keyB = u"0123456789abcdef"_s.repeated(4);
} // namespace

class TestKeys : public QObject
{
    Q_OBJECT

private slots:
    // Made once, private to the user, never shared; a damaged file is refused and left as it was.
    void identityMadeOnceThenKept()
    {
        QTemporaryDir home;
        const QString folder = home.filePath(u"config/jaserelle"_s);
        const auto first = loadOrCreateIdentity(folder);
        QVERIFY(first && !first->key.isNull() && first->key.algorithm() == QSsl::Ec);
        QCOMPARE((QFile::permissions(identityFile(folder)) & 0x77).toInt(), 0); // nothing for group or others
        const auto again = loadOrCreateIdentity(folder);
        QVERIFY(again && again->key.toPem() == first->key.toPem());
        QVERIFY(makeIdentity()->fingerprint() != first->fingerprint());

        QFile file(identityFile(home.path()));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a key\n") == 10);
        file.close();
        QString error;
        QVERIFY(!loadOrCreateIdentity(home.path(), &error));
        QVERIFY(error.contains(u"identity.pem"_s));
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == "not a key\n");
    }

    // The pseudos kept, in order: malformed entries skipped, however long the list a bounded number.
    void keyDirectory()
    {
        using S = KeyListReply::Status;
        const std::tuple<QString, S, QString> rows[] = {
            {u"bob alice"_s, S::Listed,
             ok + u"KEYLIST|bob,"_s + keyA + u"|alice,"_s + keyB + u"|ENDKEYLIST|"_s},
            {u""_s, S::Listed, ok + u"KEYLIST|ENDKEYLIST|"_s},
            {u"dave"_s, S::Listed,
             ok + u"KEYLIST|nocomma|b ob,"_s + keyA + u"|eve,"_s + keyA.left(63) + u"|mallory,"_s +
                 keyA.toUpper() + u"|carol,"_s + keyB + u",extra|,|dave,"_s + keyB + u"|ENDKEYLIST|"_s},
            {u""_s, S::Unreadable, ok + u"KEYLIST|bob,"_s + keyA + u"|"_s}, // cut short before its end
            {u""_s, S::Unreadable, ok + u"ENDKEYLIST|"_s},
            {u""_s, S::NoDirectory, u"HTTP/1.1 404 Not Found\r\nConnection: close\r\n\r\nIntrouvable"_s},
            {u""_s, S::Unreadable, ok + u"HTTP/1.1 404"_s}, // a 404 in the body is no 404
            {u""_s, S::Unreadable, u"HTTP/1.1 403 Forbidden\r\n\r\nAccès refusé"_s},
            {u""_s, S::Unreadable, QString()},
        };
        for (const auto &[pseudos, status, reply] : rows) {
            const KeyListReply parsed = parseKeyListReply(reply);
            QStringList got;
            for (const PublishedKey &key : parsed.keys)
                got.append(isFingerprint(key.fingerprint) ? key.pseudo : u"?"_s);
            QCOMPARE(got.join(u' '), pseudos);
            QCOMPARE(parsed.status, status);
        }
        QCOMPARE(parseKeyListReply(std::get<2>(rows[0])).keys.front().fingerprint, keyA.toLatin1());
        QString flood = ok + u"KEYLIST|"_s;
        for (int i = 0; i < 3000; ++i)
            flood += u"m%1,"_s.arg(i) + keyA + u'|';
        QCOMPARE(parseKeyListReply(flood + u"ENDKEYLIST|"_s).keys.size(), KeyListReply::maxKeys);

        QCOMPARE(lookupKeysPath(u"alice"_s, u"pw"_s, {u"bob"_s, u"x,y"_s, u"bob"_s, u"carol"_s}),
                 u"keys/lookup?login=alice&password=pw&members=bob,carol"_s);
        QCOMPARE(publishKeyPath(u"alice"_s, u"pw"_s, keyA.toLatin1()),
                 u"keys/publish?login=alice&password=pw&fingerprint="_s + keyA);
        QCOMPARE(publishKeyPath(u"alice"_s, u"pw"_s, "&login=bob"),
                 u"keys/publish?login=alice&password=pw&fingerprint="_s);
    }

    void peerStart()
    {
        for (const QByteArray &head : {QByteArray(), QByteArray("\x16")})
            QCOMPARE(classifyPeerStart(head), PeerStart::Undecided);
        QCOMPARE(classifyPeerStart(QByteArray("\x16\x03\x01\x02\x00", 5)), PeerStart::Tls); // a ClientHello
        for (const QByteArray &head : {QByteArray("CONVERSATIONREQUESTED:bob"), QByteArray("C"),
                                       QByteArray("\x16\x02"), QByteArray("\x00\x03", 2)})
            QCOMPARE(classifyPeerStart(head), PeerStart::Legacy);
    }
};

QTEST_GUILESS_MAIN(TestKeys)
#include "test_keys.moc"
