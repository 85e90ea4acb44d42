// jaserelle-server: the community server. See docs/server.md.
#include "admin.h"
#include "community/core/clock.h"
#include "community/core/passwords.h"
#include "community/core/throttle.h"
#include "community/demo/demo.h"
#include "community/handlers/handlers.h"
#include "community/http/accesslog.h"
#include "community/http/peerprobe.h"
#include "community/http/server.h"
#include "community/keys/rediskeydirectory.h"
#include "community/presence/redissessions.h"
#include "community/presence/sessions.h"
#include "community/relay/redisrelaydirectory.h"
#include "community/store/cachingstore.h"
#include "community/store/openstore.h"
#include "community/store/pgchanges.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

using namespace jaserelle::community;

namespace {

bool allAddresses(const std::vector<std::string> &texts)
{
    for (const auto &t : texts) {
        std::string address;
        unsigned short port;
        if (!parseListen(t + ":0", address, port) || t.front() == '[') {
            std::cerr << "jaserelle-server: --trusted-proxy takes an IP address, not " << t << "\n\n";
            return false;
        }
    }
    return true;
}

// The relay's shared secret: the first line of its file, which must not be empty.
bool readRelaySecret(const std::string &file, std::string &secret)
{
    std::ifstream in(file);
    if (!in || !std::getline(in, secret)) {
        std::cerr << "jaserelle-server: cannot read the relay secret from " << file << "\n";
        return false;
    }
    while (!secret.empty() && (secret.back() == '\r' || secret.back() == ' '))
        secret.pop_back();
    if (secret.empty()) {
        std::cerr << "jaserelle-server: the relay secret in " << file << " is empty\n";
        return false;
    }
    return true;
}

} // namespace

