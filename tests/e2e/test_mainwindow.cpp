#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/peerlink.h"
#include "client/conversation/peerpackets.h"
#include "client/mail/frmreadmails.h"
#include "client/mail/frmsendmail.h"
#include "client/mail/maildesk.h"
#include "client/server/enginenotices.h"
#include "client/shell/frmtrytoconnect.h"
#include "client/shell/shellcommands.h"
#include "tests/support/communityserver.h"
#include "tests/support/member.h"

#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStatusTipEvent>
#include <QTcpSocket>
#include <QTextEdit>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

// Members of the demo community, each with his own client on his own loopback address, against one
// real community server. Every case uses members of its own, so the cases leave each other alone.
class TestMainWindow : public QObject
{
    Q_OBJECT

    CommunityServer server;

private slots:
    void initTestCase() { QVERIFY2(server.start(), server.log().constData()); }

    void wrongPasswordThenLogInThenQuit()
    {
        ClientDesk user(server.hostWithPort());
        QVERIFY(user.client->start());
        user.submitLogin(u"demo"_s, u"pasbon"_s);
        QVERIFY(QTest::qWaitFor([&] { return !user.desktop.notifier.shown.isEmpty(); }, 20000));
        QCOMPARE(user.desktop.notifier.titles(), QStringList{u"Erreur d'authentification."_s});
        FrmLogin &login = user.client->frmLogin();
        QVERIFY(login.isVisible() && login.pseudoText().isEmpty() && login.passwordText().isEmpty());
        QCOMPARE(login.focusWidget(), child<QLineEdit>(&login, u"txtLogin"_s));
        QVERIFY(!user.main().isVisible() && !user.client->frmTryToConnect().isVisible());
        QVERIFY(!user.engine().refreshTimer().isActive());

        user.submitLogin(u"Demo"_s, u"demo"_s); // typed right the second time
        QVERIFY(user.refreshedAfterLogin());
        FrmMain &main = user.main();
        QVERIFY(!login.isVisible() && user.engine().refreshTimer().isActive());
        QStatusTipEvent menuTip(u"a menu entry's tip"_s); // the pointer over a menu
        QCoreApplication::sendEvent(&main, &menuTip);
        QCOMPARE(main.statusText(), u"En attente"_s); // as the refresh left it

        // The close box asks first; "Annuler" keeps the session.
        QuitFlow &quit = user.client->shellCommands().quitFlow();
        answerQuit(quit, u"cmdAnnuler"_s);
        QVERIFY(!main.close()); // the question comes a moment later
        QTest::qWait(100);
        QVERIFY(main.isVisible() && !quit.leaving() && !user.desktop.lifetime.ended());

        answerQuit(quit, u"cmdQuitter"_s);
        trigger(&main, u"MNU_Quitter"_s);
        QVERIFY(QTest::qWaitFor([&] { return user.desktop.lifetime.ended(); }, 20000));
        QCOMPARE(user.desktop.notifier.shown.size(), 1); // ended on the answer, not on a failure
        QVERIFY(main.close());                           // on the way out every window closes without asking
    }

    // Adding each other, then seeing each other come and go.
    void twoMembersSeeEachOtherComeAndGo()
    {
        Member thomas(server.hostWithPort(), u"127.0.0.2"_s);
        Member emma(server.hostWithPort(), u"127.0.0.3"_s);

        // Thomas logs in and adds Emma, who is not there yet.
        QVERIFY(thomas.logIn(u"thomas"_s));
        QVERIFY(thomas.addFavori(u"emma"_s));
        QTreeWidgetItem *emmaRow = thomas.row(thomas.main().lvFavoris(), u"emma"_s);
        QVERIFY(!contactrow::isOnline(emmaRow));
        QCOMPARE(emmaRow->text(contactrow::Adresse), QString());

        // Emma logs in and adds Thomas: he is there, black, his address in the hidden column.
        QVERIFY(emma.logIn(u"emma"_s));
        QVERIFY(emma.addFavori(u"thomas"_s));
        QTreeWidgetItem *thomasRow = emma.row(emma.main().lvFavoris(), u"thomas"_s);
        QVERIFY(contactrow::isOnline(thomasRow));
        QCOMPARE(thomasRow->text(contactrow::Adresse), u"127.0.0.2"_s);

        // Thomas's next refresh shows Emma arriving.
        QVERIFY(thomas.refreshed());
        QVERIFY(contactrow::isOnline(emmaRow));
        QCOMPARE(emmaRow->text(contactrow::Adresse), u"127.0.0.3"_s);
        QCOMPARE(thomas.desktop.sound.played, QStringList{u"sons/comein.wav"_s}); // none at the first refresh

        // Emma leaves; at Thomas's next refresh her row greys and he hears her go.
        emma.engine().start({RequestKind::Logoff});
        QVERIFY(emma.waitIdle(10000));
        QVERIFY(thomas.refreshed());
        QVERIFY(!contactrow::isOnline(emmaRow));
        QCOMPARE(emmaRow->text(contactrow::Adresse), QString());
        QCOMPARE(thomas.desktop.sound.played.last(), u"sons/goout.wav"_s);
    }

