#pragma once

#include "community/http/message.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace jaserelle::community {

struct ServerOptions
{
    std::string address = "127.0.0.1";
    unsigned short port = 8080; // 0: any free port (tests)
    int threads = 4;
    // Requests the slow-request test picks (a password checked against its slow hash) run on
    // these threads instead, so that a burst of logins never holds up the refreshes.
    int slowThreads = 2;
    // The whole request must arrive within readTimeout, the answer must leave within writeTimeout.
    std::chrono::milliseconds readTimeout{15000};
    std::chrono::milliseconds writeTimeout{15000};
    // A mail travels in the query string, urlEncode'd: up to three bytes per character.
    std::size_t headerLimit = 1024 * 1024;
    std::size_t bodyLimit = 1024 * 1024; // the sign-up form with its photo
    // Connections served at once; beyond, new ones are closed at once. With the limits above this
    // bounds the memory strangers can make the server hold.
    int maxConnections = 1024;
};

using Handler = std::function<Response(const Request &)>;
using SlowRequestTest = std::function<bool(const Request &)>;

// One request per connection: read it, answer, close. Boost.Beast on a few threads, one event
// loop each, all accepting on the same listening socket. Accept errors (out of descriptors, aborted
// handshakes) are retried after a short pause and never end the accept loop; a malformed or oversized request
// gets its error status.
class HttpServer
{
public:
    // Binds at once (throws std::system_error when the address is taken).
    HttpServer(Handler handler, ServerOptions options, SlowRequestTest isSlow = {});
    ~HttpServer();

    unsigned short port() const;
    // Connections being served right now.
    int activeConnections() const;

    // Runs the threads and returns at once.
    void start();
    // Blocks until stop() or, when enabled, SIGINT/SIGTERM.
    void wait();
    void stopOnSignals();
    // Stops accepting, lets the connections in flight finish for a moment, then ends the threads.
    void stop();

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// "ADDR:PORT", with "[v6]:PORT" for IPv6. False when it cannot be read.
bool parseListen(const std::string &text, std::string &address, unsigned short &port);

} // namespace jaserelle::community
