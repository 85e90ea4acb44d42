#include "community/http/server.h"

#include "common/cp1252.h"
#include "community/core/text.h"
#include "community/http/accesslog.h"
#include "community/http/clientkey.h"
#include "community/http/requestreader.h"
#include "community/http/slowqueue.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <charconv>
#include <condition_variable>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace jaserelle::community {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

// Connections per source address, shared by the loops.
class AddressSlots
{
public:
    bool take(const std::string &key, int limit)
    {
        std::lock_guard lock(mutex_);
        int &n = counts_[key];
        if (n >= limit) {
            if (n == 0)
                counts_.erase(key);
            return false;
        }
        ++n;
        return true;
    }
    void give(const std::string &key)
    {
        std::lock_guard lock(mutex_);
        const auto it = counts_.find(key);
        if (it != counts_.end() && --it->second <= 0)
            counts_.erase(it);
    }

private:
    std::mutex mutex_;
    std::unordered_map<std::string, int> counts_;
};

// What every connection of the server shares. Declared before the loops, which may still hold
// connections when they go.
struct Shared
{
    Shared(ServerHandlers h, ServerOptions o)
        : handlers(std::move(h)), options(std::move(o)),
          slowQueue(options.slowThreads, {static_cast<std::size_t>(std::max(1, options.slowQueueLimit)),
                                          static_cast<std::size_t>(std::max(1, options.slowPerNetwork))})
    {
        for (const auto &p : options.trustedProxies)
            proxies.push_back(plain(asio::ip::make_address(p)));
        if (!options.tlsCertificateFile.empty() || !options.tlsKeyFile.empty())
            tls = makeTlsContext(options.tlsCertificateFile, options.tlsKeyFile);
    }
    static std::unique_ptr<asio::ssl::context> makeTlsContext(const std::string &certificate,
                                                              const std::string &key)
    {
        auto ctx = std::make_unique<asio::ssl::context>(asio::ssl::context::tls_server);
        ctx->set_options(asio::ssl::context::default_workarounds | asio::ssl::context::no_sslv2 |
                         asio::ssl::context::no_sslv3 | asio::ssl::context::single_dh_use);
        SSL_CTX *native = ctx->native_handle();
        SSL_CTX_set_min_proto_version(native, TLS1_2_VERSION);
        ctx->use_certificate_chain_file(certificate);
        ctx->use_private_key_file(key, asio::ssl::context::pem);
        // Asked for, not required: a legacy client has none, a member's is self-signed. What
        // binds a session is the key's fingerprint, not a chain to some authority.
        ctx->set_verify_mode(asio::ssl::verify_peer);
        ctx->set_verify_callback([](bool, asio::ssl::verify_context &) { return true; });
        // Without an id context OpenSSL refuses to resume a session that asked for a client
        // certificate; tickets are on by default, shared by every loop through this one context.
        static constexpr unsigned char idContext[] = "jaserelle";
        SSL_CTX_set_session_id_context(native, idContext, sizeof idContext - 1);
        SSL_CTX_set_session_cache_mode(native, SSL_SESS_CACHE_SERVER);
        return ctx;
    }
    // IPv4 as such, also when it reached an IPv6 socket.
    static asio::ip::address plain(const asio::ip::address &a)
    {
        if (a.is_v6() && a.to_v6().is_v4_mapped())
            return asio::ip::make_address_v4(asio::ip::v4_mapped, a.to_v6());
        return a;
    }
    bool trusted(const asio::ip::address &a) const
    {
        return std::find(proxies.begin(), proxies.end(), plain(a)) != proxies.end();
    }
    std::vector<asio::ip::address> proxies;
    ServerHandlers handlers;
    ServerOptions options;
    std::atomic<int> active{0};
    AddressSlots slots;
    SlowQueue slowQueue;                     // joined in stop(), before the workers go
    std::unique_ptr<asio::ssl::context> tls; // HTTPS listener when set
    std::atomic<long long> handshakes{0};
    std::atomic<long long> resumed{0};
};