#ifndef JASERELLE_VERSION
#define JASERELLE_VERSION "dev"
#endif

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h" || args[0] == "help")) {
        printUsage();
        return 0;
    }
    if (!args.empty() && args[0] == "--version") {
        std::cout << "jaserelle-server " << JASERELLE_VERSION << "\n";
        return 0;
    }
    try {
        if (!args.empty() && isAdminCommand(args[0]))
            return runAdmin(args);

        std::string listen;
        std::string tlsListen;
        ServerOptions tlsOptions;
        std::string data;
        std::string storeUrl;
        std::string presenceUrl;
        std::string accessLogFile;
        std::string relay;
        std::string relaySecretFile;
        bool demo = false;
        int threads = 4;
        ServerOptions options;
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (args[i] == "--listen" && i + 1 < args.size())
                listen = args[++i];
            else if (args[i] == "--data" && i + 1 < args.size())
                data = args[++i];
            else if (args[i] == "--store" && i + 1 < args.size())
                storeUrl = args[++i];
            else if (args[i] == "--presence" && i + 1 < args.size())
                presenceUrl = args[++i];
            else if (args[i] == "--threads" && i + 1 < args.size())
                threads = std::stoi(args[++i]);
            else if (args[i] == "--access-log" && i + 1 < args.size())
                accessLogFile = args[++i];
            else if (args[i] == "--trusted-proxy" && i + 1 < args.size())
                options.trustedProxies.push_back(args[++i]);
            else if (args[i] == "--tls-listen" && i + 1 < args.size())
                tlsListen = args[++i];
            else if (args[i] == "--tls-cert" && i + 1 < args.size())
                tlsOptions.tlsCertificateFile = args[++i];
            else if (args[i] == "--tls-key" && i + 1 < args.size())
                tlsOptions.tlsKeyFile = args[++i];
            else if (args[i] == "--relay" && i + 1 < args.size())
                relay = args[++i];
            else if (args[i] == "--relay-secret" && i + 1 < args.size())
                relaySecretFile = args[++i];
            else if (args[i] == "--demo")
                demo = true;
            else {
                std::cerr << "jaserelle-server: unexpected argument " << args[i] << "\n\n";
                printUsage();
                return 2;
            }
        }
        if (listen.empty() || data.empty() || !parseListen(listen, options.address, options.port) ||
            threads < 1 || threads > 256 || !allAddresses(options.trustedProxies)) {
            printUsage();
            return 2;
        }
        options.threads = threads;
        const bool withTls =
            !tlsListen.empty() || !tlsOptions.tlsCertificateFile.empty() || !tlsOptions.tlsKeyFile.empty();
        if (withTls) {
            // The HTTPS listener is the plain one's twin: same limits, proxies and log.
            const std::string certificate = tlsOptions.tlsCertificateFile;
            const std::string key = tlsOptions.tlsKeyFile;
            tlsOptions = options;
            tlsOptions.tlsCertificateFile = certificate;
            tlsOptions.tlsKeyFile = key;
            if (certificate.empty() || key.empty() ||
                !parseListen(tlsListen, tlsOptions.address, tlsOptions.port)) {
                std::cerr << "jaserelle-server: --tls-listen, --tls-cert and --tls-key go together\n\n";
                printUsage();
                return 2;
            }
        }
        RelaySettings relaySettings;
        if (relay.empty() != relaySecretFile.empty()) {
            std::cerr << "jaserelle-server: --relay and --relay-secret go together\n\n";
            printUsage();
            return 2;
        }
        if (!relay.empty() &&
            (!parseListen(relay, relaySettings.host, relaySettings.port) || relaySettings.port == 0 ||
             !readRelaySecret(relaySecretFile, relaySettings.secret)))
            return 2;

        std::filesystem::create_directories(data);
        const std::filesystem::path dataDir(data);
        const auto database = openStore(storeUrl, dataDir);
        CachingStore store(*database);
        // Several processes on one database: each drops its cached rows when any of them writes.
        std::unique_ptr<PgChangeListener> changes;
        if (!storeUrl.empty())
            changes = std::make_unique<PgChangeListener>(
                storeUrl, [&store](std::string_view p) { store.invalidate(p); });
        std::unique_ptr<SessionStore> sessionStore;
        RedisSessions *redisSessions = nullptr;
        if (presenceUrl.empty()) {
            sessionStore = std::make_unique<Sessions>(systemClock());
        } else {
            auto redis = std::make_unique<RedisSessions>(presenceUrl, systemClock());
            redisSessions = redis.get();
            sessionStore = std::move(redis);
        }
        SessionStore &sessions = *sessionStore;
        FailureThrottle failures(systemClock());
        const PasswordHasher hasher;
        Context ctx{store, sessions, hasher, systemClock(), dataDir / "photos"};
        ctx.failures = &failures;
        std::unique_ptr<KeyStore> keys;
        if (presenceUrl.empty())
            keys = std::make_unique<KeyDirectory>();
        else
            keys = std::make_unique<RedisKeyDirectory>(presenceUrl);
        ctx.keys = keys.get();
        RecentLogins recentLogins(systemClock());
        ctx.recentLogins = &recentLogins;
        // Ten mails a minute per sender; five sign-ups an hour per address, twenty per network.
        FailureThrottle mailsSent(systemClock(), {10, std::chrono::seconds(60), std::chrono::seconds(60)});
        FailureThrottle signUpsByAddress(systemClock(), {5, std::chrono::hours(1), std::chrono::hours(1)});
        FailureThrottle signUpsByNetwork(systemClock(), {20, std::chrono::hours(1), std::chrono::hours(1)});
        ctx.mailsSent = &mailsSent;
        ctx.signUpsByAddress = &signUpsByAddress;
        ctx.signUpsByNetwork = &signUpsByNetwork;
        SocketPeerProbe peerProbe;
        ProbeLimits probeLimits(systemClock());
        ctx.peerProbe = &peerProbe;
        ctx.probeLimits = &probeLimits;
        // Relayed addresses beside the sessions: in Redis when they are, so any node finds them.
        std::unique_ptr<RelayStore> relayed;
        if (!relay.empty()) {
            if (redisSessions)
                relayed = std::make_unique<RedisRelayDirectory>(presenceUrl, *redisSessions);
            else
                relayed = std::make_unique<RelayDirectory>();
            ctx.relay = &relaySettings;
            ctx.relayed = relayed.get();
        }
        // On standard error unless a file is named ("-" is standard error too).
        const auto accessLog = accessLogFile.empty() || accessLogFile == "-"
                                   ? std::make_unique<AccessLog>()
                                   : std::make_unique<AccessLog>(std::filesystem::path(accessLogFile));
        options.accessLog = accessLog.get();
        tlsOptions.accessLog = accessLog.get();
        std::filesystem::create_directories(ctx.photosDir);

        if (demo) {
            const DemoReport report = seedDemo(store, hasher, ctx.photosDir, localDateTime(ctx.clock()));
            pinDemoPresence(sessions);
            std::cout << "demo: " << report.membersCreated << " members added, " << report.photosWritten
                      << " photos written" << (report.listsSeeded ? ", lists and mails of demo seeded" : "")
                      << "\n";
        }

        std::signal(SIGPIPE, SIG_IGN);
        ServerHandlers handlers{[&ctx](const Request &r) { return handleQuick(ctx, r); },
                                [&ctx](const Request &r) { return handle(ctx, r); }, refuseUnchecked,
                                [&ctx](const Request &r) { return isVouchedRequest(ctx, r); }};
        std::unique_ptr<HttpServer> tlsServer;
        if (withTls)
            tlsServer = std::make_unique<HttpServer>(handlers, tlsOptions);
        HttpServer server(std::move(handlers), options);
        server.stopOnSignals();
        if (tlsServer)
            tlsServer->stopOnSignals();
        server.start();
        if (tlsServer)
            tlsServer->start();
        // The port actually bound: "--listen 127.0.0.1:0" takes any free one.
        std::cout << "jaserelle-server: listening on " << options.address << ':' << server.port();
        if (tlsServer)
            std::cout << ", HTTPS on " << tlsOptions.address << ':' << tlsServer->port();
        std::cout << ", data in " << data << (storeUrl.empty() ? "" : ", store in PostgreSQL") << std::endl;
        server.wait();
        if (tlsServer)
            tlsServer->wait();
        std::cout << "jaserelle-server: stopped" << std::endl;
        return 0;
    } catch (const std::exception &e) {
        std::cerr << "jaserelle-server: " << e.what() << "\n";
        return 1;
    }
}
