// STUN messages (RFC 5769 vectors) and the server's relay and probe answers, whole, cut short or
// lying about their length. Our signed messages are read by the real relay (test_network_turn).
#include "client/network/doorstate.h"
#include "client/network/relayreplies.h"
#include "client/network/stunmessage.h"

#include <QTest>

using namespace jaserelle::client;
using namespace jaserelle::client::stun;

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

class TestStun : public QObject
{
    Q_OBJECT

private slots:
    void readsTheRfcSamples()
    {
        QCOMPARE(messageSize(sampleRequest), sampleRequest.size());
        const auto request = decode(sampleRequest);
        QVERIFY(request && request->type == Class::Request);
        QCOMPARE(request->transactionId.toHex(), QByteArray("b7e7a701bc34d686fa87dfae"));
        QCOMPARE(*request->find(attr::username), QByteArray("evtj:h6vY"));
        QVERIFY(integrityMatches(sampleRequest, sampleKey) &&
                !integrityMatches(sampleRequest, "another key"));

        const auto response = decode(sampleResponse);
        QVERIFY(response && response->type == Class::Success && integrityMatches(sampleResponse, sampleKey));
        QCOMPARE(readXorAddress(*response->find(attr::xorMappedAddress)).value().toString(),
                 QStringLiteral("192.0.2.1:32853"));
        // One flipped bit anywhere it covers and the integrity fails.
        for (qsizetype i = 0; i < sampleResponse.indexOf(QByteArray::fromHex("00080014")); ++i) {
            QByteArray bent = sampleResponse;
            bent[i] = char(bent[i] ^ 1);
            QVERIFY2(!integrityMatches(bent, sampleKey), qPrintable(QString::number(i)));
        }
    }

    void framingAndTruncationNeverReadPastTheEnd()
    {
        QCOMPARE(messageSize(sampleResponse.first(19)), 0);
        QCOMPARE(messageSize(sampleResponse.first(20)), sampleResponse.size());
        QCOMPARE(messageSize(QByteArray(20, '\xff')), -1); // not STUN
        // A broken cookie, a length past the most a message holds, a length not a multiple of four.
        for (const auto &[at, bytes] :
             {std::pair{4, QByteArray(1, '\0')}, {2, QByteArray("\x7f\xfc")}, {3, QByteArray("\x3d")}})
            QCOMPARE(messageSize(QByteArray(sampleResponse).replace(at, bytes.size(), bytes)), -1);
        // Every shorter prefix, and the message with a tail, is not one message.
        for (qsizetype n = 0; n < sampleRequest.size(); ++n)
            QVERIFY(!decode(sampleRequest.first(n)));
        QVERIFY(!decode(sampleRequest + QByteArray(4, '\0')));
        // An attribute that claims more than the message holds.
        QByteArray liar = sampleResponse;
        liar[0x26] = '\x40'; // the XOR-MAPPED-ADDRESS length
        QVERIFY(!decode(liar) && !integrityMatches(liar, sampleKey));
        // An IPv6 family, a short address, a short error, a 7xx that is no error class.
        QVERIFY(!readXorAddress(QByteArray::fromHex("0002a147e112a643")) &&
                !readXorAddress(QByteArray::fromHex("0001a147")));
        QVERIFY(!readErrorCode(QByteArray::fromHex("000001")) &&
                !readErrorCode(QByteArray::fromHex("00000764")));
        QCOMPARE(readErrorCode(QByteArray::fromHex("000004014e6f")).value().code, 401);
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
        QCOMPARE(
            (QStringList{c->username, c->password, c->host, QString::number(c->port),
                         QString::number(c->seconds)}),
            (QStringList{u"1796562000:alice"_qs, u"vWhI+/="_qs, u"127.0.0.50"_qs, u"3478"_qs, u"3600"_qs}));
        for (const char *bad : {"RELAYCREDENTIALSa,b,h,3478,3600", "RELAYCREDENTIALSa,b,h,0,3600|",
                                "RELAYCREDENTIALSa,b,h,70000,3600|", "RELAYCREDENTIALSa,b,h,3478,-1|",
                                "RELAYCREDENTIALSa,,h,3478,5|", "RELAYCREDENTIALSa,b,h,3478|", "nothing"})
            QVERIFY2(!relayreplies::parseCredentials(bad), bad);
        QCOMPARE(relayreplies::parseLookup("RELAYEDAT127.0.0.50:50000|").value().toString(),
                 QStringLiteral("127.0.0.50:50000"));
        for (const char *bad : {"NOTRELAYED", "RELAYEDAT127.0.0.50|", "RELAYEDAT127.0.0.50:50000"})
            QVERIFY2(!relayreplies::parseLookup(bad), bad);
        // What goes to the server is the session's pseudo and password, coded for a query.
        QCOMPARE(relayreplies::lookupPath(u"alice"_qs, u"p&w"_qs, u"bruno"_qs),
                 QByteArray("/relaylookup?login=alice&password=p%26w&pseudo=bruno"));
    }

    void replies()
    {
        const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 17\r\n\r\n";
        const std::pair<QByteArray, ProbeAnswer> rows[] = {
            {ok + "PEERPORTREACHABLE", ProbeAnswer::Reachable},
            {ok + "PEERPORTUNREACHABLE", ProbeAnswer::Unreachable},
            {ok + "PEERPORTUNKNOWN", ProbeAnswer::Unknown},
            {"HTTP/1.1 404 Not Found\r\n\r\nx", ProbeAnswer::NotOffered}, // a server from before the probe
            {"HTTP/1.1 403 Forbidden\r\n\r\nPEERPORTREACHABLE", ProbeAnswer::Unknown},
            {"HTTP/1.1 200 OK\r\nContent-", ProbeAnswer::Unknown},
            {{}, ProbeAnswer::Unknown},
        };
        for (const auto &[reply, answer] : rows)
            QVERIFY2(parseProbeReply(reply) == answer, reply.constData());
    }

    void publicAddresses()
    {
        for (const char *a : {"11.22.33.44", "8.8.8.8", "100.128.0.1", "192.169.0.1"})
            QVERIFY2(isPublicIpv4(QString::fromLatin1(a)), a);
        for (const char *a : {"192.168.1.1", "10.1.2.3", "100.64.0.1", "172.31.255.255", "127.0.0.1",
                              "203.0.113.7", "169.254.1.1", "224.0.0.1", "1.2.3", "1.2.3.400", ""})
            QVERIFY2(!isPublicIpv4(QString::fromLatin1(a)), a);
    }
};

QTEST_GUILESS_MAIN(TestStun)
#include "test_stun.moc"
