// STUN messages and the server's relay answers: known vectors from RFC 5769 (computed elsewhere),
// signed messages read back, and bytes that are cut short or lie about their length. That the type
// fields are TURN's own, the real relay proves (test_network_turn).
#include "client/network/relayreplies.h"
#include "client/network/stunmessage.h"

#include <QTest>

using namespace jaserelle::client;
using namespace jaserelle::client::stun;

namespace {

// RFC 5769 2.1: a request with USERNAME, MESSAGE-INTEGRITY and FINGERPRINT.
const QByteArray sampleRequest = QByteArray::fromHex(
    "000100582112a442b7e7a701bc34d686fa87dfae802200105354554e207465737420636c69656e74002400046e0001ff"
    "80290008932ff9b151263b36000600096576746a3a68367659202020000800149aeaa70cbfd8cb56781ef2b5b2d3f249"
    "c1b571a280280004e57a3bcf");
// RFC 5769 2.2: a success response with XOR-MAPPED-ADDRESS 192.0.2.1:32853.
const QByteArray sampleResponse = QByteArray::fromHex(
    "0101003c2112a442b7e7a701bc34d686fa87dfae8022000b7465737420766563746f7220002000080001a147e112a643"
    "000800142b91f599fd9e90c38c7489f92af9ba53f06be7d780280004c07d4c96");
const QByteArray sampleKey = "VOkJxbRl1RmTxUk/WvJxBt";

} // namespace

class TestStun : public QObject
{
    Q_OBJECT

private slots:
    void readsTheRfcSamples()
    {
        QCOMPARE(messageSize(sampleRequest), sampleRequest.size());
        const auto request = decode(sampleRequest);
        QVERIFY(request);
        QCOMPARE(request->type, Class::Request);
        QCOMPARE(request->transactionId.toHex(), QByteArray("b7e7a701bc34d686fa87dfae"));
        QCOMPARE(*request->find(attr::username), QByteArray("evtj:h6vY"));
        QVERIFY(integrityMatches(sampleRequest, sampleKey));
        QVERIFY(!integrityMatches(sampleRequest, "another key"));

        const auto response = decode(sampleResponse);
        QVERIFY(response);
        QCOMPARE(response->type, Class::Success);
        const auto mapped = readXorAddress(*response->find(attr::xorMappedAddress));
        QVERIFY(mapped);
        QCOMPARE(mapped->toString(), QStringLiteral("192.0.2.1:32853"));
        QVERIFY(integrityMatches(sampleResponse, sampleKey));
        // One flipped bit anywhere it covers and the integrity fails.
        for (qsizetype i = 0; i < sampleResponse.indexOf(QByteArray::fromHex("00080014")); ++i) {
            QByteArray bent = sampleResponse;
            bent[i] = static_cast<char>(bent[i] ^ 0x01);
            QVERIFY2(!integrityMatches(bent, sampleKey), qPrintable(QString::number(i)));
        }
    }

    void signedMessagesRoundTrip()
    {
        const QByteArray key =
            longTermKey(u"1796562000:alice"_qs, u"jaserelle"_qs, u"vWhIOGY1NnjgvnE8N1tpjCy4ip0="_qs);
        QCOMPARE(key.size(), 16);
        Message m{Method::Connect, Class::Request, newTransactionId(), {}};
        const Endpoint peer{0x7F000032, 49200};
        m.add(attr::xorPeerAddress, xorAddress(peer));
        m.add(attr::username, "odd-length"); // padded to four
        const QByteArray bytes = encode(m, key);
        QCOMPARE(bytes.size() % 4, 0);
        QVERIFY(integrityMatches(bytes, key));
        const auto back = decode(bytes);
        QVERIFY(back);
        QCOMPARE(back->transactionId, m.transactionId);
        QCOMPARE(readXorAddress(*back->find(attr::xorPeerAddress)), std::optional<Endpoint>(peer));
        QCOMPARE(*back->find(attr::username), QByteArray("odd-length"));
        // Unsigned, there is nothing to match.
        QVERIFY(!integrityMatches(encode(m), key));
    }

