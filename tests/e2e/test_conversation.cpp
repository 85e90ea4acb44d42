// A call placed with what the real community server says about a contact: the address in the
// favourites row is where the other member's client listens, and a message gets through.
#include "client/contacts/contacteditor.h"
#include "client/conversation/peerlink.h"
#include "client/conversation/peerlistener.h"
#include "client/shell/contactrow.h"
#include "tests/support/clientfixture.h"
#include "tests/support/communityserver.h"

#include <QSignalSpy>
#include <QTreeWidget>

using namespace Qt::StringLiterals;

namespace {

struct Member : ClientDesk
{
    Member(const QString &host, const QString &address) : ClientDesk(host, QHostAddress(address)) {}

    bool logIn(const QString &pseudo)
    {
        if (!client->start())
            return false;
        submitLogin(pseudo, u"demo"_s);
        return QTest::qWaitFor(
                   [&] { return main().isVisible() && engine().requestKind() == RequestKind::Refresh; },
                   10000) &&
               waitIdle(10000);
    }
    QTreeWidgetItem *favori(const QString &pseudo)
    {
        const QList<QTreeWidgetItem *> found =
            main().lvFavoris()->findItems(pseudo, Qt::MatchExactly, contactrow::Pseudo);
        return found.isEmpty() ? nullptr : found.last();
    }
    PeerLink *newLink()
    {
        return new PeerLink(client->state(), desktop.notifier, desktop.sound, client.get());
    }
};

} // namespace

class TestConversationEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void callTheAddressTheServerGives()
    {
        CommunityServer server;
        QVERIFY2(server.start(), server.log().constData());
        Member thomas(server.hostWithPort(), u"127.0.0.2"_s);
        Member emma(server.hostWithPort(), u"127.0.0.3"_s);

        PeerListener listener(thomas.client->state());
        QVERIFY2(listener.listen(), qPrintable(listener.errorString()));
        PeerLink *answered = nullptr;
        connect(&listener, &PeerListener::connectionArrived, this, [&](QTcpSocket *socket) {
            answered = thomas.newLink();
            answered->acceptConnection(socket);
        });

        QVERIFY(thomas.logIn(u"thomas"_s));
        QVERIFY(emma.logIn(u"emma"_s));
        trigger(&emma.main(), u"MNU_AjoutFavoris"_s);
        auto *box = child<QLineEdit>(emma.client->contactEditor().dialog(FrmAjoutMembre::Variant::Favori),
                                     u"txtLogin"_s);
        box->setText(u"thomas"_s);
        QTest::keyClick(box, Qt::Key_Return);
        QVERIFY(QTest::qWaitFor([&] { return emma.favori(u"thomas"_s) != nullptr; }, 10000));
        QVERIFY(emma.waitIdle(10000));
        QTreeWidgetItem *row = emma.favori(u"thomas"_s);
        QVERIFY(contactrow::isOnline(row));

        // Emma calls from what the row holds; Thomas's client rings with her pseudo.
        PeerLink *call = emma.newLink();
        QSignalSpy accepted(call, &PeerLink::callAccepted);
        call->callMember(row->text(contactrow::Pseudo), row->text(contactrow::Adresse));
        QVERIFY(QTest::qWaitFor([&] { return answered != nullptr; }, 10000));
        QSignalSpy ringing(answered, &PeerLink::callRequested);
        QVERIFY(ringing.wait());
        QCOMPARE(ringing[0][0].toString(), u"emma"_s);
        QCOMPARE(thomas.desktop.sound.played.last(), u"sons/incomingcall.wav"_s);

        answered->sendAcceptCall();
        QVERIFY(accepted.wait());
        QSignalSpy heard(answered, &PeerLink::entryReceived);
        QVERIFY(call->sendMessage(u"{\\rtf1\\ansi Salut Thomas, ça va ?\\par }"_s));
        QVERIFY(heard.wait());
        QCOMPARE(heard[0][0].toString(), u"{\\rtf1\\ansi Salut Thomas, ça va ?\\par }"_s);
    }
};

QTEST_MAIN(TestConversationEndToEnd)
#include "test_conversation.moc"
