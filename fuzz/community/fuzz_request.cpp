// Bytes from the network, through Beast's parser, into the handlers over a real SQLite store.
#include "community/core/passwords.h"
#include "community/core/sessions.h"
#include "community/demo/demo.h"
#include "community/handlers/handlers.h"
#include "community/store/sqlitestore.h"

#include <boost/beast/http.hpp>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <unistd.h>

using namespace jaserelle::community;
namespace http = boost::beast::http;

namespace {

struct World
{
    World()
        : dir(std::filesystem::temp_directory_path() / ("jaserelle-fuzz-" + std::to_string(getpid()))),
          store((std::filesystem::create_directories(dir), dir / "fuzz.db")), sessions(systemClock()),
          hasher(PasswordHasher::Strength::Minimal),
          ctx{store, sessions, hasher, systemClock(), dir / "photos"}
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
    http::request_parser<http::string_body> parser;
    parser.header_limit(64 * 1024);
    parser.body_limit(64 * 1024);
    parser.eager(true);
    boost::beast::error_code ec;
    parser.put(boost::asio::buffer(data, size), ec);
    if (ec || !parser.is_done())
        return 0;
    const auto &msg = parser.get();
    Request request;
    request.method = std::string(msg.method_string());
    request.target = std::string(msg.target());
    request.contentType = std::string(msg[http::field::content_type]);
    request.body = msg.body();
    request.peerAddress = "127.0.0.1";
    const Response response = handle(world.ctx, request);
    (void)serialise(response);
    return 0;
}
