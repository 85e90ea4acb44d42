// What the last lines cost a conversation window: the click on "L'appeler", then from the answer
// to the caller's window painted on the screen (offscreen here), once with a history of many messages (a few
// hundred of them with the member called, the window opening on the last ones, marked as past)
// and once bare, without history. Two clients in one process on loopback (a network namespace of
// their own when one can be made); the callee answers as soon as it rings. The two kinds of
// opening alternate, so whatever else the machine does weighs on both alike.
//
//   bench_pastlines [openings]   (default 20 of each)
//   BENCH_HISTORY_MESSAGES       messages in the history file (default 1 000 000)

#include "bench/support/benchdesk.h"
#include "client/conversation/conversationwindows.h"
#include "client/conversation/frmconversation.h"
#include "client/conversation/frmincome.h"
#include "client/conversation/rtfwriter.h"
#include "client/history/historykeeper.h"
#include "client/history/historystore.h"
#include "client/platform/platform.h"
#include "client/shell/clientstate.h"
#include "client/shell/contactrow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <net/if.h>
#include <optional>
#include <sched.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace jaserelle::client;
using jaserelle::bench::Desk;
using jaserelle::bench::ownNetwork;
using jaserelle::bench::QuietDesktop;
using namespace Qt::StringLiterals;

