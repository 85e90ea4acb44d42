// The refresh of a member with 50 or 500 favourites, in process: what the server spends on one
// refresh beyond the network (store queries, presence, formatting).
#include "community/core/passwords.h"
#include "community/handlers/handlers.h"
#include "community/presence/sessions.h"
#include "community/store/cachingstore.h"
#include "community/store/sqlitestore.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <unistd.h>

using namespace jaserelle::community;

static void BM_RefreshFavourites(benchmark::State &state)
{
    const auto dir = std::filesystem::temp_directory_path() / ("jaserelle-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    {
        SqliteStore database(dir / "bench.db");
        CachingStore store(database);
        Sessions sessions(systemClock());
        PasswordHasher hasher(PasswordHasher::Strength::Minimal);
        Context ctx{store, sessions, hasher, systemClock(), dir / "photos"};
        auto add = [&](const std::string &pseudo) {
            Member m;
            m.pseudo = pseudo;
            m.passwordHash = hasher.hash(pseudo);
            m.sex = "F";
            m.birthDate = "1990-05-05";
            m.postalCode = "75011";
            store.createMember(m);
        };
        add("bench");
        const int favourites = static_cast<int>(state.range(0));
        for (int i = 1; i <= favourites; ++i) {
            add("ami" + std::to_string(i));
            store.addContact("bench", "ami" + std::to_string(i), ListKind::Favoris);
            if (i <= favourites / 2)
                sessions.pin("ami" + std::to_string(i), "192.168.0." + std::to_string(i));
        }
        sessions.open("bench", "bench", "127.0.0.1");
        Request r;
        r.method = "GET";
        r.target = "/softrefresh2.php?login=bench&password=bench&ipAdress=192.168.1.10";
        r.peerAddress = "127.0.0.1";
        for (auto _ : state)
            benchmark::DoNotOptimize(handle(ctx, r));
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_RefreshFavourites)->Arg(50)->Arg(500);

BENCHMARK_MAIN();
