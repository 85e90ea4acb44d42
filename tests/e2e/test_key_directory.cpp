// Two members' clients against the real server: each publishes its key, learns the other's from
// the directory, and their call is encrypted and verified by key.
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/peerlink.h"
#include "tests/support/communityserver.h"
#include "tests/support/member.h"

#include <QTest>
#include <QTextEdit>

using namespace Qt::StringLiterals;

class TestKeyDirectory : public QObject
{
    Q_OBJECT

    // Refreshes both, as their timers would, until `done` holds.
    static bool refreshUntil(Member &a, Member &b, const std::function<bool()> &done)
    {
        for (int i = 0; i < 10 && !done(); ++i) {
            if (!a.refreshed() || !b.refreshed())
                return false;
            QTest::qWait(100);
        }
        return done();
    }

private slots:
    void membersLearnEachOthersKeysAndTalkEncrypted()
    {
        CommunityServer server;
        QVERIFY(server.start());
        Member demo(server.hostWithPort(), u"127.0.7.2"_s);
        Member marie(server.hostWithPort(), u"127.0.7.3"_s);
        QVERIFY(demo.logIn(u"demo"_s));
        QVERIFY(marie.logIn(u"marie75"_s));
        PeerSecurity &demoKeys = demo.client->conversations().security();
        PeerSecurity &marieKeys = marie.client->conversations().security();
        QVERIFY(demoKeys.identity && marieKeys.identity);
        QVERIFY(refreshUntil(demo, marie, [&] {
            return demoKeys.publishedFor(u"marie75"_s) == marieKeys.identity->fingerprint() &&
                   marieKeys.publishedFor(u"demo"_s) == demoKeys.identity->fingerprint();
        }));

        // The demo community shows its members at addresses of their own: the call goes to where
        // marie's client really listens.
        QTreeWidgetItem *row = demo.row(demo.main().lvFavoris(), u"marie75"_s);
        QVERIFY(row);
        row->setText(contactrow::Adresse, u"127.0.7.3"_s);
        demo.command(row, u"MNU_CallFromFavoris"_s);
        QVERIFY(QTest::qWaitFor(
            [&] { return marie.conversation(1) && marie.conversation(1)->incomingForm().isVisible(); },
            10000));
        QCOMPARE(marie.conversation(1)->incomingForm().caller(), u"demo"_s);
        child<QPushButton>(&marie.conversation(1)->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return demo.conversation(1)->isVisible(); }, 10000));
        QVERIFY(demo.conversation(1)->link().isEncrypted());
        QVERIFY(marie.conversation(1)->link().isEncrypted());
        demo.conversation(1)->sendBox()->setPlainText(u"Salut Marie"_s);
        demo.conversation(1)->sendMessage();
        QVERIFY(QTest::qWaitFor([&] {
            return marie.conversation(1)->conversationBox()->toPlainText().contains(u"Salut Marie"_s);
        }));
    }
};

QTEST_MAIN(TestKeyDirectory)
#include "test_key_directory.moc"
