// A connection's bytes, through the server's own request reader (limits included), into the
// handlers over a real SQLite store; every answer serialises.
#include "community/core/passwords.h"
#include "community/demo/demo.h"
#include "community/handlers/handlers.h"
#include "community/http/requestreader.h"
#include "community/presence/sessions.h"
#include "community/store/sqlitestore.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace jaserelle::community;

namespace {

struct World
{
    World()
        : dir(std::filesystem::temp_directory_path() / ("jaserelle-fuzz-" + std::to_string(getpid()))),
          store((std::filesystem::create_directories(dir), dir / "fuzz.db")), sessions(systemClock()),
          hasher(PasswordHasher::Strength::Minimal), ctx{store, sessions, hasher, systemClock(),
                                                         dir / "photos"}
    {
        seedDemo(store, hasher, ctx.photosDir, localDateTime(ctx.clock()));
        pinDemoPresence(sessions);
        // A live session from the fuzzer's own address, so the password-less paths run too.
        sessions.open("demo", "demo", "127.0.0.1");
    }
    std::filesystem::path dir;
    SqliteStore store;
    Sessions sessions;
    PasswordHasher hasher;
    Context ctx;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static World world;
    // Lower than the server's, so that the fuzzer reaches them, yet above the large seeds.
    const RequestLimits limits{64 * 1024, 256 * 1024};
    auto read =
        readRequest(std::string_view(reinterpret_cast<const char *>(data), size), limits, "127.0.0.1");
    if (const Response *failure = std::get_if<Response>(&read)) {
        if (failure->status != 400 && failure->status != 413 && failure->status != 431)
            __builtin_trap();
        (void)serialise(*failure);
        return 0;
    }
    const Request &request = std::get<Request>(read);
    const Response response = handle(world.ctx, request);
    if (response.status < 200 || response.status > 599)
        __builtin_trap();
    (void)serialise(response);
    return 0;
}