namespace {

// What the loop's sweeper sees of a connection, plain or TLS.
class Connection
{
public:
    virtual ~Connection() = default;
    // The loop's sweeper: a connection past its time limit is closed, which ends what it waits for.
    virtual void closeIfLate(std::chrono::steady_clock::time_point now) = 0;
};

using TlsStream = asio::ssl::stream<tcp::socket>;

template <class Stream>
class Session : public Connection, public std::enable_shared_from_this<Session<Stream>>
{
    static constexpr bool overTls = std::is_same_v<Stream, TlsStream>;

public:
    // A connection from a trusted proxy holds no per-address slot.
    Session(Stream stream, std::string peerAddress, std::string slotKey, bool fromProxy, Shared &shared)
        : socket_(std::move(stream)), peerAddress_(std::move(peerAddress)), slotKey_(std::move(slotKey)),
          fromProxy_(fromProxy), shared_(shared), options_(shared.options),
          begun_(std::chrono::steady_clock::now())
    {
        ++shared_.active;
        applyLimits(parser_, {options_.headerLimit, options_.bodyLimit});
    }

    ~Session()
    {
        if (!fromProxy_)
            shared_.slots.give(slotKey_);
        --shared_.active;
    }

    // Called on the connection's own loop.
    void run()
    {
        // The handshake and the request head share one deadline: a stranger who opens a TLS
        // connection and stalls holds it no longer than one who stalls in plain HTTP.
        deadline_ = begun_ + std::min(options_.headTimeout, options_.readTimeout);
        if constexpr (overTls) {
            // The answer and the close_notify after it are small writes of their own: without
            // this, Nagle holds the last one for the client's delayed ACK (40 ms a request).
            beast::error_code ignored;
            lowest().set_option(tcp::no_delay(true), ignored);
            socket_.async_handshake(
                asio::ssl::stream_base::server,
                [self = this->shared_from_this()](beast::error_code ec) { self->onHandshake(ec); });
        } else {
            readHead();
        }
    }

    void closeIfLate(std::chrono::steady_clock::time_point now) override
    {
        if (now >= deadline_)
            close();
    }

private:
    void readHead()
    {
        http::async_read_header(
            socket_, buffer_, parser_,
            [self = this->shared_from_this()](beast::error_code ec, std::size_t) { self->onHead(ec); });
    }

    void onHandshake(beast::error_code ec)
    {
        if (ec) {
            close(); // not TLS, a certificate the client refused, or the deadline
            return;
        }
        if constexpr (overTls) {
            SSL *ssl = socket_.native_handle();
            ++shared_.handshakes;
            tlsMark_ = "tls";
            if (SSL_session_reused(ssl)) {
                ++shared_.resumed;
                tlsMark_ = "tls-resumed";
            }
            // A resumed session carries the certificate of the handshake it resumes.
            X509 *certificate = SSL_get1_peer_certificate(ssl);
            clientKey_ = certificateFingerprint(certificate);
            X509_free(certificate);
        }
        readHead();
    }

    void onHead(beast::error_code ec)
    {
        if (ec || parser_.is_done()) {
            onRead(ec);
            return;
        }
        deadline_ = begun_ + options_.readTimeout;
        http::async_read(
            socket_, buffer_, parser_,
            [self = this->shared_from_this()](beast::error_code ec, std::size_t) { self->onRead(ec); });
    }

    void onRead(beast::error_code ec)
    {
        if (ec == http::error::end_of_stream || ec == asio::error::eof ||
            ec == asio::error::connection_reset || ec == asio::error::operation_aborted ||
            ec == asio::ssl::error::stream_truncated || ec == asio::error::bad_descriptor) {
            close(); // the client left, or the time limit closed the socket
            return;
        }
        if (parser_.is_header_done()) {
            method_ = std::string(parser_.get().method_string());
            target_ = std::string(parser_.get().target());
            if (fromProxy_)
                takeForwardedAddress();
        }
        if (ec) {
            drainAfterAnswer_ = true;
            write(readFailure(ec));
            return;
        }
        Request request = takeRequest(parser_, peerAddress_);
        request.clientKey = clientKey_;
        if (auto answer = shared_.handlers.quick(request)) {
            write(std::move(*answer));
            return;
        }
        const bool vouched = shared_.handlers.vouched && shared_.handlers.vouched(request);
        auto waiting = std::make_shared<Request>(std::move(request));
        deadline_ = std::chrono::steady_clock::time_point::max(); // no socket work meanwhile
        const bool queued = shared_.slowQueue.push(
            networkPrefix(peerAddress_), vouched, [self = this->shared_from_this(), waiting](bool run) {
                Response answer =
                    run ? self->shared_.handlers.slow(*waiting) : self->shared_.handlers.busy(*waiting);
                asio::post(self->socket_.get_executor(),
                           [self, answer = std::move(answer)]() mutable { self->write(std::move(answer)); });
            });
        if (!queued)
            write(shared_.handlers.busy(*waiting));
    }

