#pragma once

#include "community/http/message.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace jaserelle::community {

class AccessLog;

struct ServerOptions
{
    std::string address = "127.0.0.1";
    unsigned short port = 8080; // 0: any free port (tests)
    int threads = 4;
    // Requests that check a password against its slow hash run on these threads, never on the
    // connection threads, so that no burst of logins or wrong passwords holds up the refreshes.
    int slowThreads = 2;
    // Requests waiting for or on those threads; past it a request is answered at once as a
    // refused check. They are served network by network (an IPv4 /24, an IPv6 /48), in turn, with
    // at most slowPerNetwork of one network waiting in each lane (a site behind one address logs in together
    // at nine), so a flood from many addresses takes its share and no more (community/http/slowqueue.h).
    int slowQueueLimit = 64;
    int slowPerNetwork = 16;
    // The request head must arrive within headTimeout of the connection, the whole request within
    // readTimeout, however it trickles in; the answer must leave within writeTimeout.
    std::chrono::milliseconds headTimeout{10000};
    std::chrono::milliseconds readTimeout{15000};
    std::chrono::milliseconds writeTimeout{15000};
    // A mail travels in the query string, urlEncode'd: up to three bytes per character.
    std::size_t headerLimit = 1024 * 1024;
    std::size_t bodyLimit = 1024 * 1024; // the sign-up form with its photo
    // Connections served at once; beyond, new ones are closed at once. With the limits above this
    // bounds the memory strangers can make the server hold.
    int maxConnections = 1024;
    // Of those, from one address (an IPv6 /64): one source cannot take them all.
    int maxConnectionsPerAddress = 32;
    // What is left of a refused request is read and dropped (up to drainLimit bytes, for up to
    // drainTimeout) before closing: closing on unread bytes sends a reset, which destroys the
    // answer on its way to the client.
    std::size_t drainLimit = 4 * 1024 * 1024;
    std::chrono::milliseconds drainTimeout{5000};
    // Load balancers in front of the server: a connection from one of these carries the client's
    // address in X-Real-IP, which then stands for the peer address everywhere (sessions,
    // throttle, access log). From any other address the header is ignored. Nor does the
    // per-address cap apply to them: every client behind them shares their address.
    std::vector<std::string> trustedProxies;
    // HTTPS on this listener when both are named (PEM files): the same handlers, the same limits;
    // the TLS handshake counts within headTimeout. A client certificate is asked for, not
    // required, and any one is taken (members' keys are self-signed): its SHA-256 becomes the
    // request's clientKey.
    std::string tlsCertificateFile;
    std::string tlsKeyFile;
    // One line per request answered; none when null. Must outlive the server.
    const AccessLog *accessLog = nullptr;
};

using Handler = std::function<Response(const Request &)>;
using SlowRequestTest = std::function<bool(const Request &)>;

// How the server reaches the handlers.
struct ServerHandlers
{
    // On the connection's thread; nothing when the request needs the slow hash.
    std::function<std::optional<Response>(const Request &)> quick;
    // On the slow-hash threads: anything, the slow hash included.
    Handler slow;
    // At once, when the slow-hash threads have no room.
    Handler busy;
    // Whether a slow request goes first (a member who lately logged in from that network); none
    // does when absent.
    std::function<bool(const Request &)> vouched{};
};

// One request per connection: read it, answer, close. Boost.Beast on a few threads, one event
// loop each, all accepting on the same listening socket. Accept errors (out of descriptors, aborted
// handshakes) are retried after a short pause and never end the accept loop; a malformed or oversized request
// gets its error status.
class HttpServer
{
public:
    // Binds at once (throws std::system_error when the address is taken).
    HttpServer(ServerHandlers handlers, ServerOptions options);
    // Every request through one handler; those `isSlow` picks run on the slow-hash threads.
    HttpServer(Handler handler, ServerOptions options, SlowRequestTest isSlow = {});
    ~HttpServer();

    unsigned short port() const;
    // Connections being served right now.
    int activeConnections() const;
    // TLS handshakes completed, and of those the ones that resumed an earlier session.
    long long tlsHandshakes() const;
    long long tlsResumedHandshakes() const;

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
