#include "client/conversation/peerframer.h"
#include "client/conversation/peerpackets.h"
#include "client/conversation/rtffragments.h"
#include "client/server/wiretext.h"

#include <QTest>
#include <optional>
#include <tuple>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(LinkSide)
Q_DECLARE_METATYPE(PacketKind)

class TestPeerPackets : public QObject
{
    Q_OBJECT

private slots:
    void reassemble_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QList<QByteArray>>("packets");
        QTest::addColumn<int>("dropped");
        QTest::addColumn<qsizetype>("pending");
        using L = QList<QByteArray>;
        QTest::newRow("one byte at a time")
            << L{"a", "bT", "H", "ISISTHEENDOFTHEPACKE", "T", "c"} << L{"ab"} << 0 << qsizetype(1);
        QTest::newRow("a marker alone is an empty packet")
            << L{"THISISTHEENDOFTHEPACKET"} << L{""} << 0 << qsizetype(0);
        // The limit in these rows is 8 bytes of payload.
        QTest::newRow("a packet right at the limit")
            << L{"12345678THISISTHEENDOFTHEPACKET"} << L{"12345678"} << 0 << qsizetype(0);
        QTest::newRow("oversized over many pieces, marker split")
            << L{QByteArray(40, 'x'), QByteArray(100, 'y') + "THISISTHE",
                 "ENDOFTHEPACKETnextTHISISTHEENDOFTHEPACKET"}
            << L{"next"} << 1 << qsizetype(0);
    }

    void reassemble()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QList<QByteArray>, packets);
        QFETCH(int, dropped);
        QFETCH(qsizetype, pending);
        PacketReassembler reassembler(8);
        QList<QByteArray> got;
        int droppedCount = 0;
        for (const QByteArray &piece : pieces) {
            const auto result = reassembler.feed(piece);
            got += result.packets;
            droppedCount += result.dropped;
        }
        QCOMPARE(std::tuple(got, droppedCount, reassembler.pending()), std::tuple(packets, dropped, pending));
    }

    void parse_data()
    {
        QTest::addColumn<QString>("payload");
        QTest::addColumn<LinkSide>("side");
        QTest::addColumn<PacketKind>("kind");
        QTest::addColumn<QString>("pseudo");
        QTest::addColumn<int>("sound");
        QTest::addColumn<QString>("content");
        using K = PacketKind;
        const auto C = LinkSide::Caller, E = LinkSide::Callee;
        // An entry shows its whole payload unless the row says what it shows.
        const auto row = [](const char *name, const QString &payload, LinkSide side, PacketKind kind,
                            const QString &pseudo = {}, int sound = -1, std::optional<QString> content = {}) {
            QTest::newRow(name) << payload << side << kind << pseudo << sound
                                << content.value_or(kind == K::Entry ? payload : QString());
        };
        const QString notice = rtffragments::soundNotice;
        row("call request", u"CONVERSATIONREQUESTED:alice"_s, E, K::CallRequest, u"alice"_s);
        row("call request, no pseudo", u"CONVERSATIONREQUESTED:"_s, E, K::Malformed);
        row("call request, pseudo too long", u"CONVERSATIONREQUESTED:abcdefghijklmnopq"_s, E, K::Malformed);
        row("call request reaching a caller is shown", u"CONVERSATIONREQUESTED:alice"_s, C, K::Entry);
        row("call request words inside a message", u"{\\rtf1 CONVERSATIONREQUESTED:bob}"_s, E, K::Entry);
        row("accept", u"NOPROBLEMYACCEPTTOURCALL"_s, C, K::Accept);
        row("refusal", u"SORRYIREFUSEYOURCALL"_s, C, K::Refusal);
        row("refusal words inside a message do not end the call", u"{\\rtf1 SORRYIREFUSEYOURCALL\\par }"_s, C,
            K::Entry);
        row("sound", u"!PLAYTHESINGESOUND|"_s + notice, C, K::Entry, {}, 13, notice);
        row("sound command inside a message stays text", u"{\\rtf1 !PLAYTHEGUNSOUND|}"_s, E, K::Entry);
        row("a second command after the first stays text", u"!PLAYTHEGUNSOUND|!PLAYTHELOUPSOUND|"_s, E,
            K::Entry, {}, 0, u"!PLAYTHELOUPSOUND|"_s);
    }

    void parse()
    {
        QFETCH(QString, payload);
        QFETCH(LinkSide, side);
        QFETCH(PacketKind, kind);
        QFETCH(QString, pseudo);
        QFETCH(int, sound);
        QFETCH(QString, content);
        const PeerPacket p = parsePacket(payload, side);
        QCOMPARE(std::tuple(p.kind, p.pseudo, p.sound, p.content), std::tuple(kind, pseudo, sound, content));
    }

    // Each of the 18 effects goes out and comes back as itself, its notice intact; there is no 19th.
    void everySoundCommand()
    {
        QVERIFY(soundPacket(-1).isEmpty() && soundPacket(18).isEmpty());
        for (int i = 0; i < 18; ++i) {
            const auto cut = PacketReassembler().feed(soundPacket(i));
            const PeerPacket p = parsePacket(wiretext::fromWire(cut.packets.value(0)), LinkSide::Callee);
            QCOMPARE(std::tuple(cut.packets.size(), p.sound, p.content),
                     std::tuple(qsizetype(1), i, rtffragments::soundNotice));
        }
    }

    // What older peers receive byte for byte: the handshakes, and text in their code page.
    void wireBytes()
    {
        QCOMPARE(callRequestPacket(u"alice"_s), "CONVERSATIONREQUESTED:aliceTHISISTHEENDOFTHEPACKET");
        QCOMPARE(acceptPacket(), "NOPROBLEMYACCEPTTOURCALLTHISISTHEENDOFTHEPACKET");
        QCOMPARE(refusalPacket(), "SORRYIREFUSEYOURCALLTHISISTHEENDOFTHEPACKET");
        QCOMPARE(rtffragments::soundNotice.size(), 214);
        // Beyond the code page, \uN before the "?" they always showed.
        QCOMPARE(rtffragments::escapeText(u"a{b}\\cé€\u4e00"_s), u"a\\{b\\}\\\\c\\'e9\\'80\\u19968?"_s);
    }

    // Words the user typed that spell the marker neither cut the message nor change what it reads.
    void messageWithMarkerText_data()
    {
        QTest::addColumn<QString>("rtf");
        QTest::newRow("once") << u"{\\rtf1 say THISISTHEENDOFTHEPACKET now}"_s;
        QTest::newRow("sharing its T") << u"{\\rtf1 THISISTHEENDOFTHEPACKETHISISTHEENDOFTHEPACKET}"_s;
        QTest::newRow("at the end") << u"THISISTHEENDOFTHEPACKET"_s;
        QTest::newRow("ending on the marker short of its T") << u"{\\rtf1 x}THISISTHEENDOFTHEPACKE"_s;
    }

    void messageWithMarkerText()
    {
        QFETCH(QString, rtf);
        const auto cut = PacketReassembler().feed(messagePacket(rtf));
        QCOMPARE(cut.packets.size(), 1);
        QString shown = wiretext::fromWire(cut.packets[0]);
        QCOMPARE(shown.replace(u"\\'54"_s, u"T"_s).replace(u"\\'45"_s, u"E"_s), rtf);
    }
};

QTEST_APPLESS_MAIN(TestPeerPackets)
#include "test_peerpackets.moc"
