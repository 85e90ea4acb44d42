// The conversation history at scale: full-text search and a window's last lines over a file of
// many stored messages, and the file's size per 10 000 messages. The file is filled once, in
// batches as the keeper's writer commits them; BENCH_HISTORY_MESSAGES sets how many (200 000 by
// default, so a run stays short; the search cost grows with the matches, not the file).
#include "client/conversation/rtffragments.h"
#include "client/history/historystore.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace jaserelle::client;
using namespace Qt::StringLiterals;

namespace {

const QStringList words = {u"bonjour"_s, u"ce"_s,       u"soir"_s,   u"demain"_s,       u"cinéma"_s,
                           u"merci"_s,   u"oui"_s,      u"non"_s,    u"peut-être"_s,    u"rendez-vous"_s,
                           u"gare"_s,    u"midi"_s,     u"café"_s,   u"travail"_s,      u"vacances"_s,
                           u"mer"_s,     u"montagne"_s, u"photo"_s,  u"anniversaire"_s, u"chat"_s,
                           u"chien"_s,   u"pluie"_s,    u"soleil"_s, u"musique"_s,      u"livre"_s,
                           u"train"_s,   u"voiture"_s,  u"dîner"_s,  u"week-end"_s,     u"bisous"_s,
                           u"à"_s,       u"plus"_s};

struct Filled
{
    QTemporaryDir dir;
    HistoryStore store;
    qint64 messages = 0;
    qint64 bytes = 0;
};

Filled &filled()
{
    static Filled &f = *[] {
        auto *made = new Filled; // lives as long as the program
        Filled &out = *made;
        const QString file = out.dir.filePath(u"historique.sqlite"_s);
        out.store.open(file);
        out.messages = qEnvironmentVariableIntValue("BENCH_HISTORY_MESSAGES");
        if (out.messages <= 0)
            out.messages = 200000;
        QRandomGenerator random(1);
        QDateTime at(QDate(2025, 1, 1), QTime(8, 0));
        QList<HistoryEntry> batch;
        for (qint64 i = 0; i < out.messages; ++i) {
            QStringList sentence;
            for (int w = 0, n = 4 + int(random.bounded(10)); w < n; ++w)
                sentence.append(words.at(int(random.bounded(qsizetype(words.size())))));
            if (i % 50000 == 7)
                sentence.append(u"zanzibar"_s); // a rare word: a handful of matches
            const QString text = sentence.join(u' ');
            at = at.addSecs(40);
            batch.append({0, u"membre"_s + QString::number(random.bounded(50)), at, i % 2 == 0,
                          HistoryEntry::Kind::Message,
                          u"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss MS Sans Serif;}}"
                          u"{\\colortbl \\red0\\green0\\blue0;}\\pard\\plain\\f0\\fs20\\cf0 "_s +
                              rtffragments::escapeText(text) + u"\\par }"_s,
                          text});
            if (batch.size() == 1000) {
                out.store.append(batch);
                batch.clear();
            }
        }
        out.store.append(batch);
        out.store.close();
        out.store.open(file); // the WAL folded into the file, as after a restart
        out.bytes = QFileInfo(file).size() + QFileInfo(file + u"-wal"_s).size();
        return made;
    }();
    return f;
}

void searchRareWord(benchmark::State &state)
{
    Filled &f = filled();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.store.search(u"zanzibar"_s));
    state.counters["messages"] = double(f.messages);
    state.counters["bytes_per_10000"] = double(f.bytes) * 10000 / double(f.messages);
}
BENCHMARK(searchRareWord)->Unit(benchmark::kMillisecond);

// Two common words: many thousands match, the latest 200 are shown.
void searchCommonWords(benchmark::State &state)
{
    Filled &f = filled();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.store.search(u"soleil demain"_s));
}
BENCHMARK(searchCommonWords)->Unit(benchmark::kMillisecond);

// A prefix: what the search box does with every word.
void searchPrefix(benchmark::State &state)
{
    Filled &f = filled();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.store.search(u"anniv"_s));
}
BENCHMARK(searchPrefix)->Unit(benchmark::kMillisecond);

// What a new conversation window reads before it shows.
void lastLines(benchmark::State &state)
{
    Filled &f = filled();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.store.last(u"membre17"_s, 10));
}
BENCHMARK(lastLines)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
