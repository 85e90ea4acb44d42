#include "tests/community/engines.h"

#include "community/keys/keydirectory.h"
#include "community/keys/rediskeydirectory.h"
#include "community/presence/redissessions.h"
#include "community/relay/redisrelaydirectory.h"
#include "community/relay/relaydirectory.h"
#include "community/store/pgconnection.h"
#include "community/store/pgstore.h"
#include "tests/community/fixture.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace jaserelle::community::test {

int freePort()
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{.sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}};
    socklen_t len = sizeof a;
    bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a);
    getsockname(s, reinterpret_cast<sockaddr *>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

namespace {

bool run(const std::string &command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// A Redis server of this process's own in a temporary folder, started on first use and stopped
// when the process ends.
struct Redis
{
    TempDir dir;
    std::string port = std::to_string(freePort());
    std::string why; // it cannot run here

    Redis()
    {
        if (!run("command -v redis-server"))
            why = "Redis is not installed (scripts/install-deps installs it)";
        else if (!run("redis-server --port " + port + " --bind 127.0.0.1 --save '' --appendonly no --dir " +
                      dir.path().string() + " --daemonize yes --logfile " + dir.path().string() +
                      "/redis.log"))
            why = "redis-server did not start";
        for (int i = 0; why.empty() && i < 50 && !run("redis-cli -p " + port + " ping"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ~Redis()
    {
        if (why.empty())
            run("redis-cli -p " + port + " shutdown nosave");
    }
};

Redis &testRedis()
{
    static Redis r;
    return r;
}

// The whole binary is skipped, with the reason, where the chosen engines cannot run.
struct EnginesEnvironment : ::testing::Environment
{
    void SetUp() override
    {
        if (const std::string why = enginesUnavailable(); !why.empty())
            GTEST_SKIP() << why;
    }
};

const auto *const registered = ::testing::AddGlobalTestEnvironment(new EnginesEnvironment);

} // namespace

bool usePostgres()
{
    const char *store = std::getenv("JASERELLE_TEST_STORE");
    return store && std::string_view(store) == "postgresql";
}

bool useRedis()
{
    const char *presence = std::getenv("JASERELLE_TEST_PRESENCE");
    return presence && std::string_view(presence) == "redis";
}

std::string enginesUnavailable(bool postgres, bool redis)
{
    if (postgres && !std::getenv("PGPORT"))
        return "PostgreSQL runs in the test_community_*_postgresql runs, in the cluster pg_virtualenv makes";
    return redis ? testRedis().why : "";
}

// libpq finds the cluster through the PG* variables pg_virtualenv sets.
std::string freshPostgresUrl()
{
    static int databases = 0;
    const std::string name = "t" + std::to_string(++databases);
    PgConnection("postgresql:///postgres").exec(("CREATE DATABASE " + name).c_str());
    return "postgresql:///" + name;
}

std::string testRedisUrl()
{
    return "redis://127.0.0.1:" + testRedis().port;
}

std::string redisCliOutput(const std::string &command)
{
    return commandOutput("redis-cli -p " + testRedis().port + " " + command);
}

void redisCli(const std::string &command)
{
    redisCliOutput(command);
}

std::string freshRedisUrl()
{
    redisCli("flushall");
    return testRedisUrl();
}

std::unique_ptr<KeyStore> openTestKeys()
{
    if (useRedis())
        return std::make_unique<RedisKeyDirectory>(testRedisUrl());
    return std::make_unique<KeyDirectory>();
}

std::unique_ptr<RelayStore> openTestRelayed(SessionStore &sessions)
{
    if (auto *redis = dynamic_cast<RedisSessions *>(&sessions))
        return std::make_unique<RedisRelayDirectory>(testRedisUrl(), *redis);
    return std::make_unique<RelayDirectory>();
}

std::unique_ptr<SessionStore> openTestSessions(Clock clock)
{
    if (useRedis())
        return std::make_unique<RedisSessions>(freshRedisUrl(), std::move(clock));
    return std::make_unique<Sessions>(std::move(clock));
}

std::unique_ptr<Store> openTestStore(const std::filesystem::path &dir)
{
    if (!usePostgres())
        return std::make_unique<SqliteStore>(dir / "jaserelle.db");
    // One database for the suites, emptied for each test: a new database costs far more.
    static const std::string url = freshPostgresUrl();
    auto store = std::make_unique<PgStore>(url);
    PgConnection(url).exec("TRUNCATE members, contacts, mails, settings RESTART IDENTITY CASCADE");
    return store;
}

} // namespace jaserelle::community::test