    // The balancer's X-Real-IP, when it holds an address; the balancer's own otherwise. Where
    // the balancer ends TLS it passes the client's certificate in X-Client-Cert; without one the
    // request presented no key, whatever the connection to the balancer was.
    void takeForwardedAddress()
    {
        const auto header = parser_.get()["X-Real-IP"];
        beast::error_code ec;
        const auto address = asio::ip::make_address(std::string_view(header.data(), header.size()), ec);
        if (!header.empty() && !ec)
            peerAddress_ = Shared::plain(address).to_string();
        const auto certificate = parser_.get()["X-Client-Cert"];
        clientKey_ = fingerprintOfEscapedPem(std::string_view(certificate.data(), certificate.size()));
    }

    void write(Response response)
    {
        if (response.holdFor.count() > 0) {
            hold_.emplace(socket_.get_executor(), response.holdFor);
            response.holdFor = {};
            hold_->async_wait([self = this->shared_from_this(), r = std::move(response)](
                                  beast::error_code) mutable { self->write(std::move(r)); });
            return;
        }
        response_ = std::move(response);
        head_ = serialiseHead(response_);
        deadline_ = std::chrono::steady_clock::now() + options_.writeTimeout;
        const std::array<asio::const_buffer, 2> buffers = {asio::buffer(head_), asio::buffer(response_.body)};
        asio::async_write(socket_, buffers,
                          [self = this->shared_from_this()](beast::error_code ec, std::size_t) {
                              self->log();
                              if constexpr (overTls) {
                                  if (!ec)
                                      self->closeTls();
                                  else
                                      self->close();
                              } else if (!ec && self->drainAfterAnswer_)
                                  self->drain();
                              else
                                  self->close();
                          });
    }

    // TLS ends with close_notify: the client's own (or its closing the connection) ends the wait,
    // bounded like drain(), so the answer is never cut by a reset.
    void closeTls()
    {
        if constexpr (overTls) {
            deadline_ = std::chrono::steady_clock::now() + options_.drainTimeout;
            socket_.async_shutdown([self = this->shared_from_this()](beast::error_code) { self->close(); });
        }
    }

    void log()
    {
        if (!options_.accessLog)
            return;
        AccessEntry e;
        e.time = std::chrono::system_clock::now();
        e.address = peerAddress_;
        e.method = method_;
        e.target = target_;
        e.status = response_.status;
        e.tls = tlsMark_;
        e.duration =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - begun_);
        options_.accessLog->write(e);
    }

    // The answer is out; what the client still sends is read and dropped until it stops, so
    // that closing sends a FIN rather than a reset.
    void drain()
    {
        beast::error_code ignored;
        lowest().shutdown(tcp::socket::shutdown_send, ignored);
        deadline_ = std::chrono::steady_clock::now() + options_.drainTimeout;
        scratch_.resize(16 * 1024);
        drainSome();
    }

    void drainSome()
    {
        socket_.async_read_some(asio::buffer(scratch_),
                                [self = this->shared_from_this()](beast::error_code ec, std::size_t n) {
                                    self->drained_ += n;
                                    if (ec || self->drained_ >= self->options_.drainLimit)
                                        self->close();
                                    else
                                        self->drainSome();
                                });
    }

    // Closing sends the FIN after the answer: the client reads until then.
    void close()
    {
        beast::error_code ec;
        lowest().close(ec);
    }

    tcp::socket &lowest()
    {
        if constexpr (overTls)
            return socket_.next_layer();
        else
            return socket_;
    }

    Stream socket_;
    std::string peerAddress_;
    std::string slotKey_;
    bool fromProxy_;
    Shared &shared_;
    const ServerOptions &options_;
    std::chrono::steady_clock::time_point begun_;
    std::chrono::steady_clock::time_point deadline_ = std::chrono::steady_clock::time_point::max();
    beast::flat_buffer buffer_;
    RequestParser parser_;
    std::string method_;
    std::string target_;
    std::string clientKey_;
    std::string_view tlsMark_; // for the access log
    Response response_;
    std::string head_;
    bool drainAfterAnswer_ = false;
    std::vector<char> scratch_;
    std::size_t drained_ = 0;
    std::optional<asio::steady_timer> hold_;
};

} // namespace

