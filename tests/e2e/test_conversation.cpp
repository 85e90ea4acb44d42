// Two members, each with his own client on his own loopback address, against the real community
// server: one calls the other from his favourites, the other answers in the notification, and a
// message goes across between the two conversation windows.
#include "client/contacts/contacteditor.h"
#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/peerlistener.h"
#include "client/shell/contactrow.h"
#include "client/shell/rowselection.h"
#include "tests/support/clientfixture.h"
#include "tests/support/communityserver.h"

#include <QTextEdit>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

struct Member : ClientDesk
{
    Member(const QString &host, const QString &address) : ClientDesk(host, QHostAddress(address)) {}

    bool logIn(const QString &pseudo) { return logInAndRefresh(pseudo, u"demo"_s); }
    QTreeWidgetItem *favori(const QString &pseudo)
    {
        const QList<QTreeWidgetItem *> found =
            main().lvFavoris()->findItems(pseudo, Qt::MatchExactly, contactrow::Pseudo);
        return found.isEmpty() ? nullptr : found.last();
    }
    FrmConversation *window(int index) { return client->conversations().conversation(index); }
};

} // namespace

class TestConversationEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void callFromTheFavouritesAndTalk()
    {
        CommunityServer server;
        QVERIFY2(server.start(), server.log().constData());
        Member thomas(server.hostWithPort(), u"127.0.6.2"_s);
        Member emma(server.hostWithPort(), u"127.0.6.3"_s);
        QVERIFY(thomas.logIn(u"thomas"_s));
        QVERIFY(emma.logIn(u"emma"_s));
        QVERIFY(thomas.client->conversations().listener().isListening());

        trigger(&emma.main(), u"MNU_AjoutFavoris"_s);
        auto *box = child<QLineEdit>(emma.client->contactEditor().dialog(FrmAjoutMembre::Variant::Favori),
                                     u"txtLogin"_s);
        box->setText(u"thomas"_s);
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(QTest::qWaitFor([&] { return emma.favori(u"thomas"_s) != nullptr; }, 10000));
        QVERIFY(emma.waitIdle(10000));

        // A right click on Thomas's row, then "L'appeler".
        emma.main().rowSelection().setSelectedItem(emma.favori(u"thomas"_s));
        trigger(&emma.main(), u"MNU_CallFromFavoris"_s);
        QCOMPARE(emma.client->conversations().conversationCount(), 2);
        QVERIFY(QTest::qWaitFor(
            [&] { return thomas.window(1) && thomas.window(1)->incomingForm().isVisible(); }, 10000));
        QCOMPARE(thomas.window(1)->incomingForm().caller(), u"emma"_s);
        QCOMPARE(thomas.desktop.sound.played.last(), u"sons/incomingcall.wav"_s);

        child<QPushButton>(&thomas.window(1)->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return emma.window(1)->isVisible(); }, 10000));
        QCOMPARE(emma.window(1)->windowTitle(), u"thomas-Conversation"_s);

        emma.window(1)->sendBox()->setPlainText(u"Salut Thomas, ça va ?"_s);
        child<QPushButton>(emma.window(1), u"cmdSend"_s)->click();
        QVERIFY(QTest::qWaitFor(
            [&] { return thomas.window(1)->conversationBox()->toPlainText().contains(u"ça va ?"_s); },
            10000));
        QCOMPARE(thomas.window(1)->conversationBox()->toPlainText(), u"emma : \nSalut Thomas, ça va ?\n"_s);

        // Quitting Thomas's client closes his conversation; Emma is told it was cut.
        thomas.client->conversations().closeEveryConversation();
        QVERIFY(QTest::qWaitFor([&] { return emma.window(1) == nullptr; }, 10000));
        QCOMPARE(emma.desktop.notifier.titles().last(), u"Fin de conversation"_s);
    }
};

QTEST_MAIN(TestConversationEndToEnd)
#include "test_conversation.moc"
