#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/peerframer.h"
#include "client/conversation/peerlistener.h"
#include "client/conversation/peernotices.h"
#include "client/conversation/peerpackets.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "tests/support/clientfixture.h"

#include <QComboBox>
#include <QFontInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QToolButton>
#include <QTreeWidget>
#include <cmath>
#include <memory>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

// One client's conversation windows on its own loopback address, without a main window.
struct Desk
{
    Desk(const QString &pseudo, const QString &address)
    {
        state.userLogin = pseudo;
        state.soundEnabled = true;
        state.localAddress = QHostAddress(address);
        desktop.clock.now = QTime(9, 5, 42);
        windows = std::make_unique<ConversationWindows>(state, platform);
        // Callers are checked against the rows of `list`, as against the main window's lists.
        windows->setSightings(listSightings(&list, nullptr, nullptr));
    }
    bool start() { return windows->start(); }
    // A row of a member list as the contact refresh leaves it.
    QTreeWidgetItem *row(const QString &pseudo, bool online, const QString &address)
    {
        auto *item =
            new QTreeWidgetItem(&list, QStringList{pseudo, {}, {}, {}, online ? address : QString()});
        contactrow::setOnline(item, online);
        return item;
    }
    FrmConversation *window(int index) { return windows->conversation(index); }

    ClientState state;
    RecordingPlatform desktop;
    Platform platform = desktop.platform();
    QTreeWidget list;
    std::unique_ptr<ConversationWindows> windows;
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

// The format of `word` where the box shows it.
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

// One side of a font: what a tool of the send box sets.
using Aspect = QVariant (*)(const QFont &);

} // namespace

Q_DECLARE_METATYPE(Aspect)

class TestConversationWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<Desk> alice, bob;

    // Alice calls Bob from her favourites; Bob's window 1 rings.
    void ring()
    {
        alice->windows->callFromRow(CallSource::Favoris, alice->row(u"bob"_s, true, u"127.0.5.3"_s));
        QVERIFY(QTest::qWaitFor([&] { return bob->window(1)->incomingForm().isVisible(); }));
    }
    // Bob answers; both windows are open.
    void talk()
    {
        ring();
        child<QPushButton>(&bob->window(1)->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return alice->window(1)->isVisible(); }));
    }

