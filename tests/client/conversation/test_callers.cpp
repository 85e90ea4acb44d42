#include "client/conversation/callerverdict.h"
#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/membersightings.h"
#include "client/conversation/peerframer.h"
#include "client/conversation/peerlistener.h"
#include "client/conversation/peerpackets.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "tests/support/clientfixture.h"

#include <QTcpSocket>
#include <QTest>
#include <QTreeWidget>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CallerVerdict)

namespace {

// Alice's client on 127.0.6.2 with her two contact lists, no main window.
struct Callee
{
    Callee()
    {
        state.userLogin = u"alice"_s;
        state.localAddress = QHostAddress(u"127.0.6.2"_s);
        windows = std::make_unique<ConversationWindows>(state, platform);
        windows->setSightings(listSightings(&favoris, &listeNoire, &recherche));
    }
    void row(QTreeWidget &list, const QString &pseudo, bool online, const QString &address)
    {
        auto *item =
            new QTreeWidgetItem(&list, QStringList{pseudo, {}, {}, {}, online ? address : QString()});
        contactrow::setOnline(item, online);
    }
    FrmConversation *window(int index) { return windows->conversation(index); }

    ClientState state;
    RecordingPlatform desktop;
    Platform platform = desktop.platform();
    QTreeWidget favoris, listeNoire, recherche;
    std::unique_ptr<ConversationWindows> windows;
};

// A legacy caller: the bytes of a call request from an address of its own.
struct RawCaller
{
    explicit RawCaller(const QString &from) { socket.bind(QHostAddress(from), 0); }
    bool call(const QString &pseudo)
    {
        socket.connectToHost(QHostAddress(u"127.0.6.2"_s), peerPort);
        if (!socket.waitForConnected(5000))
            return false;
        socket.write(framePacket(("CONVERSATIONREQUESTED:" + pseudo).toLatin1()));
        return true;
    }
    QTcpSocket socket;
    QByteArray heard;
};

} // namespace

class TestCallers : public QObject
{
    Q_OBJECT

    std::unique_ptr<Callee> alice;

private slots:
    // The claim against the rows alone.
    void verdicts_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<bool>("online");
        QTest::addColumn<QString>("reported");
        QTest::addColumn<bool>("blackListed");
        QTest::addColumn<CallerVerdict>("verdict");
        QTest::newRow("online at that address") << u"127.0.0.5"_s << true << u"127.0.0.5"_s << false
                                                << CallerVerdict::Verified;
        QTest::newRow("seen through an IPv6 socket")
            << u"::ffff:127.0.0.5"_s << true << u" 127.0.0.5"_s << false << CallerVerdict::Verified;
        QTest::newRow("another address") << u"127.0.0.9"_s << true << u"127.0.0.5"_s << false
                                         << CallerVerdict::Unverified;
        QTest::newRow("offline, stale address") << u"127.0.0.5"_s << false << u"127.0.0.5"_s << false
                                                << CallerVerdict::Unverified;
        QTest::newRow("server's empty marker")
            << u"0.0.0.0"_s << true << u"0.0.0.0"_s << false << CallerVerdict::Unverified;
        QTest::newRow("no address on either side")
            << QString() << true << QString() << false << CallerVerdict::Unverified;
        QTest::newRow("black list, even at its address")
            << u"127.0.0.5"_s << true << u"127.0.0.5"_s << true << CallerVerdict::Refused;
        QTest::newRow("black list, offline") << u"127.0.0.9"_s << false << QString() << true
                                             << CallerVerdict::Refused;
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

    void init()
    {
        alice = std::make_unique<Callee>();
        QVERIFY(alice->windows->start());
        alice->row(alice->favoris, u"bob"_s, true, u"127.0.6.5"_s);
        alice->row(alice->listeNoire, u"eve"_s, true, u"127.0.6.7"_s);
        alice->row(alice->recherche, u"dave"_s, true, u"127.0.6.8"_s);
    }
    void cleanup() { alice.reset(); }

    // Who rings, and under which name.
    void rings_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("pseudo");
        QTest::addColumn<QString>("shown");
        QTest::newRow("legacy honest caller") << u"127.0.6.5"_s << u"bob"_s << u"bob"_s;
        QTest::newRow("found by a search") << u"127.0.6.8"_s << u"dave"_s << u"dave"_s;
        QTest::newRow("spoofed: bob from elsewhere")
            << u"127.0.6.9"_s << u"bob"_s << u"bob (non vérifié)"_s;
        QTest::newRow("unknown pseudo") << u"127.0.6.9"_s << u"zorglub"_s << u"zorglub (non vérifié)"_s;
    }
    void rings()
    {
        QFETCH(QString, from);
        QFETCH(QString, pseudo);
        QFETCH(QString, shown);
        RawCaller caller(from);
        QVERIFY(caller.call(pseudo));
        QVERIFY(QTest::qWaitFor([&] { return alice->window(1)->incomingForm().isVisible(); }));
        FrmConversation *window = alice->window(1);
        QCOMPARE(window->incomingForm().caller(), shown);
        QCOMPARE(window->callerVerified(), shown == pseudo);
        // Accepted, the conversation keeps the mark in its caption; the caller hears the accept.
        child<QPushButton>(&window->incomingForm(), u"cmdAcceptCall"_s)->click();
        QCOMPARE(window->windowTitle(), shown + u"-Conversation"_s);
        QVERIFY(QTest::qWaitFor([&] {
            caller.heard += caller.socket.readAll();
            return caller.heard.contains("NOPROBLEMYACCEPTTOURCALL");
        }));
        QVERIFY(alice->desktop.notifier.shown.isEmpty());
    }

    // A member of the black list hears the refusal and the link closes; nothing rings, nothing
    // is said, no window is used. Pretending to be that member from elsewhere gets no further.
    void blackListedIsRefusedSilently_data()
    {
        QTest::addColumn<QString>("from");
        QTest::newRow("from its address") << u"127.0.6.7"_s;
        QTest::newRow("from elsewhere") << u"127.0.6.9"_s;
    }
    void blackListedIsRefusedSilently()
    {
        QFETCH(QString, from);
        RawCaller caller(from);
        QVERIFY(caller.call(u"eve"_s));
        QVERIFY(QTest::qWaitFor([&] {
            caller.heard += caller.socket.readAll();
            return caller.socket.state() == QAbstractSocket::UnconnectedState;
        }));
        caller.heard += caller.socket.readAll();
        QCOMPARE(caller.heard, framePacket("SORRYIREFUSEYOURCALL"));
        QCOMPARE(alice->windows->conversationCount(), 1);
        QVERIFY(!alice->window(1)->incomingForm().isVisible());
        QVERIFY(alice->desktop.notifier.shown.isEmpty());
        QVERIFY(alice->desktop.sound.played.isEmpty());
    }
};

QTEST_MAIN(TestCallers)
#include "test_callers.moc"
