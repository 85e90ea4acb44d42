// A contact refresh of a long list: the parse alone, and the parse merged into a list view that
// already shows every contact (the steady state of the 30-second tick).
#include "client/assets/artwork.h"
#include "client/contacts/contactface.h"
#include "client/contacts/presenceapply.h"
#include "client/contacts/refreshreply.h"
#include "client/platform/platform.h"
#include "client/shell/contactrow.h"

#include <QApplication>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

namespace {

class Silence : public SoundPlayer
{
public:
    bool hasDevice() const override { return false; }
    void play(const QString &) override {}
};

QString refreshReply(int contacts, bool online)
{
    QString reply = QStringLiteral("HTTP/1.1 200 OK\r\n\r\nREFRESHISOK|HERESTARTFAVORIS|");
    for (int i = 0; i < contacts; ++i)
        reply += QStringLiteral("membre%1,%2,H,30,75012,1|").arg(i).arg(online ? "10.0.0.2" : "0.0.0.0");
    reply += QStringLiteral("NOLISTENOIREDEFINED|IAMINLISTENOIREOF|membre1,membre2,MYMAILSNUMBER,3,");
    return reply;
}

void parse(benchmark::State &state)
{
    const QString reply = refreshReply(static_cast<int>(state.range(0)), true);
    for (auto _ : state)
        benchmark::DoNotOptimize(parseRefreshReply(reply));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(parse)->Arg(100)->Arg(1000)->Arg(5000);

void parseAndApply(benchmark::State &state)
{
    const int contacts = static_cast<int>(state.range(0));
    const QString replies[2] = {refreshReply(contacts, true), refreshReply(contacts, false)};
    QTreeWidget lvFavoris, lvListeNoire;
    lvFavoris.setColumnCount(contactrow::ColumnCount);
    lvListeNoire.setColumnCount(contactrow::ColumnCount);
    const contactface::Faces faces;
    Silence silence;
    applyRefreshReply(lvFavoris, lvListeNoire, parseRefreshReply(replies[0]), {}, silence, faces);
    int turn = 0;
    for (auto _ : state) {
        // Everyone comes and goes at each turn: the costliest refresh there is.
        applyRefreshReply(lvFavoris, lvListeNoire, parseRefreshReply(replies[++turn % 2]), {true, false},
                          silence, faces);
    }
    state.SetItemsProcessed(state.iterations() * contacts);
}
BENCHMARK(parseAndApply)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initArtwork();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