private slots:
    void init()
    {
        alice = std::make_unique<Desk>(u"alice"_s, u"127.0.5.2"_s);
        bob = std::make_unique<Desk>(u"bob"_s, u"127.0.5.3"_s);
        QVERIFY(alice->start());
        QVERIFY(bob->start());
        // Each is a connected contact of the other, so each one's calls ring as that member.
        alice->row(u"bob"_s, true, u"127.0.5.3"_s);
        bob->row(u"alice"_s, true, u"127.0.5.2"_s);
    }

    // A call that may not go out is a notice instead, and takes no window.
    void callChecks_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<QString>("pseudo");
        QTest::addColumn<bool>("online");
        QTest::addColumn<QString>("notice"); // its title; none when the call goes out
        QTest::newRow("case differs") << int(CallSource::Favoris) << u"Alice"_s << true << QString();
        QTest::newRow("offline") << int(CallSource::Recherche) << u"bob"_s << false << u"Attention"_s;
        QTest::newRow("self, favourites")
            << int(CallSource::Favoris) << u"alice"_s << true << u"Drole d'idée..."_s;
        QTest::newRow("self offline, black list")
            << int(CallSource::ListeNoire) << u"alice"_s << false << u"???"_s;
    }
    void callChecks()
    {
        QFETCH(int, source);
        QFETCH(QString, pseudo);
        QFETCH(bool, online);
        QFETCH(QString, notice);
        alice->windows->callFromRow(CallSource(source), alice->row(pseudo, online, u"127.0.5.3"_s));
        QCOMPARE(alice->desktop.notifier.titles(), notice.isEmpty() ? QStringList() : QStringList{notice});
        QCOMPARE(alice->windows->conversationCount(), notice.isEmpty() ? 2 : 1); // the call and a new spare
    }

    void acceptedCallCarriesMessages()
    {
        ring();
        FrmIncome &income = bob->window(1)->incomingForm();
        QCOMPARE(income.windowTitle(), u"Un appel !     à 09 heure 05 minute(s)."_s);
        QCOMPARE(child<QLabel>(&income, u"lblUnAppel"_s)->text(), u"alice"_s);
        // It rings without taking the keyboard: the user's next Return, typed elsewhere, does not
        // answer it. (The offscreen platform activates whatever shows, so the request is checked.)
        QVERIFY(income.testAttribute(Qt::WA_ShowWithoutActivating));
        child<QPushButton>(&income, u"cmdAcceptCall"_s)->click();
        QVERIFY(!income.isVisible());
        QVERIFY(QTest::qWaitFor([&] { return alice->window(1)->isVisible(); }));
        FrmConversation *window = alice->window(1);
        QTextEdit *received = bob->window(1)->conversationBox();

        // An empty box sends nothing: the sound sent next is the first entry Bob sees, and he hears it.
        child<QPushButton>(window, u"cmdSend"_s)->click();
        QTest::mouseDClick(child<QToolButton>(window, u"pctbSon3"_s), Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return !received->toPlainText().isEmpty(); }));
        // Each entry starts with the local time of the side that shows it.
        QCOMPARE(received->toPlainText(), u"09:05 alice : \na envoyé un son\n"_s);
        QCOMPARE(bob->desktop.sound.played.last(), u"sons/babycry.wav"_s);
        // A smiley travels inside a message, and the send box is emptied for the next.
        child<QToolButton>(window, u"pctbSmiley7"_s)->click();
        child<QPushButton>(window, u"cmdSend"_s)->click();
        QVERIFY(window->sendBox()->toPlainText().isEmpty());
        QVERIFY(QTest::qWaitFor([&] { return received->toHtml().contains(u"<img"_s); }));

        // A file that is no picture is refused with a message.
        QSignalSpy read(window, &FrmConversation::pictureInserted);
        window->insertPicture(QStringLiteral(__FILE__));
        QVERIFY(read.wait(5000) && !read.first().first().toBool());
        QCOMPARE(alice->desktop.notifier.titles(), QStringList{u"Erreur"_s});
        alice->desktop.notifier.shown.clear();

        // Bob leaves without a packet: his window goes at once. Alice is told, in a box and in her
        // transcript, which stays to be read, nothing more to be sent, until she closes it.
        alice->desktop.clock.now = QTime(23, 59, 1);
        child<QPushButton>(bob->window(1), u"cmdQuit"_s)->click();
        QVERIFY(bob->window(1) == nullptr);
        QVERIFY(QTest::qWaitFor([&] { return window->hasEnded(); }));
        QCOMPARE(alice->desktop.notifier.shown, QList<Notice>{cutOffNotice(u"bob"_s)});
        QCOMPARE(alice->desktop.sound.played.last(), u"sons/connectionrefused.wav"_s);
        QVERIFY(bob->desktop.notifier.shown.isEmpty());
        QCOMPARE(alice->window(1), window);
        QVERIFY(window->isVisible());
        QVERIFY(window->conversationBox()->toPlainText().endsWith(
            u"\n23:59 La conversation a été coupée par bob."_s));
        QVERIFY(window->sendBox()->isReadOnly());
        QVERIFY(!child<QPushButton>(window, u"cmdSend"_s)->isEnabled());
        QVERIFY(!child<QToolButton>(window, u"pctbSon3"_s)->isEnabled());
        window->close();
        QVERIFY(alice->window(1) == nullptr);
        QVERIFY(alice->window(2) && bob->window(2)); // the spares stay
    }

    // The refusal reaches the caller before the close, which then passes without a second notice;
    // each window, discarded as its link finishes, takes the link with it.
    void refusalEndsBothWindows()
    {
        alice->state.soundEnabled = false;
        ring();
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
        alice->windows->callFromRow(CallSource::Favoris, alice->row(u"marc"_s, true, address));
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
    // each gets the connections for its address.
    void sharesThePortWithPeersOnTheirOwnAddress()
    {
        Desk carol(u"carol"_s, u"0.0.0.0"_s);
        QVERIFY(carol.start());
        QTcpServer demo;
        QVERIFY(demo.setSocketDescriptor(openSharedListeningSocket(QHostAddress(u"127.0.5.17"_s), peerPort)));
        QTcpSocket toDemo, toCarol;
        toDemo.connectToHost(QHostAddress(u"127.0.5.17"_s), peerPort);
        QVERIFY(demo.waitForNewConnection(5000));
        toCarol.connectToHost(QHostAddress(u"127.0.5.18"_s), peerPort);
        toCarol.write("CONVERSATIONREQUESTED:daveTHISISTHEENDOFTHEPACKET");
        QVERIFY(QTest::qWaitFor([&] { return carol.windows->conversationCount() == 2; }));
        QCOMPARE(bob->windows->conversationCount(), 1);
    }

    // Calls beyond the few that may ring at once hear the refusal; no window is made for them.
    void tooManyCallsAreRefused()
    {
        std::vector<std::unique_ptr<QTcpSocket>> callers;
        for (int i = 0; i <= ConversationWindows::maxRinging; ++i) {
            auto &caller = callers.emplace_back(std::make_unique<QTcpSocket>());
            caller->connectToHost(QHostAddress(u"127.0.5.3"_s), peerPort);
            caller->write("CONVERSATIONREQUESTED:c" + QByteArray::number(i) + "THISISTHEENDOFTHEPACKET");
            QVERIFY(QTest::qWaitFor(
                [&] { return bob->windows->conversationCount() == i + 2 || caller->bytesAvailable(); }));
        }
        QCOMPARE(bob->windows->conversationCount(), ConversationWindows::maxRinging + 1);
        QCOMPARE(callers.back()->readAll(), QByteArray("SORRYIREFUSEYOURCALLTHISISTHEENDOFTHEPACKET"));
    }

    // Another program holds the port: the user hears it once.
    void aTakenPortIsToldOnce()
    {
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress(u"127.0.5.9"_s), peerPort));
        Desk dan(u"dan"_s, u"127.0.5.9"_s);
        QVERIFY(!dan.start());
        QVERIFY(!dan.start());
        QCOMPARE(dan.desktop.notifier.shown, QList<Notice>{portTakenNotice()});
    }

    void callerHangingUpWithdrawsTheNotification()
    {
        ring();
        QPointer<FrmIncome> income = &bob->window(1)->incomingForm();
        alice->windows->closeEveryConversation();
        QVERIFY(alice->window(1) == nullptr && alice->window(2) == nullptr);
        // The notification goes at once, before its window is discarded.
        QVERIFY(QTest::qWaitFor([&] { return !income || !income->isVisible(); }));
        QVERIFY(QTest::qWaitFor([&] { return bob->window(1) == nullptr; }));
        // A call never answered ends without a word: no cut-off, no sound.
        QVERIFY(bob->desktop.notifier.shown.isEmpty());
        QVERIFY(!bob->desktop.sound.played.contains(u"sons/connectionrefused.wav"_s));
    }

    void twoCallsRingApart()
    {
        ring();
        Desk carol(u"carol"_s, u"127.0.5.4"_s);
        QVERIFY(carol.start());
        carol.windows->callFromRow(CallSource::Recherche, carol.row(u"bob"_s, true, u"127.0.5.3"_s));
        QVERIFY(QTest::qWaitFor([&] { return bob->window(2)->incomingForm().isVisible(); }));
        child<QPushButton>(&bob->window(2)->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return carol.window(1)->isVisible(); }));
        QVERIFY(bob->window(1)->incomingForm().isVisible()); // Alice still rings
        QVERIFY(!alice->window(1)->isVisible());
    }

    void durationAndBlinking()
    {
        talk();
        FrmConversation *window = bob->window(1);
        for (int i = 0; i < 3727; ++i)
            window->tickDuration();
        QCOMPARE(window->durationText(), u"Durée : 1 h 2 min 7 sec."_s);
        window->tickBlink(); // offscreen, never the active window
        // Blank, yet not empty: the window manager would show the program's name for an empty one.
        QVERIFY(!window->windowTitle().isEmpty() && window->windowTitle().trimmed().isEmpty());
        window->tickBlink();
        QCOMPARE(window->windowTitle(), u"alice-Conversation"_s);
    }

    // The spare listens from start-up but builds its pads only when it first shows.
    void padsAreBuiltOnFirstShowTwoColumnsOfNine()
    {
        QVERIFY(!alice->window(1)->findChild<QToolButton *>(u"pctbSon0"_s));
        talk();
        for (const QString &pad : {u"pctbSmiley"_s, u"pctbSon"_s}) {
            for (int i = 0; i < 18; ++i) {
                auto *button = child<QToolButton>(alice->window(1), pad + QString::number(i));
                auto *grid = qobject_cast<QGridLayout *>(button->parentWidget()->layout());
                int row = -1, column = -1, rowSpan, columnSpan;
                grid->getItemPosition(grid->indexOf(button), &row, &column, &rowSpan, &columnSpan);
                QCOMPARE(QPoint(column, row), QPoint(i % 2, i / 2));
            }
        }
    }

    // Each tool marks the words typed next, and the peer sees them so. A button's face shows what
    // its next click gives; a list shows what the box uses, a face this machine has.
    void sendBoxTools_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<Aspect>("aspect");
        const auto row = [](const char *name, const QString &tool, Aspect aspect) {
            QTest::newRow(name) << tool << aspect;
        };
        row("bold", u"cmdGras"_s, [](const QFont &f) { return QVariant(f.bold()); });
        row("italic", u"cmdItalique"_s, [](const QFont &f) { return QVariant(f.italic()); });
        row("underline", u"cmdSouligne"_s, [](const QFont &f) { return QVariant(f.underline()); });
        row("font", u"cmbFont"_s, [](const QFont &f) { return QVariant(f.family()); });
        row("size", u"cmbFontSize"_s, [](const QFont &f) { return QVariant(f.pointSize()); });
    }
    void sendBoxTools()
    {
        QFETCH(QString, tool);
        QFETCH(Aspect, aspect);
        talk();
        QTextEdit *box = alice->window(1)->sendBox();
        const QVariant before = aspect(typed(box));
        QCOMPARE(QFontInfo(typed(box)).family(), typed(box).family());
        if (auto *button = alice->window(1)->findChild<QPushButton *>(tool)) {
            const QString tip = button->toolTip();
            QVERIFY(aspect(button->font()) != before);
            button->click();
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
        QTest::keyClick(box, Qt::Key_Return);
        QTextEdit *received = bob->window(1)->conversationBox();
        QVERIFY(QTest::qWaitFor([&] { return received->toPlainText().contains(u"un\ndeux"_s); }));
        QCOMPARE(aspect(typed(received, u"deux"_s)), after);
        QCOMPARE(QApplication::focusWidget(), box);
        QTest::keyClick(box, Qt::Key_Tab);
        QVERIFY(QApplication::focusWidget() != box);
    }

    // Words and a picture wider than the box, on a light or a dark theme: both sides read the words
    // and see the whole picture. A colour that reads is left as sent; one that fades into the base
    // moves towards the text colour.
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
        for (auto [role, grey] :
             {std::pair{QPalette::Base, dark ? 30 : 255}, {QPalette::Text, dark ? 230 : 0}})
            theme.setColor(role, QColor(grey, grey, grey));
        QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
        QApplication::setPalette(theme);
        talk();
        FrmConversation *window = alice->window(1);
        QTemporaryDir dir;
        QImage wide(1200, 600, QImage::Format_RGB32);
        wide.fill(Qt::darkGreen);
        QVERIFY(wide.save(dir.filePath(u"wide.png"_s)));
        QSignalSpy read(window, &FrmConversation::pictureInserted);
        window->insertPicture(dir.filePath(u"wide.png"_s));
        QVERIFY(read.wait(5000) && read.first().first().toBool());
        if (sent.isValid())
            window->sendBox()->setTextColor(sent);
        QTest::keyClicks(window->sendBox(), u"lisible"_s);
        window->sendMessage();
        QTextEdit *received = bob->window(1)->conversationBox();
        QVERIFY(QTest::qWaitFor([&] { return received->toPlainText().contains(u"lisible"_s); }, 10000));
        for (QTextEdit *box : {window->conversationBox(), received}) {
            const QBrush brush = at(box, u"lisible"_s).foreground();
            const QColor shown =
                brush.style() == Qt::NoBrush ? box->palette().color(QPalette::Text) : brush.color();
            QCOMPARE(shown == sent, kept);
            const double least = sent.isValid() ? 3 : 4.5;
            QVERIFY2(contrast(shown, box->palette().color(QPalette::Base)) >= least,
                     qPrintable(shown.name()));
            const QTextImageFormat picture =
                at(box, QString(QChar::ObjectReplacementCharacter)).toImageFormat();
            QVERIFY(picture.width() > 0 && picture.width() <= box->viewport()->width());
            QCOMPARE(qRound(picture.width() / picture.height()), 2);
        }
        QApplication::setPalette(QPalette());
    }

    // What a peer receives, byte for byte: a sound is its packet and nothing else, and the words
    // the user was typing stay in the box; characters beyond the code page leave as \uN and show
    // as themselves in the sender's own box.
    void whatLeavesForThePeer()
    {
        QTcpServer peer;
        QVERIFY(peer.listen(QHostAddress(u"127.0.5.21"_s), peerPort));
        alice->windows->callFromRow(CallSource::Favoris, alice->row(u"bob"_s, true, u"127.0.5.21"_s));
        QVERIFY(peer.waitForNewConnection(5000));
        std::unique_ptr<QTcpSocket> link(peer.nextPendingConnection());
        QByteArray got;
        const auto until = [&](const QByteArray &end) {
            return QTest::qWaitFor([&] {
                got += link->readAll();
                return got.endsWith(end);
            });
        };
        QVERIFY(until("THISISTHEENDOFTHEPACKET"));
        got.clear();
        link->write("NOPROBLEMYACCEPTTOURCALLTHISISTHEENDOFTHEPACKET");
        QVERIFY(QTest::qWaitFor([&] { return alice->window(1)->isVisible(); }));
        FrmConversation *window = alice->window(1);
        QTest::keyClicks(window->sendBox(), u"brouillon"_s);
        QTest::mouseDClick(child<QToolButton>(window, u"pctbSon3"_s), Qt::LeftButton);
        QVERIFY(until("THISISTHEENDOFTHEPACKET"));
        QCOMPARE(got, soundPacket(3));
        QCOMPARE(window->sendBox()->toPlainText(), u"brouillon"_s);

        got.clear();
        child<QToolButton>(window, u"pctbEmoji0"_s)->click(); // the emoji pad's first: U+1F600
        window->sendBox()->insertPlainText(u" Łódź"_s);       // beyond what key clicks can type
        window->sendMessage();
        QVERIFY(until("THISISTHEENDOFTHEPACKET"));
        QVERIFY2(got.contains(R"( brouillon\uc0\u-10179\uc1\u-8704? \u321?\'f3d\u378?\par })"),
                 got.constData());
        QVERIFY(window->conversationBox()->toPlainText().endsWith(u"brouillon\U0001F600 Łódź\n"_s));
        QVERIFY(window->sendBox()->toPlainText().isEmpty());
    }

    // Ctrl+B, Ctrl+I and Ctrl+U in the send box are the three buttons: the face, the tooltip, and
    // the words typed next; pressed again, they take the attribute away.
    void shortcuts_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("button");
        QTest::addColumn<Aspect>("aspect");
        QTest::newRow("Ctrl+B") << int(Qt::Key_B) << u"cmdGras"_s
                                << Aspect([](const QFont &f) { return QVariant(f.bold()); });
        QTest::newRow("Ctrl+I") << int(Qt::Key_I) << u"cmdItalique"_s
                                << Aspect([](const QFont &f) { return QVariant(f.italic()); });
        QTest::newRow("Ctrl+U") << int(Qt::Key_U) << u"cmdSouligne"_s
                                << Aspect([](const QFont &f) { return QVariant(f.underline()); });
    }
    void shortcuts()
    {
        QFETCH(int, key);
        QFETCH(QString, button);
        QFETCH(Aspect, aspect);
        talk();
        QTextEdit *box = alice->window(1)->sendBox();
        auto *face = child<QPushButton>(alice->window(1), button);
        const QString tip = face->toolTip();
        QTest::keyClick(box, Qt::Key(key), Qt::ControlModifier);
        QTest::keyClicks(box, u"gras"_s);
        QCOMPARE(aspect(typed(box, u"gras"_s)), QVariant(true));
        QCOMPARE(aspect(face->font()), QVariant(false));
        QVERIFY(face->toolTip() != tip);
        QTest::keyClick(box, Qt::Key(key), Qt::ControlModifier);
        QTest::keyClicks(box, u"simple"_s);
        QCOMPARE(aspect(typed(box, u"simple"_s)), QVariant(false));
        QCOMPARE(face->toolTip(), tip);
        QCOMPARE(box->toPlainText(), u"grassimple"_s);
    }
};

QTEST_MAIN(TestConversationWindows)
#include "test_conversationwindows.moc"