    void framingAndTruncationNeverReadPastTheEnd()
    {
        QCOMPARE(messageSize(sampleResponse.first(19)), 0);
        QCOMPARE(messageSize(sampleResponse.first(20)), sampleResponse.size());
        QCOMPARE(messageSize(QByteArray(20, '\xff')), -1); // not STUN
        QByteArray badCookie = sampleResponse;
        badCookie[4] = 0;
        QCOMPARE(messageSize(badCookie), -1);
        QByteArray tooLong = sampleResponse;
        tooLong[2] = '\x7f';
        tooLong[3] = '\xfc';
        QCOMPARE(messageSize(tooLong), -1);
        QByteArray oddLength = sampleResponse;
        oddLength[3] = '\x3d';
        QCOMPARE(messageSize(oddLength), -1);
        // Every shorter prefix, and the message with a tail, is not one message.
        for (qsizetype n = 0; n < sampleRequest.size(); ++n)
            QVERIFY(!decode(sampleRequest.first(n)));
        QVERIFY(!decode(sampleRequest + QByteArray(4, '\0')));
        // An attribute that claims more than the message holds.
        QByteArray liar = sampleResponse;
        liar[0x26] = '\x40'; // the XOR-MAPPED-ADDRESS length
        QVERIFY(!decode(liar));
        QVERIFY(!integrityMatches(liar, sampleKey));
        QVERIFY(!readXorAddress(QByteArray::fromHex("0002a147e112a643"))); // IPv6 family
        QVERIFY(!readXorAddress(QByteArray::fromHex("0001a147")));
        QVERIFY(!readErrorCode(QByteArray::fromHex("000001")));
        QCOMPARE(readErrorCode(QByteArray::fromHex("000004014e6f")).value().code, 401);
        QVERIFY(!readErrorCode(QByteArray::fromHex("00000764"))); // 7xx is no error class
    }

    void endpointsAreDottedAddressAndPort()
    {
        QCOMPARE(Endpoint::parse(u"127.0.0.50:3478").value().toString(), QStringLiteral("127.0.0.50:3478"));
        QCOMPARE(Endpoint::parse(u"10.1.2.3", 3478).value().port, 3478);
        for (const char *bad : {"", "1.2.3", "1.2.3.4.5", "1.2.3.256:1", "1.2.3.4:0", "1.2.3.4:65536",
                                "01.2.3.4:1", "a.b.c.d:1", "1.2.3.4:", "1.2.3.4:+5", "1.2.3.4: 5", "1.2.3.4"})
            QVERIFY2(!Endpoint::parse(QString::fromLatin1(bad)), bad);
    }

    void readsTheServersRelayAnswers()
    {
        const auto c = relayreplies::parseCredentials(
            "HTTP/1.1 200 OK\r\n\r\nRELAYCREDENTIALS1796562000:alice,vWhI+/=,127.0.0.50,3478,3600|");
        QVERIFY(c);
        QCOMPARE(c->username, QStringLiteral("1796562000:alice"));
        QCOMPARE(c->password, QStringLiteral("vWhI+/="));
        QCOMPARE(c->host, QStringLiteral("127.0.0.50"));
        QCOMPARE(c->port, 3478);
        QCOMPARE(c->seconds, 3600);
        for (const char *bad : {"RELAYCREDENTIALSa,b,h,3478,3600", "RELAYCREDENTIALSa,b,h,0,3600|",
                                "RELAYCREDENTIALSa,b,h,70000,3600|", "RELAYCREDENTIALSa,b,h,3478,-1|",
                                "RELAYCREDENTIALSa,,h,3478,5|", "RELAYCREDENTIALSa,b,h,3478|", "nothing"})
            QVERIFY2(!relayreplies::parseCredentials(bad), bad);
        QCOMPARE(relayreplies::parseLookup("RELAYEDAT127.0.0.50:50000|").value().toString(),
                 QStringLiteral("127.0.0.50:50000"));
        QVERIFY(!relayreplies::parseLookup("NOTRELAYED"));
        QVERIFY(!relayreplies::parseLookup("RELAYEDAT127.0.0.50|"));
        QVERIFY(!relayreplies::parseLookup("RELAYEDAT127.0.0.50:50000"));
        // What goes to the server is the session's pseudo and password, coded for a query.
        QCOMPARE(relayreplies::lookupPath(u"alice"_qs, u"p&w"_qs, u"bruno"_qs),
                 QByteArray("/relaylookup?login=alice&password=p%26w&pseudo=bruno"));
    }
};

QTEST_GUILESS_MAIN(TestStun)
#include "test_stun.moc"