// One event loop per thread. Every loop accepts on its own copy (dup) of the one listening socket:
// a connection then lives on the thread that accepted it, from accept to close, and no handler
// ever hops between threads.
struct Worker
{
    explicit Worker(HttpServer::Impl &server)
        : server(server), ioc(1), acceptor(ioc), retryTimer(ioc), sweepTimer(ioc)
    {
    }

    void accept();
    void sweep();

    HttpServer::Impl &server;
    asio::io_context ioc;
    tcp::acceptor acceptor;
    tcp::endpoint peer; // of the connection being accepted
    asio::steady_timer retryTimer;
    // Time limits: one timer per loop looks at every connection four times a second, rather than
    // a timer armed and cancelled per connection.
    asio::steady_timer sweepTimer;
    std::vector<std::weak_ptr<Connection>> sessions;
    std::thread thread;
};

struct HttpServer::Impl : Shared
{
    using Shared::Shared;

    void beginStop()
    {
        if (stopping.exchange(true))
            return;
        for (auto &w : workers)
            asio::dispatch(w->ioc, [w = w.get()] {
                beast::error_code ec;
                w->acceptor.close(ec);
                w->retryTimer.cancel();
                // The sweeper goes on: connections still in flight keep their time limits.
            });
        // Connections in flight get up to two seconds to finish; then every loop ends.
        asio::dispatch(workers.front()->ioc, [this] {
            if (signals)
                signals->cancel();
            drainUntil = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            drain();
        });
    }

    void drain()
    {
        if (active == 0 || std::chrono::steady_clock::now() >= drainUntil) {
            for (auto &w : workers)
                w->ioc.stop();
            return;
        }
        drainTimer->expires_after(std::chrono::milliseconds(20));
        drainTimer->async_wait([this](beast::error_code) { drain(); });
    }

    std::vector<std::unique_ptr<Worker>> workers;
    std::optional<asio::signal_set> signals;      // on the first worker's loop
    std::optional<asio::steady_timer> drainTimer; // idem
    std::atomic<bool> stopping{false};
    std::chrono::steady_clock::time_point drainUntil;
    std::mutex doneMutex;
    std::condition_variable doneCv;
    int running = 0;
    bool started = false;
};

void Worker::sweep()
{
    const auto now = std::chrono::steady_clock::now();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        if (auto session = sessions[i].lock()) {
            session->closeIfLate(now);
            if (kept != i) // a weak_ptr moved onto itself comes out empty
                sessions[kept] = std::move(sessions[i]);
            ++kept;
        }
    }
    sessions.resize(kept);
    sweepTimer.expires_after(std::chrono::milliseconds(250));
    sweepTimer.async_wait([this](beast::error_code ec) {
        if (!ec)
            sweep();
    });
}

void Worker::accept()
{
    acceptor.async_accept(peer, [this](beast::error_code ec, tcp::socket socket) {
        if (!acceptor.is_open())
            return;
        if (ec) {
            // Out of descriptors, a connection reset before it was accepted...: go on accepting
            // after a pause. Nothing a client does ends the accept loop. (When another loop takes
            // a connection first, Asio simply waits for the next one.)
            retryTimer.expires_after(std::chrono::milliseconds(50));
            retryTimer.async_wait([this](beast::error_code) {
                if (acceptor.is_open())
                    accept();
            });
            return;
        }
        std::string address = peer.address().to_string();
        const bool proxy = server.trusted(peer.address());
        std::string key = proxy ? std::string() : addressGroup(address);
        if (server.active >= server.options.maxConnections ||
            (!proxy && !server.slots.take(key, server.options.maxConnectionsPerAddress))) {
            beast::error_code ignored;
            socket.close(ignored);
        } else {
            if (server.tls) {
                auto session =
                    std::make_shared<Session<TlsStream>>(TlsStream(std::move(socket), *server.tls),
                                                         std::move(address), std::move(key), proxy, server);
                sessions.push_back(session);
                session->run();
            } else {
                auto session = std::make_shared<Session<tcp::socket>>(std::move(socket), std::move(address),
                                                                      std::move(key), proxy, server);
                sessions.push_back(session);
                session->run();
            }
        }
        accept();
    });
}

namespace {

ServerHandlers oneHandler(Handler handler, SlowRequestTest isSlow)
{
    ServerHandlers h;
    h.quick = [handler, isSlow](const Request &r) -> std::optional<Response> {
        if (isSlow && isSlow(r))
            return std::nullopt;
        return handler(r);
    };
    h.slow = handler;
    h.busy = [](const Request &) {
        Response r;
        r.status = 503;
        r.body = cp1252::fromUtf8("Le serveur est momentanément indisponible.\r\n");
        return r;
    };
    return h;
}

} // namespace