namespace {

// Messages as a send box writes them: fonts, colours, bold, emoji, other scripts.
QStringList sampleMessages()
{
    QStringList rtf;
    const struct
    {
        const char16_t *text;
        bool bold;
        QColor colour;
        const char16_t *family;
    } samples[] = {
        {u"Salut ! 😀 Tu viens ce soir au cinéma ?", false, Qt::black, u"Arial"},
        {u"Oui, vers 20 h 🎬 devant la gare", true, QColor(0x80, 0, 0), u"Verdana"},
        {u"Привет ! J'ai trouvé le livre d'Erdős, je te le prête demain 👍", false, QColor(0, 0x60, 0),
         u"Times New Roman"},
        {u"Bonne nuit, à demain ❤️", false, Qt::blue, u"Comic Sans MS"},
    };
    for (const auto &sample : samples) {
        QTextDocument document;
        QTextCursor cursor(&document);
        QTextCharFormat format;
        format.setFontFamilies({QString::fromUtf16(sample.family)});
        format.setFontPointSize(10);
        format.setFontWeight(sample.bold ? QFont::Bold : QFont::Normal);
        format.setForeground(sample.colour);
        cursor.insertText(QString::fromUtf16(sample.text), format);
        rtf.append(rtfwriter::fromDocument(document));
    }
    return rtf;
}

bool exec(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    std::printf("sqlite: %s\n", message ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    return false;
}

// The history file as the client makes it (its own schema, its triggers filling the full-text
// index), filled in one statement: one entry in every `memberEvery` is with "bob", the others
// with 2 000 other members. What the window reads does not depend on how the file was filled.
bool fill(const QString &file, qint64 messages, qint64 memberEvery)
{
    {
        HistoryStore store;
        if (!store.open(file)) {
            std::printf("history: %s\n", qPrintable(store.error()));
            return false;
        }
    }
    sqlite3 *db = nullptr;
    if (sqlite3_open(file.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    const QStringList rtf = sampleMessages();
    bool ok = exec(db, "PRAGMA journal_mode=OFF") && exec(db, "PRAGMA synchronous=OFF") &&
              exec(db, "CREATE TEMP TABLE words(i INTEGER PRIMARY KEY, w TEXT)") &&
              exec(db, "INSERT INTO words(w) VALUES ('bonjour'),('ce'),('soir'),('demain'),('cinéma'),"
                       "('merci'),('oui'),('non'),('gare'),('midi'),('café'),('travail'),('vacances'),"
                       "('mer'),('photo'),('chat'),('pluie'),('soleil'),('livre'),('train')") &&
              exec(db, "CREATE TEMP TABLE samples(i INTEGER PRIMARY KEY, rtf TEXT)");
    sqlite3_stmt *sample = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "INSERT INTO samples(i, rtf) VALUES (?1, ?2)", -1, &sample, nullptr) ==
                   SQLITE_OK;
    for (qsizetype i = 0; ok && i < rtf.size(); ++i) {
        const QByteArray utf8 = rtf.at(i).toUtf8();
        sqlite3_bind_int64(sample, 1, i);
        sqlite3_bind_text(sample, 2, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        ok = sqlite3_step(sample) == SQLITE_DONE;
        sqlite3_reset(sample);
    }
    sqlite3_finalize(sample);
    // Entries 40 s apart from 1 January 2025; words drawn from the list (a "k = k" keeps each
    // draw inside its row).
    const QByteArray insert =
        "WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < " +
        QByteArray::number(messages) +
        ") INSERT INTO entries(member, at_ms, day, own, kind, rtf, text)"
        " SELECT m, 1735718400000 + k * 40000, date(1735718400 + k * 40, 'unixepoch'), k % 2, 0,"
        "  CASE WHEN m = 'bob' THEN (SELECT rtf FROM samples WHERE i = k % 4) ELSE '{\\rtf1\\ansi ' || x || "
        "'\\par }' END, x"
        " FROM (SELECT k, CASE WHEN k % " +
        QByteArray::number(memberEvery) +
        " = 0 THEN 'bob' ELSE 'membre' || (k % 2000) END AS m,"
        "  (SELECT w FROM words WHERE i = 1 + (abs(random()) + k) % 20 AND k = k) || ' ' ||"
        "  (SELECT w FROM words WHERE i = 1 + (abs(random()) + k) % 20 AND k = k) || ' ' ||"
        "  (SELECT w FROM words WHERE i = 1 + (abs(random()) + k) % 20 AND k = k) || ' ' ||"
        "  (SELECT w FROM words WHERE i = 1 + (abs(random()) + k) % 20 AND k = k) || ' ' ||"
        "  (SELECT w FROM words WHERE i = 1 + (abs(random()) + k) % 20 AND k = k) AS x FROM n)";
    ok = ok && exec(db, "BEGIN") && exec(db, insert.constData()) && exec(db, "COMMIT") &&
         exec(db, "PRAGMA journal_mode=WAL");
    sqlite3_close(db);
    return ok;
}

bool waitFor(const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

// Microseconds of the caller's own work; the wait for the callee to ring is left out, the same
// with history or without, and what weighs most on the noise of a busy machine.
struct Opening
{
    double click = 0;  // the click: the spare reads the past lines and lays them out
    double shown = 0;  // from the answer to the window shown
    double paint = 0;  // the window's first paint, once it shows
    double window = 0; // the click, and from the answer to the window painted
};

// One call from alice to bob, answered at once; then both windows go.
std::optional<Opening> open(Desk &alice, Desk &bob, QTreeWidgetItem *row, bool withPast)
{
    const int caller = alice.windows->conversationCount();
    const int callee = bob.windows->conversationCount();
    FrmConversation *window = alice.windows->conversation(caller);
    Opening took;
    QElapsedTimer clock;
    clock.start();
    alice.windows->callFromRow(CallSource::Favoris, row);
    took.click = double(clock.nsecsElapsed()) / 1000.0;
    FrmConversation *answering = bob.windows->conversation(callee);
    if (!waitFor([&] { return answering->incomingForm().isVisible(); }))
        return std::nullopt;
    clock.start();
    answering->sendAcceptCall();
    if (!waitFor([&] { return window->isVisible(); }))
        return std::nullopt;
    const double visible = double(clock.nsecsElapsed()) / 1000.0;
    window->grab(); // the first paint, the transcript laid out
    const double painted = double(clock.nsecsElapsed()) / 1000.0;
    took.shown = visible;
    took.paint = painted - visible;
    took.window = took.click + painted;
    const bool shown = window->conversationBox()->toPlainText().startsWith(u"Vos derniers échanges"_s);
    if (shown != withPast) {
        std::puts("the window did not open as expected");
        return std::nullopt;
    }
    window->closeConversation();
    answering->closeConversation();
    for (int j = 0; j < 20; ++j)
        QCoreApplication::processEvents();
    return took;
}

} // namespace

int main(int argc, char **argv)
{
    const int openings = argc > 1 ? std::max(3, std::atoi(argv[1])) : 20;
    qint64 messages = qEnvironmentVariableIntValue("BENCH_HISTORY_MESSAGES");
    if (messages <= 0)
        messages = 1000000;
    const qint64 memberEvery = std::max<qint64>(1, messages / 300);
    ownNetwork();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir folder;
    QElapsedTimer filling;
    filling.start();
    if (!fill(QDir(folder.path()).filePath(u"historique.sqlite"_s), messages, memberEvery))
        return 1;
    std::printf("history of %lld messages, %lld with bob, filled in %.1f s\n", messages,
                messages / memberEvery, double(filling.elapsed()) / 1000.0);

    QuietDesktop desktop;
    HistoryKeeper keeper(folder.path(), desktop);
    Desk alice(desktop, u"alice"_s, u"127.0.0.2"_s);
    Desk bob(desktop, u"bob"_s, u"127.0.0.3"_s);
    if (!alice.windows->start() || !bob.windows->start()) {
        std::puts("the peer port could not be taken");
        return 1;
    }
    QTreeWidget list;
    auto *row = new QTreeWidgetItem(&list, QStringList{u"bob"_s, {}, {}, {}, u"127.0.0.3"_s});
    contactrow::setOnline(row, true);

    std::vector<Opening> bare, past;
    for (int i = 0; i < openings * 2 + 2; ++i) {
        const bool withPast = i % 2 == 1;
        alice.windows->setHistory(withPast ? &keeper : nullptr);
        const std::optional<Opening> took = open(alice, bob, row, withPast);
        if (!took)
            return 1;
        if (i >= 2) // the first of each reads fonts, pads and the file's pages once
            (withPast ? past : bare).push_back(*took);
    }
    const auto median = [](const std::vector<Opening> &runs, double Opening::*part) {
        std::vector<double> values;
        for (const Opening &run : runs)
            values.push_back(run.*part);
        std::sort(values.begin(), values.end());
        return values[values.size() / 2] / 1000.0;
    };
    std::printf("medians of %d, ms     click   answer to shown   first paint   all three\n", openings);
    for (const auto &[name, runs] : {std::pair{"bare", &bare}, std::pair{"with history", &past}})
        std::printf("%-16s %9.2f %17.2f %13.2f %11.2f\n", name, median(*runs, &Opening::click),
                    median(*runs, &Opening::shown), median(*runs, &Opening::paint),
                    median(*runs, &Opening::window));
    const auto cost = [&](double Opening::*part) { return median(past, part) - median(bare, part); };
    std::printf("the past lines cost %.2f ms at the click, %.2f ms to show, %.2f ms at the first paint; "
                "%.2f ms in all\n",
                cost(&Opening::click), cost(&Opening::shown), cost(&Opening::paint), cost(&Opening::window));
    return 0;
}