    // One calls the other from his favourites, the other answers in the notification, and a message
    // goes across between the two conversation windows, encrypted with the keys of the directory.
    void callFromTheFavouritesAndTalk()
    {
        Member louis(server.hostWithPort(), u"127.0.6.2"_s);
        Member chloe(server.hostWithPort(), u"127.0.6.3"_s);
        QVERIFY(louis.logIn(u"louis"_s));
        QVERIFY(chloe.logIn(u"chloe"_s));
        QVERIFY(chloe.addFavori(u"louis"_s));
        // Louis lists her too, so the server vouches for who calls: the call rings as chloe.
        QVERIFY(louis.addFavori(u"chloe"_s));
        // Each has published its key and learnt the other's from the directory, as their refreshes go.
        PeerSecurity &louisKeys = louis.client->conversations().security();
        PeerSecurity &chloeKeys = chloe.client->conversations().security();
        QVERIFY(louisKeys.identity && chloeKeys.identity);
        const auto learnt = [&] {
            return louisKeys.publishedFor(u"chloe"_s) == chloeKeys.identity->fingerprint() &&
                   chloeKeys.publishedFor(u"louis"_s) == louisKeys.identity->fingerprint();
        };
        for (int i = 0; i < 10 && !QTest::qWaitFor(learnt, 500); ++i)
            QVERIFY(louis.refreshed() && chloe.refreshed());
        QVERIFY(learnt());

        chloe.command(chloe.row(chloe.main().lvFavoris(), u"louis"_s), u"MNU_CallFromFavoris"_s);
        QVERIFY(QTest::qWaitFor(
            [&] { return louis.conversation(1) && louis.conversation(1)->incomingForm().isVisible(); },
            10000));
        QCOMPARE(louis.conversation(1)->incomingForm().caller(), u"chloe"_s);

        child<QPushButton>(&louis.conversation(1)->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return chloe.conversation(1)->isVisible(); }, 10000));
        QVERIFY(chloe.conversation(1)->link().isEncrypted() && louis.conversation(1)->link().isEncrypted());

        chloe.conversation(1)->sendBox()->setPlainText(u"Salut Louis, ça va ?"_s);
        child<QPushButton>(chloe.conversation(1), u"cmdSend"_s)->click();
        QTextEdit *received = louis.conversation(1)->conversationBox();
        QVERIFY(QTest::qWaitFor([&] { return received->toPlainText().contains(u"ça va ?"_s); }, 10000));
        // Stamped with the receiver's own clock.
        QCOMPARE(received->toPlainText(), u"12:00 chloe : \nSalut Louis, ça va ?\n"_s);
    }

    // One writes, the other finds the mail in his mail box and reads it.
    void mailWrittenAndRead()
    {
        Member laura(server.hostWithPort(), u"127.0.7.2"_s);
        Member olivier(server.hostWithPort(), u"127.0.7.3"_s);
        QVERIFY(laura.logIn(u"laura"_s));
        QVERIFY(olivier.logIn(u"olivier"_s));
        const int before = olivier.mailsAfterRefresh();

        // Laura writes to Olivier from a row of her search results.
        laura.command(new QTreeWidgetItem(laura.main().lvRecherche(), QStringList{u"olivier"_s}),
                      u"MNU_MailFromRecherche"_s);
        FrmSendMail &window = *laura.client->mailDesk().frmSendMail();
        child<QLineEdit>(&window, u"txtSubject"_s)->setText(u"Café ?"_s);
        child<QPlainTextEdit>(&window, u"txtMessage"_s)->setPlainText(u"Demain à 10h,\nau coin & co"_s);
        child<QPushButton>(&window, u"cmdSendMail"_s)->click();
        QVERIFY(laura.waitIdle(10000));
        QCOMPARE(laura.desktop.notifier.titles(), QStringList{u"Mail envoyé."_s});

        // Olivier's next refresh counts it; the envelope opens his box with it last.
        QCOMPARE(olivier.mailsAfterRefresh(), before + 1);
        QTest::mouseClick(olivier.main().pctbMail(), Qt::LeftButton);
        QVERIFY(olivier.waitIdle(10000));
        FrmReadMails &box = *olivier.client->mailDesk().frmReadMails();
        auto *list = child<QTreeWidget>(&box, u"lvMails"_s);
        QTRY_COMPARE(list->topLevelItemCount(), before + 1);
        QTreeWidgetItem *mail = list->topLevelItem(before);
        QCOMPARE(mail->text(FrmReadMails::De), u"laura"_s);
        QCOMPARE(mail->text(FrmReadMails::Sujet), u"Café ?"_s);
        list->setCurrentItem(mail);
        QCOMPARE(child<QPlainTextEdit>(&box, u"txtMessage"_s)->toPlainText(),
                 u"Demain à 10h,\nau coin & co"_s);
    }
    // Last, as the server goes away: a member leaves his client alone meanwhile, nobody presses OK.
    // The outage box waits, alone, for somebody to read it; the refreshes carry on underneath,
    // a call can be answered meanwhile, and the first refresh after the server's return brings
    // the member back, the outage box replaced by the return's.
    void backOnlineWithinOneRefreshWithOneBoxUp()
    {
        Member hugo(server.hostWithPort(), u"127.0.11.2"_s);
        QVERIFY(hugo.logIn(u"hugo"_s));
        RecordingNotifier &boxes = hugo.desktop.notifier;
        boxes.attended = false;
        hugo.engine().setRefreshInterval(150);
        qsizetype mostUp = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout,
                         [&] { mostUp = std::max(mostUp, boxes.openBoxes().size()); });
        watch.start(5);

        server.stop();
        const Notice outage = *socketErrorOutcome(RequestKind::Refresh, server.hostWithPort()).notice;
        QVERIFY(QTest::qWaitFor([&] { return boxes.openBoxes() == QList<Notice>{outage}; }, 10000));
        QSignalSpy failed(&hugo.engine(), &RequestEngine::requestFailed);
        QVERIFY(QTest::qWaitFor([&] { return failed.size() >= 3; }, 10000)); // refreshes go on, silently

        // Somebody calls: the notification answers with the box still up.
        QTcpSocket caller;
        caller.connectToHost(QHostAddress(u"127.0.11.2"_s), peerPort);
        caller.write("CONVERSATIONREQUESTED:emmaTHISISTHEENDOFTHEPACKET");
        FrmConversation *window = nullptr;
        QVERIFY(QTest::qWaitFor([&] {
            window = hugo.conversation(1);
            return window && window->incomingForm().isVisible();
        }));
        child<QPushButton>(&window->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return caller.bytesAvailable() > 0; }));
        QCOMPARE(caller.readAll(), QByteArray("NOPROBLEMYACCEPTTOURCALLTHISISTHEENDOFTHEPACKET"));
        QVERIFY(window->isVisible());
        QCOMPARE(boxes.openBoxes(), QList<Notice>{outage});

        // The server returns: the first refresh that reaches it is answered.
        QSignalSpy handled(&hugo.engine(), &RequestEngine::replyHandled);
        QVERIFY2(server.restart(), server.log().constData());
        QVERIFY(QTest::qWaitFor([&] { return handled.size() >= 1; }, 10000));
        QCOMPARE(handled[0][0].value<RequestKind>(), RequestKind::Refresh);
        QCOMPARE(boxes.openBoxes(), QList<Notice>{backOnlineNotice(server.hostWithPort())});
        // A server still starting may take a connection and drop it: the boxes may have changed
        // places more than once meanwhile, but never stacked.
        QVERIFY(!boxes.withdrawn.isEmpty() && boxes.withdrawn.first() == outage);
        for (const Notice &gone : boxes.withdrawn)
            QVERIFY(gone == outage || gone == backOnlineNotice(server.hostWithPort()));
        QCOMPARE(mostUp, 1);

        // Online again as far as the others can tell: Manon sees him connected.
        Member manon(server.hostWithPort(), u"127.0.11.3"_s);
        QVERIFY(manon.logIn(u"manon"_s));
        QVERIFY(manon.addFavori(u"hugo"_s));
        QVERIFY(contactrow::isOnline(manon.row(manon.main().lvFavoris(), u"hugo"_s)));
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
