#include "client/conversation/boxpictures.h"
#include "client/conversation/callerverdict.h"
#include "client/conversation/conversation.h"
#include "client/conversation/conversationlink.h"
#include "client/conversation/conversationwindows.h"
#include "client/conversation/emojiruns.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/membersightings.h"
#include "client/conversation/messageexcerpt.h"
#include "client/conversation/messagenotifier.h"
#include "client/conversation/missedcalls.h"
#include "client/conversation/peerframer.h"
#include "client/conversation/peerlink.h"
#include "client/conversation/peerlistener.h"
#include "client/conversation/peernotices.h"
#include "client/conversation/peerpackets.h"
#include "client/conversation/rtffragments.h"
#include "client/conversation/rtfpictures.h"
#include "client/conversation/rtfreader.h"
#include "client/conversation/rtfwriter.h"
#include "client/conversation/unreadmessages.h"
#include "client/security/knownkeys.h"
#include "client/server/wiretext.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "client/tray/installtray.h"
#include "client/tray/trayicon.h"
#include "tests/support/assistivetech.h"
#include "tests/support/clientfixture.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDBusConnection>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QToolButton>
#include <QTreeWidget>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <memory>
#include <ranges>
#include <tuple>
#include <vector>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

namespace {

// A link with no socket behind it: what the conversation sends is kept, the test plays the peer.
class FakeLink : public ConversationLink
{
public:
    void callMember(const QString &pseudo, const QString &) override { begin(pseudo, State::AwaitingAnswer); }
    void sendAcceptCall() override { state_ = State::InConversation; }
    void setConnectNo() override { sent << u"refused"_s, end(); }
    void closeConversation() override { state_ = State::Ended; }
    bool sendMessage(const QString &rtf) override { return send(rtf); }
    bool sendSound(int index) override { return send(u"sound "_s + QString::number(index)); }
    State state() const override { return state_; }
    QString peerPseudo() const override { return pseudo_; }
    bool isEncrypted() const override { return false; }
    QByteArray peerFingerprint() const override { return {}; }

    // The peer accepts, calls, speaks, goes.
    void accept() { state_ = State::InConversation, callAccepted(); }
    void ring(const QString &pseudo) { begin(pseudo, State::Ringing), callRequested(pseudo); }
    void say(const QString &rtf) { emit entryReceived(rtf, -1); }
    void end() { state_ = State::Ended, finished(); }

    QStringList sent;

private:
    void begin(const QString &pseudo, State state) { pseudo_ = pseudo, state_ = state; }
    bool send(const QString &what) { return state_ == State::InConversation && (sent << what, true); }
    State state_ = State::Idle;
    QString pseudo_;
};

// Every call placed from `windows` goes out on a FakeLink, kept in `links`.
void placeOnFakes(ConversationWindows &windows, std::vector<FakeLink *> &links)
{
    windows.setLinkMaker([&links](Notifier &) {
        auto link = std::make_unique<FakeLink>();
        links.push_back(link.get());
        return link;
    });
}

// One client's conversations on its own loopback address, without a main window.
struct Desk
{
    Desk(const QString &pseudo, const QString &address)
    {
        state.userLogin = pseudo;
        state.soundEnabled = true;
        state.localAddress = QHostAddress(address);
        desktop.clock.now = QTime(9, 5, 42);
        windows = std::make_unique<ConversationWindows>(state, platform);
        windows->setSightings(listSightings(&favoris, &listeNoire, nullptr));
    }
    // A row of a member list as the contact refresh leaves it.
    QTreeWidgetItem *row(const QString &pseudo, const QString &address, bool online = true,
                         QTreeWidget *list = nullptr)
    {
        auto *item = new QTreeWidgetItem(list ? list : &favoris,
                                         QStringList{pseudo, {}, {}, {}, online ? address : QString()});
        contactrow::setOnline(item, online);
        return item;
    }
    void call(const QString &pseudo, const QString &address)
    {
        windows->callFromRow(CallSource::Favoris, row(pseudo, address));
    }
    // A call placed on a FakeLink, which the peer accepts.
    FakeLink *talk(const QString &pseudo)
    {
        placeOnFakes(*windows, links);
        call(pseudo, u"127.0.0.1"_s);
        links.back()->accept();
        return links.back();
    }
    FrmConversation *window(int index) { return windows->conversation(index); }
    QByteArray fingerprint() const { return windows->security().identity->fingerprint(); }
    // Conversations not discarded, the spare included.
    int alive() const
    {
        const auto range = std::views::iota(1, windows->conversationCount() + 1);
        return int(std::ranges::count_if(range, [this](int i) { return windows->conversation(i); }));
    }

    ClientState state;
    RecordingPlatform desktop;
    Platform platform = desktop.platform();
    QTreeWidget favoris, listeNoire;
    std::unique_ptr<ConversationWindows> windows;
    std::vector<FakeLink *> links;
};

// What a stranger does on the peer port: asks for a call as `pseudo` and keeps the line.
std::unique_ptr<QTcpSocket> callFrom(const QString &address, const QByteArray &pseudo,
                                     const QString &from = {})
{
    auto caller = std::make_unique<QTcpSocket>();
    if (!from.isEmpty())
        caller->bind(QHostAddress(from), 0);
    caller->connectToHost(QHostAddress(address), peerPort);
    caller->write(framePacket("CONVERSATIONREQUESTED:" + pseudo));
    return caller;
}

// What the socket heard until it closed, or `until` arrived.
QByteArray heard(QTcpSocket &socket, const QByteArray &until = {})
{
    QByteArray got;
    (void)QTest::qWaitFor([&] {
        got += socket.readAll();
        return until.isEmpty() ? socket.state() == QAbstractSocket::UnconnectedState : got.contains(until);
    });
    return got + socket.readAll();
}

class NotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Bubble
    {
        uint replaces;
        QString summary, body;
        int urgency;
        uint id;
    };
    QList<Bubble> bubbles;
    uint lastId = 40;

public slots:
    uint Notify(const QString &, uint replaces, const QString &, const QString &summary, const QString &body,
                const QStringList &, const QVariantMap &hints, int)
    {
        const uint id = replaces ? replaces : ++lastId;
        bubbles.append({replaces, summary, body, hints.value(u"urgency"_s).toInt(), id});
        return id;
    }
};

// The whole client as Bob runs it, talking with Alice on a FakeLink.
struct Talk
{
    Talk() : bob(u"127.0.0.1"_s, QHostAddress(u"127.0.6.2"_s))
    {
        bob.client->state().userLogin = u"bob"_s;
        placeOnFakes(windows(), links);
    }
    ConversationWindows &windows() { return bob.client->conversations(); }
    bool talk()
    {
        auto *row = new QTreeWidgetItem(&list, QStringList{u"alice"_s, {}, {}, {}, u"127.0.6.3"_s});
        contactrow::setOnline(row, true);
        windows().callFromRow(CallSource::Favoris, row);
        links.back()->accept();
        bob.main().show(); // Bob looks elsewhere
        return activate(&bob.main());
    }
    FrmConversation *window() { return windows().conversation(1); }
    bool aliceSays(const QString &text)
    {
        QTextDocument typed;
        typed.setPlainText(text);
        links.back()->say(rtfwriter::fromDocument(typed));
        return window()->conversationBox()->toPlainText().contains(text);
    }
    static bool activate(QWidget *window)
    {
        window->activateWindow();
        return QTest::qWaitForWindowActive(window);
    }
    // Counted by the conversations, and by the tray.
    std::pair<int, int> unread()
    {
        return {bob.client->unreadMessages().count(), bob.client->tray().icon().status().unreadMessages};
    }

    ClientDesk bob;
    QTreeWidget list;
    std::vector<FakeLink *> links;
};

// The deleted windows really go before anything is counted.
void flushDeletes()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete),
            QCoreApplication::processEvents();
}

