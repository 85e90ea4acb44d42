#include "client/conversation/boxpictures.h"
#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/peernotices.h"
#include "client/conversation/rtffragments.h"
#include "client/conversation/rtfwriter.h"
#include "client/history/frmhistory.h"
#include "client/history/historykeeper.h"
#include "client/history/historynotices.h"
#include "client/history/historystore.h"
#include "client/history/installhistory.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"
#include "tests/support/clientfixture.h"

#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QToolButton>
#include <QTreeWidget>
#include <sched.h>
#include <sys/mount.h>

using namespace jaserelle::client;

using namespace Qt::StringLiterals;

namespace {

// One client's conversations on its own loopback address, keeping history in `folder`.
struct Desk
{
    Desk(const QString &pseudo, const QString &address, const QString &folder)
    {
        state.userLogin = pseudo;
        state.localAddress = QHostAddress(address);
        desktop.clock.now = QTime(9, 5, 42);
        desktop.clock.today = QDate(2026, 12, 7);
        keeper = std::make_unique<HistoryKeeper>(folder, desktop.notifier);
        windows = std::make_unique<ConversationWindows>(state, platform);
        windows->setHistory(keeper.get());
        windows->start();
    }
    void call(const QString &pseudo, const QString &address)
    {
        auto *row = new QTreeWidgetItem(&list, QStringList{pseudo, {}, {}, {}, address});
        contactrow::setOnline(row, true);
        windows->callFromRow(CallSource::Favoris, row);
    }

    ClientState state;
    RecordingPlatform desktop;
    Platform platform = desktop.platform();
    QTreeWidget list;
    std::unique_ptr<HistoryKeeper> keeper;
    std::unique_ptr<ConversationWindows> windows;
};

HistoryEntry entry(const QString &member, const QString &text, QDateTime at = {})
{
    const QString rtf = u"{\\rtf1\\ansi "_s + rtffragments::escapeText(text) + u"\\par }"_s;
    return {0,
            member,
            at.isValid() ? at : QDateTime(QDate(2026, 12, 7), QTime(10, 0)),
            false,
            HistoryEntry::Kind::Message,
            rtf,
            text};
}

QStringList texts(const QList<HistoryEntry> &entries)
{
    QStringList found;
    for (const HistoryEntry &e : entries)
        found.append(e.text);
    return found;
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

    QTemporaryDir aliceFolder, bobFolder;
    std::unique_ptr<Desk> alice, bob;

    // Alice calls Bob, Bob answers: the spares of the moment hold the conversation.
    void talk()
    {
        FrmConversation *caller = alice->windows->spare();
        FrmConversation *callee = bob->windows->spare();
        alice->call(u"bob"_s, u"127.0.6.3"_s);
        QVERIFY(QTest::qWaitFor([&] { return callee->incomingForm().isVisible(); }));
        child<QPushButton>(&callee->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return caller->isVisible(); }));
    }

