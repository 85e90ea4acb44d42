// The demo as a newcomer meets it: the real server with its demo members, the demo peers answering
// for the members shown connected, and a client on its own loopback address logged in as demo.
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "tests/support/childprocess.h"
#include "tests/support/communityserver.h"
#include "tests/support/member.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTextEdit>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

// The server, jaserelle-demo-peers beside it with its delays shortened, and the newcomer logged in.
struct Demo
{
    bool start(const QStringList &delays)
    {
        if (!server.start())
            return false;
        peers.setProcessChannelMode(QProcess::MergedChannels);
        peers.start(QFileInfo(CommunityServer::binary()).dir().filePath(u"jaserelle-demo-peers"_s),
                    QStringList{u"--server"_s, server.hostWithPort(), u"--answer-after"_s, u"0.05"_s,
                                u"--reply-after"_s, u"0.05"_s, u"--refresh"_s, u"0.2"_s} +
                        delays);
        if (!QTest::qWaitFor([&] { return output().contains("ready"); }, 20000))
            return false;
        demo = std::make_unique<Member>(server.hostWithPort(), u"127.0.7.2"_s);
        return demo->logIn(u"demo"_s);
    }
    ~Demo()
    {
        demo.reset();
        stopChild(peers);
    }
    // What the server and the peers have said so far.
    QByteArray output()
    {
        peersLog += peers.readAll();
        return server.log() + peersLog;
    }
    void call(const QString &pseudo)
    {
        demo->command(demo->row(demo->main().lvFavoris(), pseudo), u"MNU_CallFromFavoris"_s);
    }
    FrmConversation *window() { return demo->conversation(1); }
    // The entries of the conversation so far, by name line.
    int entriesFrom(const QString &pseudo)
    {
        return int(window()->conversationBox()->toPlainText().count(pseudo + u" : "_s));
    }

    CommunityServer server;
    QProcess peers;
    QByteArray peersLog;
    std::unique_ptr<Member> demo;
};

} // namespace

class TestDemoPeers : public QObject
{
    Q_OBJECT

private slots:
    void aMemberAnswersGreetsAndReplies()
    {
        Demo d;
        QVERIFY2(d.start({u"--call-after"_s, u"3600"_s}), d.output().constData());
        d.call(u"marie75"_s);
        QVERIFY(QTest::qWaitFor([&] { return d.window() && d.window()->isVisible(); }, 10000));
        QVERIFY(QTest::qWaitFor([&] { return d.entriesFrom(u"marie75"_s) == 1; }, 10000));
        // The greeting: bold, in her colour and font, with a smiley picture.
        QTextEdit *box = d.window()->conversationBox();
        const QString html = box->toHtml();
        QVERIFY2(box->toPlainText().contains(u"demo !"_s), qPrintable(html));
        for (const QString &mark : {u"font-weight:7"_s, u"color:#c00060"_s, u"Comic Sans MS"_s, u"<img"_s})
            QVERIFY2(html.contains(mark), qPrintable(mark + u" missing in "_s + html));

        d.window()->sendBox()->setPlainText(u"Tu vas bien ?"_s);
        d.window()->sendMessage();
        QVERIFY(QTest::qWaitFor([&] { return d.entriesFrom(u"marie75"_s) == 2; }, 10000));

        // The cat is answered by the dog.
        d.window()->sendSound(8);
        QVERIFY(QTest::qWaitFor([&] { return d.demo->desktop.sound.played.contains(u"sons/chien.wav"_s); },
                                10000));
    }

    void aMemberEndsTheCall_data()
    {
        QTest::addColumn<QString>("pseudo");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("stays"); // a conversation that was open stays to be read
        QTest::newRow("refuses") << u"antoine"_s << u":-("_s << false;
        QTest::newRow("hangs up") << u"camille"_s << u"Fin de conversation"_s << true;
    }
    void aMemberEndsTheCall()
    {
        QFETCH(QString, pseudo);
        QFETCH(QString, title);
        QFETCH(bool, stays);
        Demo d;
        QVERIFY2(d.start({u"--call-after"_s, u"3600"_s, u"--hang-up-after"_s, u"0.5"_s}),
                 d.output().constData());
        d.call(pseudo);
        QVERIFY(QTest::qWaitFor([&] { return d.demo->desktop.notifier.titles().contains(title); }, 10000));
        if (stays) {
            QVERIFY(d.window() && d.window()->hasEnded() && d.window()->isVisible());
            QVERIFY(d.window()->conversationBox()->toPlainText().endsWith(
                u"La conversation a été coupée par "_s + pseudo + u'.'));
            d.window()->close();
        }
        QVERIFY(QTest::qWaitFor([&] { return d.window() == nullptr; }, 10000));
    }

    void aMemberCallsAfterTheLogin()
    {
        Demo d;
        QVERIFY2(d.start({u"--call-after"_s, u"0.5"_s}), d.output().constData());
        QVERIFY2(QTest::qWaitFor([&] { return d.window() && d.window()->incomingForm().isVisible(); }, 10000),
                 d.output().constData());
        const QString caller = d.window()->incomingForm().caller();
        child<QPushButton>(&d.window()->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return d.entriesFrom(caller) == 1; }, 10000));
    }
};

QTEST_MAIN(TestDemoPeers)
#include "test_demo_peers.moc"
