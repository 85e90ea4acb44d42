// Server CPU per request over HTTPS: a refresh-sized answer, each request on its own connection as
// the client sends them, with the session resumed from the last ticket or a full handshake each
// time. The client runs in this thread; the server's share is the process CPU minus this thread's.
#include "community/http/server.h"

#include <benchmark/benchmark.h>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/write.hpp>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

using namespace jaserelle::community;
namespace asio = boost::asio;

namespace {

double cpuSeconds(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

const std::filesystem::path &pki()
{
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / "jaserelle-bench-tls";
        const std::string command =
            std::string(JASERELLE_SOURCE_DIR "/scripts/make-tls-certs '") + d.string() + "'";
        if (std::system(command.c_str()) != 0)
            std::abort();
        return d;
    }();
    return dir;
}

void requestOverTls(benchmark::State &state, bool resume)
{
    ServerOptions options;
    options.port = 0;
    options.threads = 1;
    options.tlsCertificateFile = (pki() / "server.pem").string();
    options.tlsKeyFile = (pki() / "server.key").string();
    const std::string body(4096, 'x'); // about a refresh answer with its two lists
    HttpServer server(
        [&body](const Request &) {
            Response r;
            r.body = body;
            return r;
        },
        options);
    server.start();
    asio::io_context io;
    asio::ssl::context ctx(asio::ssl::context::tls_client);
    ctx.set_verify_mode(asio::ssl::verify_none);
    ctx.use_certificate_file((pki() / "ca.pem").string(), asio::ssl::context::pem); // a client key
    ctx.use_private_key_file((pki() / "ca.key").string(), asio::ssl::context::pem);
    SSL_SESSION *session = nullptr;
    const double processBefore = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const double clientBefore = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    for (auto _ : state) {
        asio::ssl::stream<asio::ip::tcp::socket> stream(io, ctx);
        stream.next_layer().connect({asio::ip::make_address("127.0.0.1"), server.port()});
        if (resume && session)
            SSL_set_session(stream.native_handle(), session);
        stream.handshake(asio::ssl::stream_base::client);
        asio::write(stream, asio::buffer(std::string("GET /softrefresh2.php HTTP/1.1\r\nHost: x\r\n\r\n")));
        boost::system::error_code ec;
        char buf[16384];
        while (!ec)
            stream.read_some(asio::buffer(buf), ec);
        stream.shutdown(ec);
        if (session)
            SSL_SESSION_free(session);
        session = SSL_get1_session(stream.native_handle());
    }
    const double serverCpu = (cpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - processBefore) -
                             (cpuSeconds(CLOCK_THREAD_CPUTIME_ID) - clientBefore);
    SSL_SESSION_free(session);
    state.counters["server_cpu_us_per_request"] = serverCpu * 1e6 / static_cast<double>(state.iterations());
    state.counters["resumed_share"] =
        static_cast<double>(server.tlsResumedHandshakes()) / static_cast<double>(server.tlsHandshakes());
}

void BM_RefreshOverTlsResumed(benchmark::State &state)
{
    requestOverTls(state, true);
}
void BM_RefreshOverTlsFullHandshake(benchmark::State &state)
{
    requestOverTls(state, false);
}

} // namespace

BENCHMARK(BM_RefreshOverTlsResumed)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_RefreshOverTlsFullHandshake)->UseRealTime()->MinTime(2.0);
BENCHMARK_MAIN();