private slots:
    void init()
    {
        alice = std::make_unique<Desk>(u"alice"_s, u"127.0.6.2"_s, aliceFolder.path());
        bob = std::make_unique<Desk>(u"bob"_s, u"127.0.6.3"_s, bobFolder.path());
    }
    void cleanup()
    {
        alice.reset();
        bob.reset();
        for (QTemporaryDir *dir : {&aliceFolder, &bobFolder})
            QDir(dir->path()).removeRecursively(), QDir().mkpath(dir->path());
    }

    // A conversation is on disk once the windows are gone, the client restarted: each entry as it
    // was, and the next conversation with the member opens on its last lines, marked as past.
    void keptAcrossARestart()
    {
        talk();
        FrmConversation *window = alice->windows->conversation(1);
        window->sendBox()->insertPlainText(u"Salut Łódź "_s);
        child<QToolButton>(window, u"pctbEmoji0"_s)->click();
        window->sendMessage();
        QTest::mouseDClick(child<QToolButton>(window, u"pctbSon5"_s), Qt::LeftButton);
        FrmConversation *other = bob->windows->conversation(1);
        QVERIFY(
            QTest::qWaitFor([&] { return other->conversationBox()->toPlainText().contains(u"un son"_s); }));
        QTest::keyClicks(other->sendBox(), u"Bonjour"_s);
        other->sendMessage();
        QVERIFY(
            QTest::qWaitFor([&] { return window->conversationBox()->toPlainText().contains(u"Bonjour"_s); }));
        other->closeConversation();
        QVERIFY(QTest::qWaitFor([&] { return window->hasEnded(); }));
        window->close();

        // On disk while the conversation goes on, with no one asking for it.
        QVERIFY(QTest::qWaitFor([&] { return alice->keeper->reader().count() == 4; }));

        // The client ends and starts again on the same folder.
        alice = std::make_unique<Desk>(u"alice"_s, u"127.0.6.2"_s, aliceFolder.path());
        const QList<HistoryEntry> kept = alice->keeper->reader().last(u"bob"_s, 10);
        QCOMPARE(texts(kept), (QStringList{u"Salut Łódź \U0001F600"_s, u"a envoyé un son"_s, u"Bonjour"_s,
                                           u"La conversation a été coupée par bob."_s}));
        QCOMPARE(kept.at(0).own, true);
        QCOMPARE(kept.at(1).rtf, rtffragments::soundNotice);
        QCOMPARE(kept.at(2).own, false);
        QCOMPARE(kept.at(3).kind, HistoryEntry::Kind::Notice);
        QCOMPARE(kept.at(0).at, QDateTime(QDate(2026, 12, 7), QTime(9, 5, 42)));
        QCOMPARE(alice->keeper->reader().members(), QStringList{u"bob"_s});
        QCOMPARE(alice->keeper->reader().days(u"bob"_s), QList<QDate>{QDate(2026, 12, 7)});
        // Bob kept his side too, his own words as his.
        bob->keeper->flush();
        QCOMPARE(texts(bob->keeper->reader().last(u"alice"_s, 2)),
                 (QStringList{u"a envoyé un son"_s, u"Bonjour"_s}));

        talk();
        const QString box = alice->windows->conversation(1)->conversationBox()->toPlainText();
        QVERIFY2(
            box.startsWith(
                u"Vos derniers échanges avec bob :\n07/12/2026 09:05 alice : \nSalut Łódź \U0001F600\n"_s),
            qPrintable(box));
        QVERIFY(box.contains(u"07/12/2026 09:05 La conversation a été coupée par bob.\n"_s));

        // The history window: by member, by day, and entries as they were.
        FrmHistory history(*alice->keeper, u"alice"_s);
        history.refresh();
        auto *members = child<QListWidget>(&history, u"lstMembres"_s);
        QTextEdit *entries = child<QTextEdit>(&history, u"txtEntrees"_s);
        QCOMPARE(members->count(), 1);
        members->setCurrentRow(0);
        QCOMPARE(child<QListWidget>(&history, u"lstJours"_s)->item(0)->text(), u"07/12/2026"_s);
        QVERIFY(entries->toPlainText().startsWith(
            u"09:05 alice : \nSalut Łódź \U0001F600\n\n09:05 alice : \na envoyé un son"_s));
        history.search(u"SALUT"_s);
        QCOMPARE(entries->toPlainText(), u"[bob] 07/12/2026 09:05 alice : \nSalut Łódź \U0001F600\n"_s);
    }

    // Keeping switched off writes nothing, this run or the next.
    void offWritesNothing()
    {
        alice->keeper->setEnabled(false);
        alice = std::make_unique<Desk>(u"alice"_s, u"127.0.6.2"_s, aliceFolder.path());
        QVERIFY(!alice->keeper->isEnabled());
        talk();
        QTest::keyClicks(alice->windows->conversation(1)->sendBox(), u"secret"_s);
        alice->windows->conversation(1)->sendMessage();
        alice->keeper->flush();
        QVERIFY(!QFile::exists(alice->keeper->file()));
        QVERIFY(alice->desktop.notifier.shown.isEmpty());
    }

    // The words as typed find the entries that hold all of them, whatever the case, the accents or
    // the script, and a word's start is enough; what the search language would read as its own
    // syntax is only words.
    void search_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("accent-free") << u"cafe"_s << QStringList{u"Le café est chaud"_s};
        QTest::newRow("start of a word") << u"CHAU"_s << QStringList{u"Le café est chaud"_s};
        QTest::newRow("every word, any order")
            << u"demain rendez"_s << QStringList{u"rendez-vous demain à Łódź"_s};
        QTest::newRow("not every word") << u"demain café"_s << QStringList{};
        QTest::newRow("cyrillic") << u"привет"_s << QStringList{u"Привет, мир"_s};
        QTest::newRow("arabic") << u"مرحبا"_s << QStringList{u"مرحبا بك"_s};
        QTest::newRow("latest first") << u"le"_s << QStringList{u"le soleil"_s, u"Le café est chaud"_s};
        QTest::newRow("query syntax") << uR"("café" OR NEAR(* -)"_s << QStringList{};
        QTest::newRow("nothing typed") << u" * "_s << QStringList{};
    }
    void search()
    {
        QFETCH(QString, words);
        QFETCH(QStringList, found);
        HistoryStore store;
        QVERIFY2(store.open(aliceFolder.filePath(u"recherche.sqlite"_s)), qPrintable(store.error()));
        if (store.count() == 0) {
            QList<HistoryEntry> batch;
            for (const QString &text : {u"Le café est chaud"_s, u"Привет, мир"_s,
                                        u"rendez-vous demain à Łódź"_s, u"مرحبا بك"_s, u"le soleil"_s})
                batch.append(entry(u"bob"_s, text));
            QVERIFY(store.append(batch));
        }
        QCOMPARE(texts(store.search(words)), found);
        QVERIFY(store.error().isEmpty());
    }

    // Deleting everything asks first; a no keeps every entry, a yes empties the file.
    void deletionAsksFirst()
    {
        ClientDesk desk(u"127.0.0.1:1"_s);
        HistoryDesk &history = desk.client->historyDesk();
        QVERIFY(child<QAction>(&desk.main(), u"MNU_GarderHistorique"_s)->isChecked());
        for (int i = 0; i < 50; ++i)
            history.keeper().record(entry(u"bob"_s, u"message numéro "_s + QString::number(i)));
        history.keeper().flush();
        QStringList asked;
        bool answer = false;
        history.confirm = [&](const QString &question) {
            asked.append(question);
            return answer;
        };
        trigger(&desk.main(), u"MNU_EffacerHistorique"_s);
        QCOMPARE(history.keeper().reader().count(), 50);
        answer = true;
        trigger(&desk.main(), u"MNU_EffacerHistorique"_s);
        QCOMPARE(asked, (QStringList{historyDeletionQuestion(), historyDeletionQuestion()}));
        QCOMPARE(history.keeper().reader().count(), 0);
        QVERIFY(history.keeper().reader().search(u"message"_s).isEmpty());
        QCOMPARE(desk.desktop.notifier.shown, QList<Notice>{historyDeletedNotice()});
        // Unticked in the menu, the next run does not keep either.
        child<QAction>(&desk.main(), u"MNU_GarderHistorique"_s)->trigger();
        QVERIFY(!history.keeper().isEnabled());
        QVERIFY(!HistoryKeeper(desk.dir.filePath(u"data"_s), desk.desktop.notifier).isEnabled());
    }

    // A picture wider than the boxes is shown at their width, its shape kept: in the last lines
    // a conversation window opens on, laid out before the window ever showed, and in the history
    // window. On the screen only: the file keeps what was received.
    void picturesFitTheBoxes()
    {
        QImage wide(900, 300, QImage::Format_RGB32);
        wide.fill(Qt::darkCyan);
        QTextDocument message;
        QTextCursor cursor(&message);
        cursor.insertText(u"La vue"_s);
        boxpictures::insert(cursor, wide, wide.width());
        HistoryEntry sent = entry(u"bob"_s, u"La vue"_s);
        sent.rtf = rtfwriter::fromDocument(message);
        alice->keeper->record(sent);
        alice->keeper->flush();
        const auto pictureIn = [](QTextEdit *box) {
            QList<QTextImageFormat> pictures;
            for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next()) {
                for (auto it = block.begin(); !it.atEnd(); ++it) {
                    if (it.fragment().charFormat().isImageFormat())
                        pictures.append(it.fragment().charFormat().toImageFormat());
                }
            }
            return pictures.size() == 1 ? pictures.at(0) : QTextImageFormat();
        };
        const auto fits = [](const QTextImageFormat &picture, QTextEdit *box) {
            const int room = boxpictures::room(*box);
            return room < 900 && picture.width() <= room && picture.width() > room - 20 &&
                   qRound(picture.height() * 3) == qRound(picture.width());
        };

        talk();
        QTextEdit *box = alice->windows->conversation(1)->conversationBox();
        QVERIFY2(fits(pictureIn(box), box),
                 qPrintable(u"%1 px in %2"_s.arg(pictureIn(box).width()).arg(boxpictures::room(*box))));

        FrmHistory history(*alice->keeper, u"alice"_s);
        history.resize(640, 440);
        history.show();
        QVERIFY(QTest::qWaitForWindowExposed(&history));
        history.refresh();
        child<QListWidget>(&history, u"lstMembres"_s)->setCurrentRow(0);
        QTextEdit *entries = child<QTextEdit>(&history, u"txtEntrees"_s);
        QVERIFY2(
            fits(pictureIn(entries), entries),
            qPrintable(u"%1 px in %2"_s.arg(pictureIn(entries).width()).arg(boxpictures::room(*entries))));
        QCOMPARE(alice->keeper->reader().last(u"bob"_s, 1).at(0).rtf, sent.rtf);
    }

    // A damaged file is told once; the conversation goes on, its window untouched.
    void damagedFileIsToldOnce()
    {
        QFile damaged(aliceFolder.filePath(u"historique.sqlite"_s));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(8192, 'x'));
        damaged.close();
        alice = std::make_unique<Desk>(u"alice"_s, u"127.0.6.2"_s, aliceFolder.path());
        talk();
        FrmConversation *window = alice->windows->conversation(1);
        for (const QString &text : {u"un"_s, u"deux"_s}) {
            QTest::keyClicks(window->sendBox(), text);
            window->sendMessage();
            alice->keeper->flush();
        }
        QVERIFY(window->isVisible() && window->conversationBox()->toPlainText().contains(u"deux"_s));
        QCOMPARE(alice->desktop.notifier.titles(), QStringList{u"Historique"_s});
        QVERIFY(alice->keeper->reader().last(u"bob"_s, 10).isEmpty());
        QCOMPARE(alice->desktop.notifier.titles(), QStringList{u"Historique"_s});
    }

    // A disk that fills up during a conversation is told once: every message still shows and
    // reaches the peer, the window stays, what was kept before stays kept, and once there is
    // room again the entries are kept again. The disk is a small tmpfs of this test's own,
    // mounted in a mount namespace of its own, so nothing outside sees it.
    void fullDiskIsToldOnce()
    {
        const QString small = aliceFolder.filePath(u"petit-disque"_s);
        QVERIFY(QDir().mkpath(small));
        if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", small.toUtf8().constData(), "tmpfs", 0, "size=2m") != 0)
            QSKIP("a tmpfs cannot be mounted here (it takes root)");
        // The keeper's writer thread starts after the mount, in the same namespace.
        alice = std::make_unique<Desk>(u"alice"_s, u"127.0.6.2"_s, small);
        talk();
        FrmConversation *window = alice->windows->conversation(1);
        FrmConversation *other = bob->windows->conversation(1);
        const auto say = [&](const QString &text) {
            window->sendBox()->insertPlainText(text);
            window->sendMessage();
            alice->keeper->flush();
        };
        say(u"avant"_s);
        QCOMPARE(alice->keeper->reader().count(), 1);

        // Everything the disk has left goes to a file of its own.
        QFile filler(QDir(small).filePath(u"remplissage"_s));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        for (int i = 0; i < 5; ++i)
            say(u"plein "_s + QString::number(i));
        QVERIFY(QTest::qWaitFor([&] { return !alice->desktop.notifier.shown.isEmpty(); }));
        QCOMPARE(alice->desktop.notifier.titles(), QStringList{u"Historique"_s});
        QVERIFY2(alice->desktop.notifier.shown.at(0).text.contains(u"full"_s),
                 qPrintable(alice->desktop.notifier.shown.at(0).text));
        QVERIFY(window->isVisible() && !window->hasEnded());
        QVERIFY(window->conversationBox()->toPlainText().contains(u"plein 4"_s));
        QVERIFY(
            QTest::qWaitFor([&] { return other->conversationBox()->toPlainText().contains(u"plein 4"_s); }));
        QCOMPARE(texts(alice->keeper->reader().last(u"bob"_s, 10)).first(), u"avant"_s);

        // Room again: the next entries are kept, and nothing more is told.
        QVERIFY(filler.remove());
        say(u"après"_s);
        QCOMPARE(texts(alice->keeper->reader().last(u"bob"_s, 1)), QStringList{u"après"_s});
        QCOMPARE(alice->desktop.notifier.titles(), QStringList{u"Historique"_s});

        alice.reset(); // the keeper lets go of the file before the disk goes
        QCOMPARE(umount2(small.toUtf8().constData(), MNT_DETACH), 0);
    }
};

QTEST_MAIN(TestHistory)
#include "test_history.moc"