// Sits between the two clients on a peer port of its own and keeps every byte that passes.
struct Proxy
{
    Proxy(const QString &address, const QString &target)
    {
        server.listen(QHostAddress(address), peerPort);
        QObject::connect(&server, &QTcpServer::newConnection, [this, target] {
            QTcpSocket *in = server.nextPendingConnection();
            auto *out = new QTcpSocket(in);
            out->connectToHost(QHostAddress(target), peerPort);
            pipe(in, out, up);
            pipe(out, in, down);
            QObject::connect(out, &QTcpSocket::connected, in, [in, out] { out->write(in->readAll()); });
        });
    }
    static void pipe(QTcpSocket *from, QTcpSocket *to, QByteArray &log)
    {
        QObject::connect(from, &QTcpSocket::readyRead, to, [from, to, &log] {
            log += from->peek(from->bytesAvailable());
            to->write(from->readAll());
        });
        QObject::connect(from, &QTcpSocket::disconnected, to, &QTcpSocket::disconnectFromHost);
    }
    QTcpServer server;
    QByteArray up, down;
};

// Contrast of relative luminances, as readability guidelines measure it (4.5 and up reads well).
double contrast(const QColor &a, const QColor &b)
{
    auto lum = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    auto l = [&](const QColor &c) {
        return 0.2126 * lum(c.redF()) + 0.7152 * lum(c.greenF()) + 0.0722 * lum(c.blueF());
    };
    return (std::max(l(a), l(b)) + 0.05) / (std::min(l(a), l(b)) + 0.05);
}

QTextCharFormat at(const QTextEdit *box, const QString &word)
{
    return box->document()->find(word).charFormat();
}

// The font a box gives the words at its caret, or at `word`.
QFont typed(const QTextEdit *box, const QString &word = {})
{
    const QTextCharFormat format = word.isEmpty() ? box->currentCharFormat() : at(box, word);
    return format.font().resolve(box->document()->defaultFont());
}

// What a tool of the send box sets in a font.
using Aspect = QVariant (*)(const QFont &);

QByteArray le(quint32 v, int bytes)
{
    v = qToLittleEndian(v);
    return QByteArray(reinterpret_cast<const char *>(&v), bytes);
}

// Every picture below is 2 by 2: red, green / blue, white (red, white / white, white in one bit).
QByteArray dib(int bpp, bool topDown = false, quint32 width = 2)
{
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255)};
    QByteArray out =
        le(40, 4) + le(width, 4) + le(topDown ? -2 : 2, 4) + le(1, 2) + le(bpp, 2) + QByteArray(24, '\0');
    for (int i = 0; bpp <= 8 && i < (1 << bpp); ++i) // blue, green, red, 0
        out += le(i < 4 ? colours[bpp == 1 ? 3 * i : i] & 0xFFFFFF : 0, 4);
    const auto pixel = [&](int i) -> quint32 {
        const QRgb c = colours[i];
        if (bpp <= 8)
            return bpp == 1 ? i > 0 : i;
        return bpp == 16 ? (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | qBlue(c) >> 3 : c & 0xFFFFFF;
    };
    for (int row = 0; row < 2; ++row) {
        const int y = topDown ? row : 1 - row;
        // Pixels narrower than a byte share one, the first in its high bits.
        QByteArray line = bpp < 8 ? le(pixel(2 * y) << (8 - bpp) | pixel(2 * y + 1) << (8 - 2 * bpp), 1)
                                  : le(pixel(2 * y), bpp / 8) + le(pixel(2 * y + 1), bpp / 8);
        out += line.leftJustified((line.size() + 3) / 4 * 4, '\0');
    }
    return out;
}

// A metafile with one bitmap record: `parameters` bytes before the bitmap.
QByteArray wmf(quint16 function, int parameters, const QByteArray &bitmap, bool placeable = false,
               quint32 lieWords = 0)
{
    const QByteArray record = le(function, 2) + QByteArray(parameters, '\0') + bitmap;
    QByteArray out = placeable ? le(0x9AC6CDD7u, 4) + QByteArray(18, '\0') : QByteArray();
    out += le(1, 2) + le(9, 2) + le(0x300, 2) + le(0, 4) + le(0, 2) + le(0, 4) + le(0, 2);
    return out + le(lieWords ? lieWords : (record.size() + 4) / 2, 4) + record + le(3, 4) + le(0, 2);
}

// An enhanced metafile drawing `bitmap` (its first `infoSize` bytes the BITMAPINFO) with one record.
QByteArray emf(quint32 type, const QByteArray &bitmap, int infoSize, quint32 lieOffset = 0)
{
    const int offsets = type == 81 ? 48 : 84;
    const int fixed = offsets + 16 + (type == 81 ? 16 : 0);
    QByteArray record = le(type, 4) + le(fixed + bitmap.size(), 4) + QByteArray(offsets - 8, '\0');
    record += le(lieOffset ? lieOffset : fixed, 4) + le(infoSize, 4) + le(fixed + infoSize, 4) +
              le(bitmap.size() - infoSize, 4);
    record += QByteArray(fixed - record.size(), '\0') + bitmap;
    return le(1, 4) + le(8, 4) + record + le(14, 4) + le(20, 4) + QByteArray(12, '\0');
}

QByteArray compressed(const char *format)
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).fillRect(0, 0, 8, 8, Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, format, 100);
    return bytes;
}

QString pict(const QString &words, const QByteArray &data)
{
    return u"{\\rtf1{\\pict"_s + words + u' ' + QString::fromLatin1(data.toHex()) + u"}}"_s;
}

// A conversation box after the entry was read into it.
std::unique_ptr<QTextDocument> read(const QString &rtf)
{
    auto document = std::make_unique<QTextDocument>();
    QTextCursor cursor(document.get());
    rtfreader::insert(cursor, rtf);
    return document;
}

// The pictures a document shows: how many, and the first at the size it is shown.
std::tuple<qsizetype, QImage, QSizeF> pictures(const QTextDocument &document)
{
    const QChar object = QChar::ObjectReplacementCharacter;
    const QTextImageFormat first = document.find(QString(object)).charFormat().toImageFormat();
    return {document.toPlainText().count(object),
            document.resource(QTextDocument::ImageResource, QUrl(first.name())).value<QImage>(),
            QSizeF(first.width(), first.height())};
}

bool near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) < 40 && qAbs(qGreen(a) - qGreen(b)) < 40 && qAbs(qBlue(a) - qBlue(b)) < 40;
}

} // namespace

Q_DECLARE_METATYPE(Aspect)

// How the user learns of messages and calls (bubbles through a session bus of the test's own);
// the windows, on links without sockets; calls over real sockets on loopback; the peer packets.
class TestConversations : public QObject
{
    Q_OBJECT

    std::unique_ptr<Desk> alice, bob;
    QProcess daemon_;
    NotificationService service_;

    FrmConversation *ring()
    {
        const int index = bob->windows->conversationCount();
        alice->call(u"bob"_s, u"127.0.5.3"_s);
        const bool rang = QTest::qWaitFor(
            [&] { return bob->window(index) && bob->window(index)->incomingForm().isVisible(); });
        return rang ? bob->window(index) : nullptr;
    }

    void answer()
    {
        QVERIFY(QTest::qWaitFor([&] { return bob->window(1)->incomingForm().isVisible(); }));
        child<QPushButton>(&bob->window(1)->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return alice->window(1)->isVisible(); }));
    }
    // `from` sends the text; true once `to` reads it.
    bool says(Desk &from, Desk &to, const QString &text)
    {
        from.window(1)->sendBox()->setPlainText(text);
        from.window(1)->sendMessage();
        return QTest::qWaitFor([&] { return to.window(1)->conversationBox()->toPlainText().contains(text); });
    }

    // Alice talks with bob in window 1 and carol in window 2; what she sends bob, carol receives.
    void talkToTwo()
    {
        alice->talk(u"bob"_s);
        alice->talk(u"carol"_s);
        alice->window(1)->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(alice->window(1)));
    }
    QTextEdit *deliver()
    {
        alice->links[1]->say(alice->links[0]->sent.last());
        return alice->window(2)->conversationBox();
    }

