#include "client/conversation/messageexcerpt.h"
#include "client/conversation/messagenotifier.h"
#include "client/conversation/rtfwriter.h"
#include "client/conversation/unreadmessages.h"
#include "client/tray/installtray.h"
#include "client/tray/trayicon.h"
#include "tests/client/conversation/desk.h"
#include "tests/support/assistivetech.h"

#include <QAction>
#include <QTextDocument>
#include <QTextEdit>

namespace {

class RecordingMessageNotifier : public MessageNotifier
{
public:
    void messageArrived(const QString &member, const QString &excerpt) override
    {
        shown.append(member + u" | "_s + excerpt);
    }
    QStringList shown;
};

// The whole client as Bob runs it, its notifications recorded, in conversation with Alice on a
// link without a socket.
struct Talk
{
    Talk() : bob(u"127.0.0.1"_s, QHostAddress(u"127.0.6.2"_s))
    {
        auto recorder = std::make_unique<RecordingMessageNotifier>();
        notifier = recorder.get();
        bob.client->setMessageNotifier(std::move(recorder));
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
        // Bob looks elsewhere.
        bob.main().show();
        return activate(&bob.main());
    }
    FrmConversation *window() { return windows().conversation(1); }
    // Alice speaks; true once Bob's window shows it.
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
    int unread() { return bob.client->unreadMessages().count(); }
    int trayUnread() { return bob.client->tray().icon().status().unreadMessages; }

    ClientDesk bob;
    QTreeWidget list;
    std::vector<FakeLink *> links;
    RecordingMessageNotifier *notifier = nullptr;
};

} // namespace

class TestUnreadMessages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(assistivetech::listen()); }

    void excerpt_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<int>("maxChars");
        QTest::addColumn<QString>("expected");
        QTest::newRow("short") << u"Salut !"_s << 80 << u"Salut !"_s;
        QTest::newRow("lines and runs of spaces")
            << u"\n  Bonjour\n\ntoi  là\t!\n"_s << 80 << u"Bonjour toi là !"_s;
        QTest::newRow("pictures") << u"\uFFFC\uFFFC regarde"_s << 80 << u"[image][image] regarde"_s;
        QTest::newRow("exactly the room") << u"abcde fghij"_s << 11 << u"abcde fghij"_s;
        QTest::newRow("cut at a word") << u"un deux trois quatre cinq"_s << 16 << u"un deux trois…"_s;
        QTest::newRow("one long word") << u"anticonstitutionnellement"_s << 10 << u"anticonsti…"_s;
        QTest::newRow("word boundary too early") << u"a bcdefghijklmnop"_s << 9 << u"a bcdefgh…"_s;
        QTest::newRow("emoji kept whole") << u"abcdefgh\U0001F600z"_s << 9 << u"abcdefgh…"_s;
        QTest::newRow("nothing") << u" \n "_s << 80 << QString();
    }
    void excerpt()
    {
        QFETCH(QString, plain);
        QFETCH(int, maxChars);
        QFETCH(QString, expected);
        QCOMPARE(messageExcerpt(plain, maxChars), expected);
    }

    // A message where Bob is not looking: notified, counted in the tray, announced; seen once he
    // comes to the window, or gone with it. Where he is looking: only announced. A call is announced.
    void notifiedOnlyWhereTheUserIsNotLooking()
    {
        Talk c;
        QVERIFY(c.talk());
        assistivetech::alerts().clear();

        QVERIFY(c.aliceSays(u"Bonjour Bob,\ntu es là ?"_s));
        QCOMPARE(c.notifier->shown, QStringList{u"alice | Bonjour Bob, tu es là ?"_s});
        QCOMPARE(assistivetech::alerts(),
                 QStringList{u"Nouveau message de alice : Bonjour Bob, tu es là ?"_s});
        QVERIFY(c.aliceSays(u"<b>Réponds</b> & vite"_s));
        QCOMPARE(c.notifier->shown.last(), u"alice | <b>Réponds</b> & vite"_s); // plain, as typed
        QCOMPARE(c.unread(), 2);
        QCOMPARE(c.trayUnread(), 2);
        QCOMPARE(c.bob.client->tray().icon().look(), TrayLook::Unread);

        // The tray's "open" leads to the conversation where they wait.
        QCOMPARE(c.bob.client->unreadMessages().firstWaiting(), c.window());
        child<QAction>(&c.bob.client->tray().icon().menu(), u"MNU_TrayOpen"_s)->trigger();
        QVERIFY(QTest::qWaitForWindowActive(c.window()));
        QTRY_COMPARE(c.unread(), 0);
        QCOMPARE(c.trayUnread(), 0);
        QCOMPARE(c.bob.client->unreadMessages().firstWaiting(), nullptr);

        assistivetech::alerts().clear();
        QVERIFY(c.aliceSays(u"Ah, te voilà."_s));
        QCOMPARE(c.notifier->shown.size(), 2);
        QCOMPARE(c.unread(), 0);
        QCOMPARE(assistivetech::alerts(), QStringList{u"Nouveau message de alice : Ah, te voilà."_s});

        // A window that goes takes its unread messages with it.
        QVERIFY(Talk::activate(&c.bob.main()));
        QVERIFY(c.aliceSays(u"Tu pars déjà ?"_s));
        QCOMPARE(c.trayUnread(), 1);
        child<QPushButton>(c.window(), u"cmdQuit"_s)->click();
        QCOMPARE(c.unread(), 0);
        QCOMPARE(c.trayUnread(), 0);

        // The call rings for assistive technology too, naming the caller.
        assistivetech::alerts().clear();
        auto *call = new FakeLink;
        c.windows().takeLink(std::unique_ptr<FakeLink>(call), CallerMark::Unverified);
        call->ring(u"alice"_s);
        QCOMPARE(assistivetech::alerts(), QStringList{u"Un appel en provenance de alice (non vérifié)"_s});
    }
};

QTEST_MAIN(TestUnreadMessages)
#include "test_unreadmessages.moc"
