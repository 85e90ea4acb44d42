#include "community/http/server.h"

#include "common/cp1252.h"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <atomic>
#include <charconv>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace jaserelle::community {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

class Session : public std::enable_shared_from_this<Session>
{
public:
    Session(tcp::socket socket, const Handler &handler, const ServerOptions &options, std::atomic<int> &active)
        : stream_(std::move(socket)), handler_(handler), options_(options), active_(active)
    {
        ++active_;
        parser_.header_limit(static_cast<std::uint32_t>(options_.headerLimit));
        parser_.body_limit(options_.bodyLimit);
    }

    ~Session() { --active_; }

    void run()
    {
        asio::dispatch(stream_.get_executor(), [self = shared_from_this()] { self->read(); });
    }

private:
    void read()
    {
        stream_.expires_after(options_.readTimeout);
        http::async_read(stream_, buffer_, parser_,
                         [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onRead(ec); });
    }

    void onRead(beast::error_code ec)
    {
        if (ec == beast::error::timeout || ec == http::error::end_of_stream || ec == asio::error::eof ||
            ec == asio::error::connection_reset || ec == asio::error::operation_aborted) {
            close();
            return;
        }
        Response response;
        if (ec == http::error::header_limit) {
            response.status = 431;
            response.body = cp1252::fromUtf8("Requête trop longue.\r\n");
        } else if (ec == http::error::body_limit) {
            response.status = 413;
            response.body = cp1252::fromUtf8("Envoi trop volumineux.\r\n");
        } else if (ec) {
            response.status = 400;
            response.body = cp1252::fromUtf8("Requête incorrecte.\r\n");
        } else {
            const auto &msg = parser_.get();
            Request request;
            request.method = std::string(msg.method_string());
            request.target = std::string(msg.target());
            request.contentType = std::string(msg[http::field::content_type]);
            request.body = std::move(parser_.get().body());
            beast::error_code addressError;
            const auto peer = stream_.socket().remote_endpoint(addressError);
            if (!addressError)
                request.peerAddress = peer.address().to_string();
            response = handler_(request);
        }
        write(serialise(response));
    }

    void write(std::string bytes)
    {
        out_ = std::move(bytes);
        stream_.expires_after(options_.writeTimeout);
        asio::async_write(stream_, asio::buffer(out_),
                          [self = shared_from_this()](beast::error_code, std::size_t) { self->close(); });
    }

    void close()
    {
        beast::error_code ec;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
        stream_.socket().close(ec);
    }

    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    http::request_parser<http::string_body> parser_;
    std::string out_;
    const Handler &handler_;
    const ServerOptions &options_;
    std::atomic<int> &active_;
};

} // namespace

struct HttpServer::Impl
{
    Impl(Handler h, ServerOptions o)
        : handler(std::move(h)), options(std::move(o)), acceptor(ioc), retryTimer(ioc), signals(ioc)
    {
    }

    void accept()
    {
        acceptor.async_accept(asio::make_strand(ioc), [this](beast::error_code ec, tcp::socket socket) {
            if (!acceptor.is_open())
                return;
            if (ec) {
                // Out of descriptors, a connection reset before it was accepted...: wait a little
                // and go on accepting. Nothing a client does ends the accept loop.
                retryTimer.expires_after(std::chrono::milliseconds(50));
                retryTimer.async_wait([this](beast::error_code) {
                    if (acceptor.is_open())
                        accept();
                });
                return;
            }
            std::make_shared<Session>(std::move(socket), handler, options, active)->run();
            accept();
        });
    }

    void beginStop()
    {
        if (stopping.exchange(true))
            return;
        asio::dispatch(ioc, [this] {
            beast::error_code ec;
            acceptor.close(ec);
            retryTimer.cancel();
            signals.cancel();
            // Connections in flight get up to two seconds to finish; then everything ends.
            drainUntil = std::chrono::steady_clock::now() + std::chrono::seconds(2);
            drain();
        });
    }

    void drain()
    {
        if (active == 0 || std::chrono::steady_clock::now() >= drainUntil) {
            ioc.stop();
            return;
        }
        retryTimer.expires_after(std::chrono::milliseconds(20));
        retryTimer.async_wait([this](beast::error_code) { drain(); });
    }

    Handler handler;
    ServerOptions options;
    std::atomic<int> active{0}; // before ioc: sessions still queued in it count down when it goes
    asio::io_context ioc;
    tcp::acceptor acceptor;
    asio::steady_timer retryTimer;
    asio::signal_set signals;
    std::vector<std::thread> threads;
    std::atomic<bool> stopping{false};
    std::chrono::steady_clock::time_point drainUntil;
    std::mutex doneMutex;
    std::condition_variable doneCv;
    int running = 0;
};

HttpServer::HttpServer(Handler handler, ServerOptions options)
    : impl_(std::make_unique<Impl>(std::move(handler), std::move(options)))
{
    const auto address = asio::ip::make_address(impl_->options.address);
    const tcp::endpoint endpoint(address, impl_->options.port);
    auto &acceptor = impl_->acceptor;
    acceptor.open(endpoint.protocol());
    acceptor.set_option(asio::socket_base::reuse_address(true));
    acceptor.bind(endpoint);
    acceptor.listen(asio::socket_base::max_listen_connections);
}

HttpServer::~HttpServer()
{
    stop();
}

unsigned short HttpServer::port() const
{
    beast::error_code ec;
    return impl_->acceptor.local_endpoint(ec).port();
}

void HttpServer::start()
{
    impl_->accept();
    const int n = impl_->options.threads < 1 ? 1 : impl_->options.threads;
    impl_->running = n;
    for (int i = 0; i < n; ++i)
        impl_->threads.emplace_back([this] {
            impl_->ioc.run();
            std::lock_guard lock(impl_->doneMutex);
            if (--impl_->running == 0)
                impl_->doneCv.notify_all();
        });
}

void HttpServer::stopOnSignals()
{
    impl_->signals.add(SIGINT);
    impl_->signals.add(SIGTERM);
    impl_->signals.async_wait([this](beast::error_code ec, int) {
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
    if (!impl_->threads.empty()) {
        impl_->beginStop();
        for (auto &t : impl_->threads)
            if (t.joinable())
                t.join();
        impl_->threads.clear();
    }
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
