#include "client/conversation/boxpictures.h"
#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/rtffragments.h"
#include "client/conversation/rtfwriter.h"
#include "client/history/frmhistory.h"
#include "client/history/historykeeper.h"
#include "client/history/historynotices.h"
#include "client/history/installhistory.h"
#include "client/shell/contactrow.h"
#include "tests/support/clientfixture.h"

#include <QListWidget>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextImageFormat>
#include <QToolButton>
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
    void say(const QString &text)
    {
        windows->conversation(1)->sendBox()->insertPlainText(text);
        windows->conversation(1)->sendMessage();
        keeper->flush();
    }

    ClientState state;
    RecordingPlatform desktop;
    Platform platform = desktop.platform();
    QTreeWidget list;
    std::unique_ptr<HistoryKeeper> keeper;
    std::unique_ptr<ConversationWindows> windows;
};

HistoryEntry entry(const QString &text)
{
    const QString rtf = u"{\\rtf1\\ansi "_s + rtffragments::escapeText(text) + u"\\par }"_s;
    return {0, u"bob"_s, QDateTime(QDate(2026, 12, 7), QTime(10, 0)), false, {}, rtf, text};
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

    std::unique_ptr<QTemporaryDir> home; // alice's history, and bob's in bob/
    std::unique_ptr<Desk> alice, bob;

    // Alice calls Bob, Bob answers: the spares of the moment hold the conversation.
    void talk()
    {
        FrmConversation *caller = alice->windows->spare(), *callee = bob->windows->spare();
        auto *row = new QTreeWidgetItem(&alice->list, QStringList{u"bob"_s, {}, {}, {}, u"127.0.6.3"_s});
        contactrow::setOnline(row, true);
        alice->windows->callFromRow(CallSource::Favoris, row);
        QVERIFY(QTest::qWaitFor([&] { return callee->incomingForm().isVisible(); }));
        child<QPushButton>(&callee->incomingForm(), u"cmdAcceptCall"_s)->click();
        QVERIFY(QTest::qWaitFor([&] { return caller->isVisible(); }));
    }

private slots:
    void init()
    {
        home = std::make_unique<QTemporaryDir>();
        alice = std::make_unique<Desk>(u"alice"_s, u"127.0.6.2"_s, home->path());
        bob = std::make_unique<Desk>(u"bob"_s, u"127.0.6.3"_s, home->filePath(u"bob"_s));
    }
    void cleanup() { alice.reset(), bob.reset(); }

    // Kept as it was across a restart; the next conversation with the member opens on its last lines.
    void keptAcrossARestart()
    {
        talk();
        FrmConversation *window = alice->windows->conversation(1), *other = bob->windows->conversation(1);
        window->sendBox()->insertPlainText(u"Salut Łódź "_s);
        child<QToolButton>(window, u"pctbEmoji0"_s)->click();
        window->sendMessage();
        QTest::mouseDClick(child<QToolButton>(window, u"pctbSon5"_s), Qt::LeftButton);
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

        alice = std::make_unique<Desk>(u"alice"_s, u"127.0.6.2"_s, home->path());
        const QList<HistoryEntry> kept = alice->keeper->reader().last(u"bob"_s, 10);
        QCOMPARE(texts(kept), (QStringList{u"Salut Łódź \U0001F600"_s, u"a envoyé un son"_s, u"Bonjour"_s,
                                           u"La conversation a été coupée par bob."_s}));
        QVERIFY(kept.at(0).own && !kept.at(2).own && kept.at(3).kind == HistoryEntry::Kind::Notice);
        QCOMPARE(kept.at(1).rtf, rtffragments::soundNotice);

        talk();
        const QString box = alice->windows->conversation(1)->conversationBox()->toPlainText();
        QVERIFY(box.startsWith(
            u"Vos derniers échanges avec bob :\n07/12/2026 09:05 alice : \nSalut Łódź \U0001F600\n"_s));
        QVERIFY(box.contains(u"07/12/2026 09:05 La conversation a été coupée par bob.\n"_s));

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

    // Every word typed, whatever its case, accents or script, or a word's start; FTS syntax is only words.
    void search()
    {
        const QString cafe = u"Le café est chaud"_s, soleil = u"le soleil"_s, privet = u"Привет, мир"_s,
                      rdv = u"rendez-vous demain à Łódź"_s;
        HistoryStore store;
        QList<HistoryEntry> batch{entry(cafe), entry(privet), entry(rdv), entry(soleil)};
        QVERIFY2(store.open(home->filePath(u"recherche.sqlite"_s)) && store.append(batch),
                 qPrintable(store.error()));
        const std::pair<QString, QStringList> rows[] = {
            {u"cafe"_s, {cafe}},     {u"CHAU"_s, {cafe}},       {u"demain rendez"_s, {rdv}},
            {u"demain café"_s, {}}, //
            {u"привет"_s, {privet}}, {u"le"_s, {soleil, cafe}}, {uR"("café" OR NEAR(* -)"_s, {}},
            {u" * "_s, {}},
        };
        for (const auto &[words, found] : rows)
            QVERIFY2(texts(store.search(words)) == found && store.error().isEmpty(), qPrintable(words));
    }

    // Deleting everything asks first; keeping unticked, nothing more is kept, in this run or the next.
    void deletionAsksFirst()
    {
        ClientDesk desk(u"127.0.0.1:1"_s);
        HistoryDesk &history = desk.client->historyDesk();
        QVERIFY(child<QAction>(&desk.main(), u"MNU_GarderHistorique"_s)->isChecked());
        for (int i = 0; i < 50; ++i)
            history.keeper().record(entry(u"message numéro "_s + QString::number(i)));
        history.keeper().flush();
        QList<bool> answers{false, true};
        history.confirm = [&](const QString &) { return answers.takeFirst(); };
        trigger(&desk.main(), u"MNU_EffacerHistorique"_s);
        QCOMPARE(history.keeper().reader().count(), 50);
        trigger(&desk.main(), u"MNU_EffacerHistorique"_s);
        QVERIFY(answers.isEmpty());
        QCOMPARE(history.keeper().reader().count(), 0);
        QVERIFY(history.keeper().reader().search(u"message"_s).isEmpty());
        QCOMPARE(desk.desktop.notifier.shown, QList<Notice>{historyDeletedNotice()});
        child<QAction>(&desk.main(), u"MNU_GarderHistorique"_s)->trigger();
        history.keeper().record(entry(u"secret"_s));
        history.keeper().flush();
        QCOMPARE(history.keeper().reader().count(), 0);
        QVERIFY(!HistoryKeeper(desk.dir.filePath(u"data"_s), desk.desktop.notifier).isEnabled());
    }

    // Past lines laid out before the window ever showed fit their box, as in the history window.
    void picturesFitTheBoxes()
    {
        QImage wide(900, 300, QImage::Format_RGB32);
        wide.fill(Qt::darkCyan);
        QTextDocument message;
        QTextCursor cursor(&message);
        boxpictures::insert(cursor, wide, wide.width());
        HistoryEntry sent = entry(u"La vue"_s);
        sent.rtf = rtfwriter::fromDocument(message);
        alice->keeper->record(sent);
        alice->keeper->flush();
        // The box's one picture: narrower than it was, as wide as the room or nearly, its shape kept.
        const auto fits = [](QTextEdit *box) {
            QList<QTextImageFormat> pictures;
            for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next())
                for (auto it = block.begin(); !it.atEnd(); ++it)
                    if (it.fragment().charFormat().isImageFormat())
                        pictures.append(it.fragment().charFormat().toImageFormat());
            const int room = boxpictures::room(*box);
            const QTextImageFormat picture = pictures.size() == 1 ? pictures[0] : QTextImageFormat();
            return room < 900 && picture.width() <= room && picture.width() > room - 20 &&
                   qRound(picture.height() * 3) == qRound(picture.width());
        };

        talk();
        QVERIFY(fits(alice->windows->conversation(1)->conversationBox()));

        FrmHistory history(*alice->keeper, u"alice"_s);
        history.resize(640, 440);
        history.show();
        QVERIFY(QTest::qWaitForWindowExposed(&history));
        history.refresh();
        child<QListWidget>(&history, u"lstMembres"_s)->setCurrentRow(0);
        QVERIFY(fits(child<QTextEdit>(&history, u"txtEntrees"_s)));
        QCOMPARE(alice->keeper->reader().last(u"bob"_s, 1).at(0).rtf, sent.rtf);
    }

    void damagedFileIsToldOnce()
    {
        QFile damaged(home->filePath(u"historique.sqlite"_s));
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(QByteArray(8192, 'x')) == 8192 &&
                damaged.flush());
        alice = std::make_unique<Desk>(u"alice"_s, u"127.0.6.2"_s, home->path());
        talk();
        alice->say(u"un"_s);
        alice->say(u"deux"_s);
        QVERIFY(alice->keeper->reader().last(u"bob"_s, 10).isEmpty());
        FrmConversation *window = alice->windows->conversation(1);
        QVERIFY(window->isVisible() && window->conversationBox()->toPlainText().contains(u"deux"_s));
        QCOMPARE(alice->desktop.notifier.titles(), QStringList{u"Historique"_s});
    }

    // A full disk (a tmpfs in a mount namespace) is told once; with room again entries are kept again.
    void fullDiskIsToldOnce()
    {
        const QString small = home->filePath(u"petit-disque"_s);
        QVERIFY(QDir().mkpath(small));
        if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", small.toUtf8().constData(), "tmpfs", 0, "size=2m") != 0)
            QSKIP("a tmpfs cannot be mounted here (it takes root)");
        // The keeper's writer thread starts after the mount, in the same namespace.
        alice = std::make_unique<Desk>(u"alice"_s, u"127.0.6.2"_s, small);
        talk();
        FrmConversation *window = alice->windows->conversation(1), *other = bob->windows->conversation(1);
        alice->say(u"avant"_s);
        QCOMPARE(alice->keeper->reader().count(), 1);

        QFile filler(QDir(small).filePath(u"remplissage"_s));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        for (int i = 0; i < 5; ++i)
            alice->say(u"plein "_s + QString::number(i));
        QVERIFY(QTest::qWaitFor([&] { return !alice->desktop.notifier.shown.isEmpty(); }));
        QCOMPARE(alice->desktop.notifier.titles(), QStringList{u"Historique"_s});
        QVERIFY(alice->desktop.notifier.shown.at(0).text.contains(u"full"_s));
        QVERIFY(window->isVisible() && !window->hasEnded() &&
                window->conversationBox()->toPlainText().contains(u"plein 4"_s));
        QVERIFY(
            QTest::qWaitFor([&] { return other->conversationBox()->toPlainText().contains(u"plein 4"_s); }));
        QCOMPARE(texts(alice->keeper->reader().last(u"bob"_s, 10)).first(), u"avant"_s);

        QVERIFY(filler.remove());
        alice->say(u"après"_s);
        QCOMPARE(texts(alice->keeper->reader().last(u"bob"_s, 1)), QStringList{u"après"_s});
        QCOMPARE(alice->desktop.notifier.titles(), QStringList{u"Historique"_s});

        alice.reset(); // the keeper lets go of the file before the disk goes
        QCOMPARE(umount2(small.toUtf8().constData(), MNT_DETACH), 0);
    }
};

QTEST_MAIN(TestHistory)
#include "test_history.moc"