HttpServer::HttpServer(Handler handler, ServerOptions options, SlowRequestTest isSlow)
    : HttpServer(oneHandler(std::move(handler), std::move(isSlow)), std::move(options))
{
}

HttpServer::HttpServer(ServerHandlers handlers, ServerOptions options)
    : impl_(std::make_unique<Impl>(std::move(handlers), std::move(options)))
{
    const int n = impl_->options.threads < 1 ? 1 : impl_->options.threads;
    for (int i = 0; i < n; ++i)
        impl_->workers.push_back(std::make_unique<Worker>(*impl_));

    const auto address = asio::ip::make_address(impl_->options.address);
    const tcp::endpoint endpoint(address, impl_->options.port);
    auto &first = impl_->workers.front()->acceptor;
    first.open(endpoint.protocol());
    first.set_option(asio::socket_base::reuse_address(true));
    first.bind(endpoint);
    first.listen(asio::socket_base::max_listen_connections);
#ifdef TCP_DEFER_ACCEPT
    // A connection is handed over once its request has started to arrive: one wake-up fewer per
    // request, and clients that connect and say nothing cost the loops nothing.
    const int deferSeconds = 5;
    ::setsockopt(first.native_handle(), IPPROTO_TCP, TCP_DEFER_ACCEPT, &deferSeconds, sizeof deferSeconds);
#endif
    for (int i = 1; i < n; ++i) {
        const int copy = ::dup(first.native_handle());
        if (copy < 0)
            throw std::system_error(errno, std::generic_category(), "dup");
        impl_->workers[static_cast<std::size_t>(i)]->acceptor.assign(endpoint.protocol(), copy);
    }
    impl_->drainTimer.emplace(impl_->workers.front()->ioc);
}

HttpServer::~HttpServer()
{
    stop();
}

int HttpServer::activeConnections() const
{
    return impl_->active.load();
}

long long HttpServer::tlsHandshakes() const
{
    return impl_->handshakes.load();
}

long long HttpServer::tlsResumedHandshakes() const
{
    return impl_->resumed.load();
}

unsigned short HttpServer::port() const
{
    beast::error_code ec;
    return impl_->workers.front()->acceptor.local_endpoint(ec).port();
}

void HttpServer::start()
{
    if (impl_->started)
        return;
    impl_->started = true;
    impl_->running = static_cast<int>(impl_->workers.size());
    for (auto &w : impl_->workers) {
        w->accept();
        w->sweep();
        w->thread = std::thread([this, w = w.get()] {
            w->ioc.run();
            std::lock_guard lock(impl_->doneMutex);
            if (--impl_->running == 0)
                impl_->doneCv.notify_all();
        });
    }
}

void HttpServer::stopOnSignals()
{
    impl_->signals.emplace(impl_->workers.front()->ioc, SIGINT, SIGTERM);
    impl_->signals->async_wait([this](beast::error_code ec, int) {
        if (!ec)
            impl_->beginStop();
    });
}

void HttpServer::wait()
{
    std::unique_lock lock(impl_->doneMutex);
    impl_->doneCv.wait(lock, [this] { return impl_->running == 0; });
}

void HttpServer::stop()
{
    if (!impl_)
        return;
    if (impl_->started) {
        impl_->beginStop();
        for (auto &w : impl_->workers)
            if (w->thread.joinable())
                w->thread.join();
    }
    impl_->slowQueue.join();
}

bool parseListen(const std::string &text, std::string &address, unsigned short &port)
{
    std::size_t colon;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            return false;
        address = text.substr(1, close - 1);
        colon = close + 1;
    } else {
        colon = text.rfind(':');
        if (colon == std::string::npos || colon == 0)
            return false;
        address = text.substr(0, colon);
    }
    const std::string p = text.substr(colon + 1);
    unsigned int value = 0;
    const auto [ptr, ec] = std::from_chars(p.data(), p.data() + p.size(), value);
    if (ec != std::errc() || ptr != p.data() + p.size() || value > 65535 || p.empty())
        return false;
    beast::error_code addrEc;
    asio::ip::make_address(address, addrEc);
    if (addrEc)
        return false;
    port = static_cast<unsigned short>(value);
    return true;
}

} // namespace jaserelle::community