private slots:
    void initTestCase()
    {
        daemon_.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        QVERIFY(daemon_.waitForStarted() && daemon_.waitForReadyRead(10000));
        const QByteArray address = daemon_.readLine().trimmed();
        // Read by the client's first use of the session bus, which comes after this.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        QDBusConnection desktop = QDBusConnection::connectToBus(QString::fromUtf8(address), u"desktop"_s);
        QVERIFY(desktop.isConnected());
        QVERIFY(desktop.registerObject(u"/org/freedesktop/Notifications"_s, &service_,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(desktop.registerService(u"org.freedesktop.Notifications"_s));
        QVERIFY(assistivetech::listen());
    }
    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(u"desktop"_s);
        daemon_.kill();
        daemon_.waitForFinished();
    }

    // One bubble per member, the next message in the place of the last; the text shown as typed.
    void bubbles()
    {
        const auto notifier = makeDesktopMessageNotifier();
        notifier->messageArrived(u"alice"_s, u"<b>vite</b> & bien"_s);
        QTRY_COMPARE(service_.bubbles.size(), 1);
        const auto first = service_.bubbles.first();
        QCOMPARE(std::tuple(first.replaces, first.summary, first.body, first.urgency),
                 std::tuple(0u, u"Message de alice"_s, u"&lt;b&gt;vite&lt;/b&gt; &amp; bien"_s, 1));

        notifier->messageArrived(u"alice"_s, u"tu es là ?"_s);
        notifier->messageArrived(u"bob"_s, u"salut"_s);
        QTRY_COMPARE(service_.bubbles.size(), 3);
        // The two may reach the desktop in either order: alice's waits for her first bubble's id.
        const auto replacesOf = [&](const QString &who) {
            for (const auto &b : service_.bubbles.mid(1))
                if (b.summary == u"Message de "_s + who)
                    return b.replaces;
            return ~0u;
        };
        QCOMPARE(std::pair(replacesOf(u"alice"_s), replacesOf(u"bob"_s)), std::pair(first.id, 0u));
    }

    void excerpt()
    {
        const std::tuple<QString, int, QString> rows[] = {
            {u"\n  Bonjour\n\ntoi  là\t!\n"_s, 80, u"Bonjour toi là !"_s},
            {u"\uFFFC\uFFFC regarde"_s, 80, u"[image][image] regarde"_s},
            {u"abcde fghij"_s, 11, u"abcde fghij"_s}, // exactly the room
            {u"un deux trois quatre cinq"_s, 16, u"un deux trois…"_s},
            {u"anticonstitutionnellement"_s, 10, u"anticonsti…"_s},
            {u"a bcdefghijklmnop"_s, 9, u"a bcdefgh…"_s},  // the word boundary too early
            {u"abcdefgh\U0001F600z"_s, 9, u"abcdefgh…"_s}, // the emoji kept whole
            {u" \n "_s, 80, QString()},
        };
        for (const auto &[plain, maxChars, expected] : rows)
            QCOMPARE(messageExcerpt(plain, maxChars), expected);
    }

    // A message where Bob is not looking is a bubble, counted and announced until he comes to the
    // window, or it goes; where he is looking, only announced.
    void notifiedOnlyWhereTheUserIsNotLooking()
    {
        Talk c;
        QVERIFY(c.talk());
        assistivetech::alerts().clear();
        service_.bubbles.clear();
        QVERIFY(c.aliceSays(u"Bonjour Bob,\ntu es là ?"_s));
        QCOMPARE(assistivetech::alerts(),
                 QStringList{u"Nouveau message de alice : Bonjour Bob, tu es là ?"_s});
        QVERIFY(c.aliceSays(u"<b>Réponds</b> & vite"_s));
        QCOMPARE(c.unread(), std::pair(2, 2));
        QCOMPARE(c.bob.client->tray().icon().look(), TrayLook::Unread);
        QTRY_COMPARE(service_.bubbles.size(), 2);
        QCOMPARE(std::pair(service_.bubbles[0].body, service_.bubbles[1].body),
                 std::pair(u"Bonjour Bob, tu es là ?"_s, u"&lt;b&gt;Réponds&lt;/b&gt; &amp; vite"_s));

        // The tray's "open" leads to the conversation where they wait.
        QCOMPARE(c.bob.client->unreadMessages().firstWaiting(), c.window());
        child<QAction>(&c.bob.client->tray().icon().menu(), u"MNU_TrayOpen"_s)->trigger();
        QVERIFY(QTest::qWaitForWindowActive(c.window()));
        QTRY_COMPARE(c.unread(), std::pair(0, 0));
        QCOMPARE(c.bob.client->unreadMessages().firstWaiting(), nullptr);

        assistivetech::alerts().clear();
        QVERIFY(c.aliceSays(u"Ah, te voilà."_s));
        QCOMPARE(c.unread(), std::pair(0, 0));
        QCOMPARE(assistivetech::alerts(), QStringList{u"Nouveau message de alice : Ah, te voilà."_s});

        // A window that goes takes its unread messages with it.
        QVERIFY(Talk::activate(&c.bob.main()));
        QVERIFY(c.aliceSays(u"Tu pars déjà ?"_s));
        QCOMPARE(c.unread(), std::pair(1, 1));
        QTRY_COMPARE(service_.bubbles.size(), 3); // none while he was looking
        QCOMPARE(service_.bubbles.last().body, u"Tu pars déjà ?"_s);
        child<QPushButton>(c.window(), u"cmdQuit"_s)->click();
        QCOMPARE(c.unread(), std::pair(0, 0));

        // A call is announced, and its bubble is critical: the desktop keeps it up until seen.
        assistivetech::alerts().clear();
        auto *call = new FakeLink;
        c.windows().takeLink(std::unique_ptr<FakeLink>(call), CallerMark::Unverified);
        call->ring(u"alice"_s);
        QCOMPARE(assistivetech::alerts(), QStringList{u"Un appel en provenance de alice (non vérifié)"_s});
        QTRY_COMPARE(service_.bubbles.size(), 4);
        QCOMPARE(
            std::tuple(service_.bubbles[3].summary, service_.bubbles[3].body, service_.bubbles[3].urgency),
            std::tuple(u"Un appel !"_s, u"Un appel en provenance de alice (non vérifié)"_s, 2));
    }
    void init()
    {
        alice = std::make_unique<Desk>(u"alice"_s, u"127.0.5.2"_s);
        bob = std::make_unique<Desk>(u"bob"_s, u"127.0.5.3"_s);
        alice->windows->security().identity = makeIdentity(u"alice"_s);
        bob->windows->security().identity = makeIdentity(u"bob"_s);
        QVERIFY(alice->windows->start() && bob->windows->start());
        // Bob knows alice at her address, so her calls ring as hers.
        bob->row(u"alice"_s, u"127.0.5.2"_s);
        bob->row(u"eve"_s, u"127.0.5.7"_s, true, &bob->listeNoire);
    }

    // A call that may not go out is a notice instead (its title here), and takes no window.
    void callChecks()
    {
        const std::tuple<CallSource, QString, bool, QString> rows[] = {
            {CallSource::Favoris, u"Alice"_s, true, QString()}, // the case differs: it goes out
            {CallSource::Recherche, u"bob"_s, false, u"Attention"_s},
            {CallSource::Favoris, u"alice"_s, true, u"Drole d'idée..."_s},
            {CallSource::ListeNoire, u"alice"_s, false, u"???"_s},
        };
        for (const auto &[source, pseudo, online, notice] : rows) {
            alice = std::make_unique<Desk>(u"alice"_s, u"127.0.5.2"_s);
            QVERIFY(alice->windows->start());
            placeOnFakes(*alice->windows, alice->links);
            alice->windows->callFromRow(source, alice->row(pseudo, u"127.0.5.3"_s, online));
            QCOMPARE(alice->desktop.notifier.titles(),
                     notice.isEmpty() ? QStringList() : QStringList{notice});
            QCOMPARE(std::pair(alice->windows->conversationCount(), alice->links.size()),
                     std::pair(notice.isEmpty() ? 2 : 1, size_t(notice.isEmpty())));
        }
    }

    // Each call rings in its own window and each notification answers its own call; a call that
    // ends unanswered goes with its notification, an open one stays to be read.
    void callsRingAndEndApart()
    {
        std::vector<FakeLink *> calls;
        for (const QString &caller : {u"bob"_s, u"carol"_s, u"dave"_s, u"alice"_s}) {
            calls.push_back(new FakeLink);
            alice->windows->takeLink(std::unique_ptr<FakeLink>(calls.back()), CallerMark::Unverified);
            calls.back()->ring(caller);
        }
        // Her own pseudo calling back: refused, nothing rings.
        QVERIFY(alice->window(4) == nullptr);
        QCOMPARE(calls[3]->sent, QStringList{u"refused"_s});
        FrmIncome &income = alice->window(1)->incomingForm();
        QCOMPARE(income.windowTitle(), u"Un appel !     à 09 heure 05 minute(s)."_s);
        // Rings without taking the keyboard, so a Return typed elsewhere does not answer it.
        QVERIFY(income.testAttribute(Qt::WA_ShowWithoutActivating));

        child<QPushButton>(&alice->window(2)->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(alice->window(2)->isVisible() && income.isVisible());
        QCOMPARE(alice->window(2)->windowTitle(), u"carol (non vérifié)-Conversation"_s);
        child<QPushButton>(&income, u"cmdRefuseCall"_s)->click();
        QCOMPARE(calls[0]->sent, QStringList{u"refused"_s});
        QVERIFY(alice->window(1) == nullptr);
        QPointer<FrmIncome> dave = &alice->window(3)->incomingForm();
        calls[2]->end();
        QVERIFY(alice->window(3) == nullptr && (!dave || !dave->isVisible()));

        FrmConversation *open = alice->window(2);
        calls[1]->end(); // it stays to be read, nothing more to be sent, until closed
        QVERIFY(open->hasEnded() && open->isVisible() && open->sendBox()->isReadOnly());
        QVERIFY(!child<QPushButton>(open, u"cmdSend"_s)->isEnabled());
        alice->windows->closeEveryConversation();
        QCOMPARE(alice->alive(), 0);
    }

    // Who rang unanswered: a line in the status bar, newest first, gone once clicked.
    void missedCallsAreShownUntilSeen()
    {
        MissedCalls calls;
        calls.add(u"toto"_s, QTime(9, 5, 59));
        calls.add(u"titi"_s, QTime(14, 7));
        QCOMPARE(calls.summary(), u"Appels manqués : titi à 14h07, toto à 09h05"_s);
        for (int i = 0; i < 30; ++i)
            calls.add(u"m"_s + QString::number(i), QTime(10, i));
        QCOMPARE(calls.calls().size(), MissedCalls::kept);
        QCOMPARE(calls.summary(), u"Appels manqués : m29 à 10h29, m28 à 10h28, m27 à 10h27..."_s);
        QCOMPARE(calls.fullList().count(u'\n'), MissedCalls::kept - 1);

        ClientFixture f;
        QVERIFY(f.client->start());
        ConversationWindows &windows = f.client->conversations();
        QLabel *line = windows.missedCallsLabel();
        QVERIFY(line && line->isHidden());
        f.main().show();
        auto *call = new FakeLink;
        windows.takeLink(std::unique_ptr<FakeLink>(call), CallerMark::Verified);
        call->ring(u"zoe"_s);
        emit call->callMissed(u"zoe"_s);
        call->end();
        QVERIFY(line->isVisible() && windows.conversation(1) == nullptr);
        QCOMPARE(line->text(), u"Appel manqué : zoe à 12h00"_s);
        QCOMPARE(f.main().statusText(), QString()); // the engine's own text is untouched
        QTest::mouseClick(line, Qt::LeftButton);
        QVERIFY(line->isHidden() && windows.missedCalls().isEmpty());
        QVERIFY(f.desktop.notifier.shown.isEmpty());
    }

    // Pads built at first show; what leaves for the peer: nothing for an empty box, a sound (the
    // draft stays), characters beyond the code page as \uN, a smiley; a file that is no picture.
    void anOpenWindowAndWhatLeavesIt()
    {
        QVERIFY(!alice->window(1)->findChild<QToolButton *>(u"pctbSon0"_s));
        FakeLink *link = alice->talk(u"bob"_s);
        FrmConversation *window = alice->window(1);
        for (int i = 0; i < 3727; ++i)
            window->tickDuration();
        QCOMPARE(window->durationText(), u"Durée : 1 h 2 min 7 sec."_s);
        window->tickBlink(); // offscreen, never the active window
        // Blank, yet not empty: the window manager would show the program's name for an empty one.
        QVERIFY(!window->windowTitle().isEmpty() && window->windowTitle().trimmed().isEmpty());
        window->tickBlink();
        QCOMPARE(window->windowTitle(), u"bob-Conversation"_s);
        child<QPushButton>(window, u"cmdSend"_s)->click();
        QVERIFY(link->sent.isEmpty());
        QTest::keyClicks(window->sendBox(), u"brouillon"_s);
        QTest::mouseDClick(child<QToolButton>(window, u"pctbSon3"_s), Qt::LeftButton);
        QCOMPARE(link->sent, QStringList{u"sound 3"_s});
        QCOMPARE(window->sendBox()->toPlainText(), u"brouillon"_s);
        QCOMPARE(window->conversationBox()->toPlainText(), u"09:05 alice : \na envoyé un son\n"_s);

        child<QToolButton>(window, u"pctbEmoji0"_s)->click(); // the emoji pad's first: U+1F600
        window->sendBox()->insertPlainText(u" Łódź"_s);       // beyond what key clicks can type
        child<QToolButton>(window, u"pctbSmiley7"_s)->click();
        window->sendMessage();
        QVERIFY2(link->sent.last().contains(uR"( brouillon\uc0\u-10179\uc1\u-8704? \u321?\'f3d\u378?)"_s),
                 qPrintable(link->sent.last()));
        QVERIFY(link->sent.last().contains(u"{\\pict"_s));
        QVERIFY(window->conversationBox()->toPlainText().contains(u"brouillon\U0001F600 Łódź"_s) &&
                window->sendBox()->toPlainText().isEmpty());

        QSignalSpy read(window, &FrmConversation::pictureInserted);
        window->insertPicture(QStringLiteral(__FILE__));
        QVERIFY(read.wait(5000) && !read.first().first().toBool());
        QCOMPARE(alice->desktop.notifier.titles(), QStringList{u"Erreur"_s});
    }

    // Each tool, button or shortcut, marks the words typed next as the peer sees them; a button's
    // face shows what its next click gives, a list what the box uses; a shortcut again undoes.
    void sendBoxTools_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<int>("key"); // 0: the tool itself
        QTest::addColumn<Aspect>("aspect");
        const Aspect bold = [](const QFont &f) { return QVariant(f.bold()); };
        const Aspect italic = [](const QFont &f) { return QVariant(f.italic()); };
        const Aspect underline = [](const QFont &f) { return QVariant(f.underline()); };
        const Aspect family = [](const QFont &f) { return QVariant(f.family()); };
        const Aspect size = [](const QFont &f) { return QVariant(f.pointSize()); };
        QTest::newRow("bold") << u"cmdGras"_s << 0 << bold;
        QTest::newRow("Ctrl+B") << u"cmdGras"_s << int(Qt::Key_B) << bold;
        QTest::newRow("italic") << u"cmdItalique"_s << 0 << italic;
        QTest::newRow("Ctrl+I") << u"cmdItalique"_s << int(Qt::Key_I) << italic;
        QTest::newRow("underline") << u"cmdSouligne"_s << 0 << underline;
        QTest::newRow("Ctrl+U") << u"cmdSouligne"_s << int(Qt::Key_U) << underline;
        QTest::newRow("font") << u"cmbFont"_s << 0 << family;
        QTest::newRow("size") << u"cmbFontSize"_s << 0 << size;
    }
    void sendBoxTools()
    {
        QFETCH(QString, tool);
        QFETCH(int, key);
        QFETCH(Aspect, aspect);
        talkToTwo();
        QTextEdit *box = alice->window(1)->sendBox();
        const QVariant before = aspect(typed(box));
        QCOMPARE(QFontInfo(typed(box)).family(), typed(box).family());
        if (auto *button = alice->window(1)->findChild<QPushButton *>(tool)) {
            const QString tip = button->toolTip();
            QVERIFY(aspect(button->font()) != before);
            key ? QTest::keyClick(box, Qt::Key(key), Qt::ControlModifier) : button->click();
            QVERIFY(aspect(button->font()) == before && button->toolTip() != tip);
        } else {
            auto *list = child<QComboBox>(alice->window(1), tool);
            QCOMPARE(list->currentText(), before.toString());
            QTest::keyClick(list, list->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
        }
        const QVariant after = aspect(typed(box));
        QVERIFY(after != before);
        // Shift+Return breaks the line, Return sends, and the box keeps the keyboard until Tab.
        QTest::keyClicks(box, u"un"_s);
        QTest::keyClick(box, Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(box, u"deux"_s);
        if (key) {
            QTest::keyClick(box, Qt::Key(key), Qt::ControlModifier);
            QTest::keyClicks(box, u"trois"_s);
            QCOMPARE(aspect(typed(box, u"trois"_s)), before);
        }
        QTest::keyClick(box, Qt::Key_Return);
        QTextEdit *received = deliver();
        QVERIFY(received->toPlainText().contains(u"un\ndeux"_s));
        QCOMPARE(aspect(typed(received, u"deux"_s)), after);
        QCOMPARE(QApplication::focusWidget(), box);
        QTest::keyClick(box, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != box);
    }

    // On a light or dark theme a colour that reads is left as sent, one that fades moves towards
    // the text colour, in both boxes.
    void entriesRead_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QColor>("sent"); // invalid: none chosen
        QTest::addColumn<bool>("kept");
        QTest::newRow("uncoloured on dark") << true << QColor() << false;
        QTest::newRow("blue on white") << false << QColor(Qt::blue) << true;
        QTest::newRow("blue on dark") << true << QColor(Qt::blue) << false;
        QTest::newRow("yellow on white") << false << QColor(Qt::yellow) << false;
    }
    void entriesRead()
    {
        QFETCH(bool, dark);
        QFETCH(QColor, sent);
        QFETCH(bool, kept);
        QPalette theme;
        theme.setColor(QPalette::Base, dark ? QColor(30, 30, 30) : Qt::white);
        theme.setColor(QPalette::Text, dark ? QColor(230, 230, 230) : Qt::black);
        QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
        QApplication::setPalette(theme);
        talkToTwo();
        FrmConversation *window = alice->window(1);
        if (sent.isValid())
            window->sendBox()->setTextColor(sent);
        QTest::keyClicks(window->sendBox(), u"lisible"_s);
        window->sendMessage();
        for (QTextEdit *box : {window->conversationBox(), deliver()}) {
            const QBrush brush = at(box, u"lisible"_s).foreground();
            const QColor shown =
                brush.style() == Qt::NoBrush ? box->palette().color(QPalette::Text) : brush.color();
            QCOMPARE(shown == sent, kept);
            QVERIFY2(contrast(shown, box->palette().color(QPalette::Base)) >= (sent.isValid() ? 3 : 4.5),
                     qPrintable(shown.name()));
        }
        QApplication::setPalette(QPalette());
    }

    // The refusal reaches the caller before the close, which then passes without a second notice.
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

    // Nobody listens, no address at all, or one leading back here (out of reach, nothing rings).
    void unreachable()
    {
        const std::pair<QString, Notice> rows[] = {{u"127.0.5.14"_s, communicationNotice(u"marc"_s)},
                                                   {u"pas une adresse"_s, communicationNotice(u"marc"_s)},
                                                   {u"127.0.5.2"_s, unreachableNotice(u"marc"_s)}};
        for (const auto &[address, notice] : rows) {
            alice->desktop.notifier.shown.clear();
            alice->call(u"marc"_s, address);
            QVERIFY(QTest::qWaitFor([&] { return alice->alive() == 1; }));
            QCOMPARE(alice->desktop.notifier.shown, QList<Notice>{notice});
        }
        QCOMPARE(alice->windows->conversationCount(), 4); // no window for the call that came back
    }

    // Connections that never ask for a call cost no window and no notice, and are closed.
    void strayConnections()
    {
        PeerListener &listener = bob->windows->listener();
        listener.setGreetingDeadline(300);
        // What it sends, and whether it closes then: half a packet, silence past the deadline, a
        // request naming nobody valid, talk without a marker.
        const std::pair<QByteArray, bool> rows[] = {
            {"CONVERSATIONREQ", true},
            {"", false},
            {"CONVERSATIONREQUESTED:{\\evil}THISISTHEENDOFTHEPACKET", false},
            {QByteArray(4096, 'x'), false}};
        for (const auto &[bytes, closes] : rows) {
            QTcpSocket raw;
            raw.connectToHost(QHostAddress(u"127.0.5.3"_s), peerPort);
            QVERIFY(QTest::qWaitFor([&] { return listener.waitingCount() == 1; }));
            raw.write(bytes);
            if (closes)
                raw.disconnectFromHost();
            QVERIFY(QTest::qWaitFor([&] { return raw.state() == QAbstractSocket::UnconnectedState; }));
            QVERIFY(QTest::qWaitFor([&] { return listener.waitingCount() == 0; }));
        }
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

    // A demo peer on its own address beside a client on every address: each gets its own
    // connections. Another program holding the port is told once.
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
        QVERIFY(!dan.windows->start() && !dan.windows->start());
        QCOMPARE(dan.desktop.notifier.shown, QList<Notice>{portTakenNotice()});
    }

    // The claim against the rows alone, where calls do not reach.
    void verdicts()
    {
        using V = CallerVerdict;
        const MemberSighting carol{u"carol"_s, u"127.0.0.5"_s, true, false};
        const std::tuple<QString, MemberSighting, V> rows[] = {
            {u"::ffff:127.0.0.5"_s, {u"bob"_s, u" 127.0.0.5"_s, true, false}, V::Verified}, // through IPv6
            {u"127.0.0.5"_s, {u"bob"_s, u"127.0.0.5"_s, false, false}, V::Unverified},      // offline, stale
            {u"0.0.0.0"_s, {u"bob"_s, u"0.0.0.0"_s, true, false}, V::Unverified}, // the server's empty marker
            {QString(), {u"bob"_s, QString(), true, false}, V::Unverified},
            {u"127.0.0.9"_s, {u"bob"_s, QString(), false, true}, V::Refused}, // black list, offline
        };
        for (const auto &[from, bob, verdict] : rows) {
            QCOMPARE(std::pair(from, judgeCaller(u"bob"_s, from, {carol, bob})), std::pair(from, verdict));
            QCOMPARE(judgeCaller(u"Bob"_s, from, {carol, bob}), V::Unverified);
        }
        QCOMPARE(judgeCaller(u"bob"_s, u"127.0.0.5"_s, {carol}), V::Unverified);
    }

    // Who rings under which name, the caption keeping the mark; the black list, from anywhere,
    // hears the refusal and nothing rings.
    void rings_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QByteArray>("pseudo");
        QTest::addColumn<QString>("shown"); // empty: refused
        QTest::newRow("honest caller") << u"127.0.5.2"_s << "alice"_ba << u"alice"_s;
        QTest::newRow("alice from elsewhere") << u"127.0.5.9"_s << "alice"_ba << u"alice (non vérifié)"_s;
        QTest::newRow("unknown pseudo") << u"127.0.5.9"_s << "zorglub"_ba << u"zorglub (non vérifié)"_s;
        QTest::newRow("black list") << u"127.0.5.7"_s << "eve"_ba << QString();
        QTest::newRow("black list from elsewhere") << u"127.0.5.9"_s << "eve"_ba << QString();
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

    // Calls hung up while ringing, by a close or a reset, leave nothing behind.
    void aStormOfCallsAndHangUpsLeavesNothingBehind()
    {
        flushDeletes();
        const qsizetype baseline = QApplication::topLevelWidgets().size();
        for (int cycle = 0; cycle < 60; ++cycle) {
            const auto caller = callFrom(u"127.0.5.3"_s, "storm" + QByteArray::number(cycle));
            const int index = bob->windows->conversationCount();
            QVERIFY(QTest::qWaitFor(
                [&] { return bob->windows->at(index) && bob->windows->at(index)->isRinging(); }));
            cycle % 2 ? caller->abort() : caller->disconnectFromHost();
            QVERIFY(QTest::qWaitFor([&] { return bob->window(index) == nullptr; }));
        }
        flushDeletes();
        QCOMPARE(bob->alive(), 1); // the spare
        QVERIFY(std::ranges::none_of(QApplication::topLevelWidgets(), &QWidget::isVisible));
        QVERIFY(QApplication::topLevelWidgets().size() <= baseline + 1); // at most the spare's successor
        QVERIFY(bob->desktop.notifier.shown.isEmpty());
        QVERIFY(bob->windows->missedCalls().isEmpty());
        QVERIFY(ring());
    }

    // Silent callers fill the ringing places and the next is refused; rung out, they are missed
    // calls, their lines closed unanswered, and a real call rings again.
    void heldCallsRingOutAndARealCallRings()
    {
        // Long enough for the next caller to find them ringing, even under a sanitizer.
        bob->windows->setRingDeadline(1000);
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
    // Both keys published: TLS end to end, nothing readable in between, and the key proves alice
    // though she calls through the proxy. Otherwise the call is plain, and still works.
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
            alice->windows->security().published.insert(u"bob"_s, bob->fingerprint());
            bob->windows->security().published.insert(u"alice"_s, alice->fingerprint());
        }
        Proxy proxy(u"127.0.5.19"_s, u"127.0.5.3"_s);
        alice->call(u"bob"_s, u"127.0.5.19"_s);
        answer();
        QCOMPARE(bob->window(1)->incomingForm().caller(), encrypted ? u"alice"_s : u"alice (non vérifié)"_s);
        QVERIFY(says(*alice, *bob, u"Bonjour Bob, c'est privé"_s) && says(*bob, *alice, u"Reçu, Alice"_s));
        QVERIFY(bob->desktop.notifier.shown.isEmpty());
        if (!encrypted) {
            QVERIFY(proxy.up.startsWith("CONVERSATIONREQUESTED:alice") &&
                    !bob->window(1)->link().isEncrypted());
            QCOMPARE(bob->window(1)->encryptionButton()->text(), u"Non chiffrée"_s);
            return;
        }
        for (Desk *desk : {alice.get(), bob.get()}) {
            ConversationLink &link = desk->window(1)->link();
            QVERIFY(link.isEncrypted());
            QCOMPARE(link.peerFingerprint(), (desk == alice.get() ? bob : alice)->fingerprint());
            QCOMPARE(desk->window(1)->encryptionButton()->text(), u"🔒 Chiffrée"_s);
            const QString shown = desk->window(1)->fingerprintsNotice().text;
            QVERIFY(shown.contains(QString::fromLatin1(alice->fingerprint().left(4))) &&
                    shown.contains(QString::fromLatin1(bob->fingerprint().right(4))));
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
        QCOMPARE(alice->windows->security().known.seen(u"bob"_s), bob->fingerprint());
    }

    // A key other than the one seen before is shown on both sides, never taken silently.
    void aChangedKeyIsShown()
    {
        // Each has seen another key of the other's; the directory vouches for bob's new one only.
        const QByteArray old = makeIdentity(u"old"_s)->fingerprint();
        bob->windows->security().known.remember(u"alice"_s, old);
        alice->windows->security().known.remember(u"bob"_s, old);
        alice->windows->security().published.insert(u"bob"_s, bob->fingerprint());
        alice->call(u"bob"_s, u"127.0.5.3"_s);
        QVERIFY(QTest::qWaitFor([&] { return bob->window(1)->incomingForm().isVisible(); }));
        QCOMPARE(alice->desktop.notifier.shown.value(0), keyChangedNotice(u"bob"_s));
        QCOMPARE(bob->window(1)->incomingForm().caller(), u"alice (clé changée)"_s);
        // Until bob answers, the old key is the one he knows.
        QCOMPARE(bob->windows->security().known.seen(u"alice"_s), old);
        answer();
        QCOMPARE(bob->window(1)->windowTitle(), u"alice (clé changée)-Conversation"_s);
        QCOMPARE(bob->windows->security().known.seen(u"alice"_s), alice->fingerprint());
        QCOMPARE(alice->windows->security().known.seen(u"bob"_s), bob->fingerprint());
    }

    // Whoever answers with a key the directory does not publish hears no call request.
    void anotherKeyThanTheDirectorysEndsTheCall()
    {
        alice->windows->security().published.insert(u"bob"_s, makeIdentity(u"bob"_s)->fingerprint());
        alice->call(u"bob"_s, u"127.0.5.3"_s);
        QVERIFY(QTest::qWaitFor([&] { return !alice->desktop.notifier.shown.isEmpty(); }));
        QCOMPARE(alice->desktop.notifier.shown.value(0), keyContradictedNotice(u"bob"_s));
        QVERIFY(QTest::qWaitFor([&] { return alice->window(1) == nullptr; }));
        QTest::qWait(50);
        QVERIFY(!bob->window(1)->incomingForm().isVisible() &&
                !alice->windows->security().known.seen(u"bob"_s));
    }

    // A TLS caller nobody vouches for rings marked, and its key is not kept under that name.
    void anUnvouchedKeyIsNotKept()
    {
        auto mallory = std::make_unique<Desk>(u"alice"_s, u"127.0.5.6"_s);
        mallory->windows->security().identity = makeIdentity(u"alice"_s);
        QVERIFY(mallory->windows->start());
        mallory->windows->security().published.insert(u"bob"_s, bob->fingerprint());
        mallory->call(u"bob"_s, u"127.0.5.3"_s);
        QVERIFY(QTest::qWaitFor([&] { return bob->window(1)->incomingForm().isVisible(); }));
        QCOMPARE(bob->window(1)->incomingForm().caller(), u"alice (non vérifié)"_s);
        QVERIFY(bob->window(1)->link().isEncrypted() && !bob->windows->security().known.seen(u"alice"_s));
    }

    // The keys seen outlive the run, in a file only the user reads; a damaged line is skipped.
    void knownKeysAreKept()
    {
        QTemporaryDir dir;
        const QString file = knownKeysFile(dir.path());
        const QByteArray key = alice->fingerprint();
        {
            KnownKeys keys(file);
            QVERIFY(keys.remember(u"alice"_s, key) && !keys.remember(u"bad one"_s, key) &&
                    !keys.remember(u"bob"_s, "not a fingerprint"));
        }
        QCOMPARE(QFile::permissions(file) & 0x0077, QFileDevice::Permissions());
        QFile append(file);
        QVERIFY(append.open(QIODevice::Append));
        append.write("mallory zz\ngarbage\n\nbob " + key.toUpper() + "\n");
        append.close();
        const KnownKeys again(file);
        QCOMPARE(again.seen(u"alice"_s), key);
        QVERIFY(!again.seen(u"mallory"_s) && !again.seen(u"bob"_s));
    }

    // The limit is 8 bytes of payload: pieces in, packets, dropped and pending bytes out.
    void reassemble()
    {
        using L = QList<QByteArray>;
        const std::tuple<L, L, int, qsizetype> rows[] = {
            {{"a", "bT", "H", "ISISTHEENDOFTHEPACKE", "T", "c"}, {"ab"}, 0, 1}, // one byte at a time
            {{"THISISTHEENDOFTHEPACKET"}, {""}, 0, 0},                          // a marker alone
            {{"12345678THISISTHEENDOFTHEPACKET"}, {"12345678"}, 0, 0},          // right at the limit
            // Oversized over three pieces, its marker split:
            {{QByteArray(40, 'x'), "THISISTHE", "ENDOFTHEPACKETnextTHISISTHEENDOFTHEPACKET"}, {"next"}, 1, 0},
        };
        for (const auto &[pieces, packets, dropped, pending] : rows) {
            PacketReassembler reassembler(8);
            L got;
            int droppedCount = 0;
            for (const QByteArray &piece : pieces) {
                const auto result = reassembler.feed(piece);
                got += result.packets;
                droppedCount += result.dropped;
            }
            QCOMPARE(std::tuple(got, droppedCount, reassembler.pending()),
                     std::tuple(packets, dropped, pending));
        }
    }

    // Handshake words count only as whole packets, a sound command only at the start.
    void parse()
    {
        using K = PacketKind;
        const auto C = LinkSide::Caller, E = LinkSide::Callee;
        const QString notice = rtffragments::soundNotice;
        const std::tuple<QString, LinkSide, PeerPacket> rows[] = {
            {u"CONVERSATIONREQUESTED:alice"_s, E, {K::CallRequest, u"alice"_s}},
            {u"CONVERSATIONREQUESTED:"_s, E, {K::Malformed}},
            {u"CONVERSATIONREQUESTED:abcdefghijklmnopq"_s, E, {K::Malformed}}, // pseudo too long
            {u"CONVERSATIONREQUESTED:alice"_s, C, {K::Entry}},                 // reaching a caller
            {u"{\\rtf1 CONVERSATIONREQUESTED:bob}"_s, E, {K::Entry}},
            {u"NOPROBLEMYACCEPTTOURCALL"_s, C, {K::Accept}},
            {u"SORRYIREFUSEYOURCALL"_s, C, {K::Refusal}},
            {u"{\\rtf1 SORRYIREFUSEYOURCALL\\par }"_s, C, {K::Entry}}, // does not end the call
            {u"!PLAYTHESINGESOUND|"_s + notice, C, {K::Entry, {}, 13, notice}},
            {u"{\\rtf1 !PLAYTHEGUNSOUND|}"_s, E, {K::Entry}},
            {u"!PLAYTHEGUNSOUND|!PLAYTHELOUPSOUND|"_s, E, {K::Entry, {}, 0, u"!PLAYTHELOUPSOUND|"_s}},
        };
        for (const auto &[payload, side, want] : rows) {
            const PeerPacket p = parsePacket(payload, side);
            const QString content = want.kind == K::Entry && want.sound < 0 ? payload : want.content;
            QCOMPARE(std::tuple(payload, p.kind, p.pseudo, p.sound, p.content),
                     std::tuple(payload, want.kind, want.pseudo, want.sound, content));
        }
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

    // Words typed that spell the marker neither cut the message nor change what it reads.
    void messageWithMarkerText()
    {
        for (const QString &rtf : {u"{\\rtf1 say THISISTHEENDOFTHEPACKET now}"_s,
                                   u"{\\rtf1 THISISTHEENDOFTHEPACKETHISISTHEENDOFTHEPACKET}"_s,
                                   u"THISISTHEENDOFTHEPACKET"_s, u"{\\rtf1 x}THISISTHEENDOFTHEPACKE"_s}) {
            const auto cut = PacketReassembler().feed(messagePacket(rtf));
            QCOMPARE(cut.packets.size(), 1);
            QString shown = wiretext::fromWire(cut.packets[0]);
            QCOMPARE(shown.replace(u"\\'54"_s, u"T"_s).replace(u"\\'45"_s, u"E"_s), rtf);
        }
    }

    // Both ways of reading show the same text; \ucN fallbacks are skipped (an escaped byte counts
    // as one; a group end stops the skip).
    void text()
    {
        const std::pair<QString, QString> rows[] = {
            {uR"({\rtf1\ansi Bonjour\par })"_s, u"Bonjour\n"_s},
            {uR"({\rtf1 a\\b\{c\}})"_s, uR"(a\b{c})"_s},
            {uR"({\rtf1 \'e7a va \'80})"_s, u"ça va €"_s},
            {uR"({\rtf1\uc1 \u8364?\u-3913? x})"_s, u"€\uF0B7 x"_s},
            {uR"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl\red1\green2\blue3;}{\*\generator X;}ok})"_s, u"ok"_s},
            {uR"({\rtf1{\field{\*\fldinst HYPERLINK x}{\fldrslt lien}}})"_s, u"lien"_s},
            {uR"({\rtf1 <b>&amp;</b>})"_s, u"<b>&amp;</b>"_s}, // markup is text
            {uR"(}}{\rtf1 a{b)"_s, u"ab"_s},                   // unbalanced
            {uR"({\rtf1 a\'4)"_s, u"a4"_s},                    // a cut escape
            {uR"({\rtf1\uc0\u1055 x})"_s, u"Пx"_s},
            {uR"({\rtf1\uc2\u1055\'3f\'3fx})"_s, u"Пx"_s},
            {uR"({\rtf1\b\uc0\u-10179\uc1\u-8704?})"_s, u"\U0001F600"_s}, // a pair across \uc
            {uR"({\rtf1{\uc3\u1055}ab})"_s, u"Пab"_s},
            {uR"({\rtf1{\uc0 }\u1055?})"_s, u"П"_s}, // \uc restored by the group's end
            {rtffragments::nameLine(false, u"b{o}b"_s), u"b{o}b : \n"_s},
        };
        for (const auto &[rtf, text] : rows) {
            const auto document = read(rtf);
            QCOMPARE(document->toPlainText(), text);
            // One run: a pair split over two formats would not join into its character.
            if (!text.contains(u'\n'))
                QCOMPARE(document->begin().begin().fragment().text(), text);
            QString html = QTextDocumentFragment::fromHtml(rtfreader::toHtml(rtf)).toPlainText();
            QCOMPARE(html.replace(QChar::Nbsp, u' '), text);
        }
    }

    // Each kind of picture a peer may send, at the size it asks for; what cannot be read honestly
    // shows the placeholder.
    void pictures()
    {
        const QByteArray raw = dib(24);
        const QSizeF small = rtfpictures::placeholder().size();
        const std::pair<QSizeF, QString> rows[] = {
            // stretchdib, 24 bits: also its rows read in the right order
            {{20, 10},
             pict(u"\\wmetafile8\\picw53\\pich53\\picwgoal300\\pichgoal150"_s, wmf(0x0F43, 22, dib(24)))},
            {{4, 2}, pict(u"\\wmetafile8\\picw106\\pich53"_s, wmf(0x0B41, 20, dib(8)))}, // dibstretchblt
            {{2, 2}, pict(u"\\wmetafile8"_s, wmf(0x0940, 16, dib(4), true))}, // placeable dibbitblt
            {{2, 2}, pict(u"\\dibitmap0"_s, dib(1))},
            {{4, 2}, pict(u"\\dibitmap0\\picw2\\pich2\\picscalex200"_s, dib(32, true))}, // top-down
            {{2, 2}, pict(u"\\dibitmap0"_s, dib(16))},
            {{2, 2},
             pict(u"\\wbitmap0\\picw2\\pich2\\wbmbitspixel24\\wbmplanes1\\wbmwidthbytes8"_s,
                  dib(24, true).mid(40))},
            {{8, 8}, pict(u"\\pngblip\\picwgoal120\\pichgoal120"_s, compressed("png"))},
            {{16, 16}, pict(u"\\jpegblip"_s, compressed("jpeg"))},
            {{2, 2}, pict(u"\\emfblip"_s, emf(81, dib(24), 40))},       // stretchdibits
            {{2, 2}, pict(u"\\emfblip"_s, emf(76, dib(8), 40 + 1024))}, // bitblt
            {{2, 2}, u"{\\rtf1{\\pict\\dibitmap0\\bin%1 %2}}"_s.arg(raw.size()).arg(wiretext::fromWire(raw))},
            {{2, 2},
             u"{\\rtf1{\\*\\shppict%1}{\\nonshppict%2}}"_s.arg(
                 pict(u"\\dibitmap0"_s, dib(24)), pict(u"\\wmetafile8"_s, wmf(0x0F43, 22, dib(8))))},
            {{2, 2},
             u"{\\rtf1{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}{\\result%1}}}"_s.arg(
                 pict(u"\\dibitmap0"_s, dib(8)))},
            {small, pict(u"\\dibitmap0"_s, dib(24, false, 30000))},
            {small, pict(u"\\dibitmap0"_s, dib(24, false, 0x7FFFFFFF))},
            {small, pict(u"\\wmetafile8"_s, wmf(0x0F43, 22, dib(24), false, 0x7FFFFFF))}, // record too long
            {small, pict(u"\\emfblip"_s, emf(81, dib(24), 40, 0x7FFFFFF0))},
            {small, pict(u"\\macpict"_s, dib(24))},
            {small, u"{\\rtf1{\\pict\\pngblip 89504e"_s},
        };
        for (const auto &[shown, rtf] : rows) {
            const auto [count, image, size] = ::pictures(*read(rtf));
            QCOMPARE(std::tuple(rtf.left(60), count, size), std::tuple(rtf.left(60), qsizetype(1), shown));
            if (shown == small) {
                QCOMPARE(image, rtfpictures::placeholder());
                continue;
            }
            QVERIFY(near(image.pixel(0, 0), qRgb(255, 0, 0)));
            QVERIFY(near(image.pixel(image.width() - 1, image.height() - 1), qRgb(255, 255, 255)));
            if (&rtf == &rows[0].second)
                QVERIFY(near(image.pixel(1, 0), qRgb(0, 255, 0)));
        }
    }

    void fonts()
    {
        const QString table =
            uR"({\rtf1\deff1{\fonttbl{\f0\fswiss Arial;}{\f1\froman\fcharset0 Times New Roman;})"
            uR"({\f2\fmodern{\*\panose 0}Courier New;}{\f3\fnil Liberation Mono;}})"_s;
        const std::tuple<QString, QString, int> rows[] = {
            {table + u"x}"_s, u"Times New Roman"_s, QFont::Serif},
            {table + u"\\f2 x}"_s, u"Courier New"_s, QFont::Monospace},
            {table + u"\\f3 x}"_s, u"Liberation Mono"_s, QFont::Monospace},
            {u"{\\rtf1\\f2 x}"_s, QString(), QTextCharFormat().fontStyleHint()},
        };
        for (const auto &[rtf, family, hint] : rows) {
            const QTextCharFormat format = read(rtf)->find(u"x"_s).charFormat();
            QCOMPARE(std::pair(format.fontFamilies().toStringList().value(0), int(format.fontStyleHint())),
                     std::pair(family, hint));
        }
    }

    void deepNestingStaysBounded()
    {
        const QString rtf = QString(100000, u'{') + u"x"_s + QString(100000, u'}');
        QVERIFY(read(rtf)->characterCount() < 10);
        QVERIFY(rtfreader::toHtml(rtf).size() < 1000);
    }

    // Text, font and a picture survive the trip, the picture as a metafile bitmap older peers show.
    void writerRoundTrip()
    {
        QTextDocument document;
        QTextCursor cursor(&document);
        QTextCharFormat serif;
        serif.setFontFamilies(QStringList{u"Times New Roman"_s});
        cursor.insertText(u"Salut {ça}\\"_s, serif);
        cursor.insertBlock();
        QImage smiley(3, 2, QImage::Format_ARGB32);
        smiley.fill(Qt::yellow);
        smiley.setPixel(0, 0, qRgba(0, 0, 255, 255));
        smiley.setPixel(2, 1, qRgba(0, 0, 0, 0)); // see-through: white for older peers
        cursor.insertImage(smiley);

        const QString rtf = rtfwriter::fromDocument(document);
        QVERIFY(rtf.contains(u"\\f1\\froman Times New Roman;"_s));
        QVERIFY(rtf.contains(u"{\\pict\\wmetafile8\\picw79\\pich53\\picwgoal45\\pichgoal30 "_s));
        const auto received = read(rtf);
        QCOMPARE(received->toPlainText().remove(QChar::ObjectReplacementCharacter), u"Salut {ça}\\\n\n"_s);
        const QImage shown = std::get<1>(::pictures(*received));
        QCOMPARE(QList<QRgb>({shown.pixel(0, 0), shown.pixel(1, 1), shown.pixel(2, 1)}),
                 QList<QRgb>({qRgb(0, 0, 255), qRgb(255, 255, 0), qRgb(255, 255, 255)}));
    }

    // Every script and emoji: the text, how it leaves, what a peer without \u shows (one "?" each).
    void everyScript()
    {
        const std::tuple<QString, QString, QString> rows[] = {
            {u"Café à 5 €"_s, uR"(Caf\'e9 \'e0 5 \'80)"_s, u"Café à 5 €"_s},
            {u"Erdős, Łódź"_s, uR"(Erd\u337?s, \u321?\'f3d\u378?)"_s, u"Erd?s, ?ód?"_s},
            {u"Привет"_s, uR"(\u1055?\u1088?\u1080?\u1074?\u1077?\u1090?)"_s, u"??????"_s},
            {u"مرحبا"_s, uR"(\u1605?\u1585?\u1581?\u1576?\u1575?)"_s, u"?????"_s},
            {u"ok \U0001F600!"_s, uR"(ok \uc0\u-10179\uc1\u-8704?!)"_s, u"ok ?!"_s},
            {u"ő5"_s, uR"(\u337?5)"_s, u"?5"_s},                // a digit after
            {u"\\u12 ő"_s, uR"(\\u12 \u337?)"_s, u"\\u12 ?"_s}, // a typed backslash-u
        };
        for (const auto &[text, escaped, legacy] : rows) {
            QTextDocument document;
            QTextCursor(&document).insertText(text);
            const QString rtf = rtfwriter::fromDocument(document);
            QVERIFY2(rtf.contains(u' ' + escaped + u"\\par }"_s), qPrintable(rtf));
            QCOMPARE(read(rtf)->toPlainText(), text + u'\n');
            // Beyond the code page, \uc1 in the header and the escapes, which an older reader drops.
            QTextDocument before;
            QTextCursor(&before).insertText(legacy);
            QString dropped = rtf;
            dropped.remove(QRegularExpression(uR"((?<!\\)\\uc?-?\d+)"_s));
            QCOMPARE(wiretext::toWire(dropped), wiretext::toWire(rtfwriter::fromDocument(before)));
            QCOMPARE(rtf.startsWith(u"{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0"_s), text != legacy);
            QCOMPARE(read(dropped)->toPlainText(), legacy + u'\n');
        }
    }

    // Where the boxes switch to the colour font (start, length, start...).
    void emojiRuns()
    {
        const std::pair<QString, QList<int>> rows[] = {
            {u"Привет, مرحبا, Erdős ©™ → ⌘"_s, {}},
            {u"Salut \U0001F600 !"_s, {6, 2}},
            {u"\u2764\uFE0F\U0001F339 ok"_s, {0, 4}},
            {u"a\U0001F44D\U0001F3FD"_s, {1, 4}}, // a skin tone
            {u"\U0001F468\u200D\U0001F469\u200D\U0001F467."_s, {0, 8}},
            {u"\U0001F1EB\U0001F1F7 et \u2615"_s, {0, 4, 8, 1}},
            {u"\u00A9\uFE0F \u2194\uFE0F"_s, {0, 2, 3, 2}},
            {u"n\u00B0 1\uFE0F\u20E3"_s, {3, 3}}, // a keycap
            {u"\u263A\uFE0E \u263A"_s, {3, 1}},   // text presentation asked for
            {u"\U0001F600\u200D"_s, {0, 2}},      // a joiner at the end
        };
        for (const auto &[text, runs] : rows) {
            QList<int> found;
            for (const emojiruns::Run &run : emojiruns::find(text))
                found << run.start << run.length;
            QCOMPARE(std::pair(text, found), std::pair(text, runs));
        }
    }

    // A received entry shows its emoji in the colour font, and nothing else changes font.
    void emojiShownInColour()
    {
        QTextDocument box;
        QTextCursor cursor(&box);
        rtfreader::insert(cursor, u"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Oui "_s +
                                      rtffragments::escapeText(u"\U0001F3AC à 20 h"_s) + u"\\par }"_s);
        boxpictures::settle(box, 0, cursor.position(), 300, 1.0);
        QStringList families;
        for (auto it = box.begin().begin(); !it.atEnd(); ++it)
            families << it.fragment().text() + u'|' +
                            it.fragment().charFormat().fontFamilies().toStringList().join(u',');
        QCOMPARE(families, (QStringList{u"Oui |Arial"_s, u"\U0001F3AC|"_s + emojiruns::colourFamily,
                                        u" à 20 h|Arial"_s}));
    }

    // A photo larger than a packet arrives smaller, shown at its size, rather than not at all.
    void largePictureFitsOnePacket()
    {
        QTextDocument document;
        QImage photo(2400, 1800, QImage::Format_RGB32);
        photo.fill(Qt::darkCyan);
        QTextCursor(&document).insertImage(photo);
        const QString rtf = rtfwriter::fromDocument(document);
        QVERIFY(rtf.size() < PacketReassembler::defaultMaxPacketBytes);
        QCOMPARE(std::get<2>(::pictures(*read(rtf))), QSizeF(2400, 1800));
    }
};

QTEST_MAIN(TestConversations)
#include "test_conversations.moc"
