// A contact refresh of a long list: the parse alone, and the parse merged into a list view that
// already shows every contact (the steady state of the 30-second tick).
#include "client/assets/artwork.h"
#include "client/contacts/contactface.h"
#include "client/contacts/presenceapply.h"
#include "client/contacts/refreshreply.h"
#include "client/platform/platform.h"
#include "client/shell/frmmain.h"

#include <QApplication>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

using namespace jaserelle::client;

namespace {

class Silence : public SoundPlayer
{
public:
    bool hasDevice() const override { return false; }
    void play(const QString &) override {}
};

QString records(int first, int count, bool online)
{
    QString text;
    for (int i = first; i < first + count; ++i)
        text += QStringLiteral("membre%1,%2,H,30,75012,1|").arg(i).arg(online ? "10.0.0.2" : "0.0.0.0");
    return text;
}

// Up to a full favourites list, the rest on the black list.
QString refreshReply(int contacts, bool online)
{
    const int favoris = std::min(contacts, maxContactRows);
    return QStringLiteral("HTTP/1.1 200 OK\r\n\r\nREFRESHISOK|HERESTARTFAVORIS|") +
           records(0, favoris, online) + QStringLiteral("HERESTARTLISTENOIRE|") +
           records(favoris, contacts - favoris, online) +
           QStringLiteral("IAMINLISTENOIREOF|membre1,membre2,MYMAILSNUMBER,3,");
}

void parse(benchmark::State &state)
{
    const QString reply = refreshReply(static_cast<int>(state.range(0)), true);
    for (auto _ : state)
        benchmark::DoNotOptimize(parseRefreshReply(reply));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(parse)->Arg(100)->Arg(1000)->Arg(5000);

// One refresh as the engine's tick brings it, painted. Kept out of line so that a profiler can count
// the steady turns alone (callgrind --toggle-collect='*refreshTurn*').
[[gnu::noinline]] void refreshTurn(QTreeWidget &lvFavoris, QTreeWidget &lvListeNoire, const QString &reply,
                                   SoundPlayer &player, const contactface::Faces &faces)
{
    applyRefreshReply(lvFavoris, lvListeNoire, parseRefreshReply(reply), {true, false}, player, faces);
    QCoreApplication::processEvents();
}

// The lists of the main window itself, shown, so selecting and repainting cost what they cost there.
void parseAndApply(benchmark::State &state)
{
    const int contacts = static_cast<int>(state.range(0));
    const bool everyoneChanges = state.range(1) != 0;
    const QString replies[2] = {refreshReply(contacts, true), refreshReply(contacts, false)};
    FrmMain window;
    window.show();
    QTreeWidget &lvFavoris = *window.lvFavoris();
    QTreeWidget &lvListeNoire = *window.lvListeNoire();
    const contactface::Faces faces;
    Silence silence;
    applyRefreshReply(lvFavoris, lvListeNoire, parseRefreshReply(replies[0]), {}, silence, faces);
    QCoreApplication::processEvents();
    int turn = 0;
    for (auto _ : state) {
        // Everyone comes and goes at each turn (the costliest refresh there is), or nobody does
        // (the steady state of the 30-second tick).
        const QString &reply = replies[everyoneChanges ? ++turn % 2 : 0];
        refreshTurn(lvFavoris, lvListeNoire, reply, silence, faces);
    }
    state.SetItemsProcessed(state.iterations() * contacts);
}
BENCHMARK(parseAndApply)
    ->ArgsProduct({{100, 1000, 5000, 10000}, {0, 1}})
    ->ArgNames({"contacts", "changes"})
    ->Unit(benchmark::kMillisecond);

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
