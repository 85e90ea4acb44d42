// The demo as a newcomer meets it: the real server with its demo members, the demo peers answering
// for the members shown connected, and a client on its own loopback address logged in as demo.
#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/shell/contactrow.h"
#include "tests/support/clientfixture.h"
#include "tests/support/communityserver.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTextEdit>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

// jaserelle-demo-peers beside the server, its delays shortened; ready once it listens.
struct DemoPeers
{
    bool start(const CommunityServer &server, const QStringList &delays)
    {
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QFileInfo(CommunityServer::binary()).dir().filePath(u"jaserelle-demo-peers"_s),
                      QStringList{u"--server"_s, server.hostWithPort(), u"--answer-after"_s, u"0.05"_s,
                                  u"--reply-after"_s, u"0.05"_s, u"--refresh"_s, u"0.2"_s} +
                          delays);
        return QTest::qWaitFor([&] { return output().contains("ready"); }, 20000);
    }
    ~DemoPeers()
    {
        process.terminate();
        process.waitForFinished(5000);
    }
    QByteArray output()
    {
        log += process.readAll();
        return log;
    }
    QProcess process;
    QByteArray log;
};

struct Newcomer : ClientDesk
{
    explicit Newcomer(const CommunityServer &server)
        : ClientDesk(server.hostWithPort(), QHostAddress(u"127.0.7.2"_s))
    {
    }
    FrmConversation *window(int index) { return client->conversations().conversation(index); }
    void call(const QString &pseudo)
    {
        command(main().lvFavoris()->findItems(pseudo, Qt::MatchExactly, contactrow::Pseudo).value(0),
                u"MNU_CallFromFavoris"_s);
    }
    // The entries of a conversation so far, by name line.
    int entriesFrom(int index, const QString &pseudo)
    {
        return int(window(index)->conversationBox()->toPlainText().count(pseudo + u" : "_s));
    }
};

} // namespace

class TestDemoPeers : public QObject
{
    Q_OBJECT

private slots:
    void aMemberAnswersGreetsAndReplies()
    {
        CommunityServer server;
        QVERIFY2(server.start(), server.log().constData());
        DemoPeers peers;
        QVERIFY2(peers.start(server, {u"--call-after"_s, u"3600"_s}), peers.output().constData());
        Newcomer demo(server);
        QVERIFY(demo.logInAndRefresh(u"demo"_s, u"demo"_s));

        demo.call(u"marie75"_s);
        QVERIFY(QTest::qWaitFor([&] { return demo.window(1) && demo.window(1)->isVisible(); }, 10000));
        QTextEdit *box = demo.window(1)->conversationBox();
        QVERIFY(QTest::qWaitFor([&] { return demo.entriesFrom(1, u"marie75"_s) == 1; }, 10000));
        // The greeting: bold, in her colour and font, with a smiley picture.
        const QString html = box->toHtml();
        QVERIFY2(box->toPlainText().contains(u"demo !"_s), qPrintable(html));
        for (const QString &mark : {u"font-weight:7"_s, u"color:#c00060"_s, u"Comic Sans MS"_s, u"<img"_s})
            QVERIFY2(html.contains(mark), qPrintable(mark + u" missing in "_s + html));

        demo.window(1)->sendBox()->setPlainText(u"Tu vas bien ?"_s);
        demo.window(1)->sendMessage();
        QVERIFY(QTest::qWaitFor([&] { return demo.entriesFrom(1, u"marie75"_s) == 2; }, 10000));

        // The cat is answered by the dog.
        demo.window(1)->sendSound(8);
        QVERIFY(
            QTest::qWaitFor([&] { return demo.desktop.sound.played.contains(u"sons/chien.wav"_s); }, 10000));
    }

    void aMemberEndsTheCall_data()
    {
        QTest::addColumn<QString>("pseudo");
        QTest::addColumn<QString>("title");
        QTest::newRow("refuses") << u"antoine"_s << u":-("_s;
        QTest::newRow("hangs up") << u"camille"_s << u"Fin de conversation"_s;
    }
    void aMemberEndsTheCall()
    {
        QFETCH(QString, pseudo);
        QFETCH(QString, title);
        CommunityServer server;
        QVERIFY2(server.start(), server.log().constData());
        DemoPeers peers;
        QVERIFY2(peers.start(server, {u"--call-after"_s, u"3600"_s, u"--hang-up-after"_s, u"0.5"_s}),
                 peers.output().constData());
        Newcomer demo(server);
        QVERIFY(demo.logInAndRefresh(u"demo"_s, u"demo"_s));

        demo.call(pseudo);
        QVERIFY(QTest::qWaitFor([&] { return demo.desktop.notifier.titles().contains(title); }, 10000));
        QVERIFY(QTest::qWaitFor([&] { return demo.window(1) == nullptr; }, 10000));
    }

    void aMemberCallsAfterTheLogin()
    {
        CommunityServer server;
        QVERIFY2(server.start(), server.log().constData());
        DemoPeers peers;
        QVERIFY2(peers.start(server, {u"--call-after"_s, u"0.5"_s}), peers.output().constData());
        Newcomer demo(server);
        QVERIFY(demo.logInAndRefresh(u"demo"_s, u"demo"_s));

        QVERIFY2(QTest::qWaitFor([&] { return demo.window(1) && demo.window(1)->incomingForm().isVisible(); },
                                 10000),
                 peers.output().constData());
        const QString caller = demo.window(1)->incomingForm().caller();
        child<QPushButton>(&demo.window(1)->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return demo.entriesFrom(1, caller) == 1; }, 10000));
    }
};

QTEST_MAIN(TestDemoPeers)
#include "test_demo_peers.moc"
