#include "tests/community/engines.h"

#include "community/core/sessions.h"
#include "community/presence/redissessions.h"
#include "community/store/pgconnection.h"
#include "community/store/pgstore.h"
#include "community/store/sqlitestore.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace jaserelle::community::test {
namespace {

bool envIs(const char *name, const char *value)
{
    const char *v = std::getenv(name);
    return v && std::string(v) == value;
}

int freePort()
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a);
    getsockname(s, reinterpret_cast<sockaddr *>(&a), &len);
    close(s);
    return ntohs(a.sin_port);
}

bool run(const std::string &command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

struct Engines
{
    std::string why;
    std::filesystem::path dir;
    int pgDatabases = 0;
    int redisPort = 0;

    Engines()
    {
        std::string name = (std::filesystem::temp_directory_path() / "jaserelle-engines-XXXXXX").string();
        dir = ::mkdtemp(name.data());
    }
    ~Engines()
    {
        if (redisPort)
            run("redis-cli -p " + std::to_string(redisPort) + " shutdown nosave");
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // Why Redis cannot run here; empty once it runs.
    std::string ensureRedis()
    {
        if (why.empty() && !redisPort)
            why = startRedis();
        return why;
    }

    std::string startRedis()
    {
        if (!run("command -v redis-server"))
            return "Redis is not installed (scripts/install-deps installs it)";
        const std::string port = std::to_string(freePort());
        if (!run("redis-server --port " + port +
                 " --bind 127.0.0.1 --save '' --appendonly no --daemonize yes --dir " + dir.string() +
                 " --logfile " + (dir / "redis.log").string()))
            return "redis-server did not start";
        for (int i = 0; i < 50 && !run("redis-cli -p " + port + " ping"); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        redisPort = std::stoi(port);
        return "";
    }
};

Engines &engines()
{
    static Engines e;
    return e;
}

} // namespace

bool usePostgres()
{
    return envIs("JASERELLE_TEST_STORE", "postgresql");
}

bool useRedis()
{
    return envIs("JASERELLE_TEST_PRESENCE", "redis");
}

std::string enginesUnavailable(bool postgres, bool redis)
{
    if (postgres && !std::getenv("PGPORT"))
        return "PostgreSQL runs in test_community_postgresql, in the cluster pg_virtualenv makes";
    return redis ? engines().ensureRedis() : "";
}

// libpq finds the cluster through the PG* variables pg_virtualenv sets.
std::string freshPostgresUrl()
{
    const std::string name = "t" + std::to_string(++engines().pgDatabases);
    PgConnection("postgresql:///postgres").exec(("CREATE DATABASE " + name).c_str());
    return "postgresql:///" + name;
}

std::string freshRedisUrl()
{
    engines().ensureRedis();
    const std::string port = std::to_string(engines().redisPort);
    run("redis-cli -p " + port + " flushall");
    return "redis://127.0.0.1:" + port;
}

std::unique_ptr<SessionStore> openTestSessions(Clock clock)
{
    if (useRedis())
        return std::make_unique<RedisSessions>(freshRedisUrl(), std::move(clock));
    return std::make_unique<Sessions>(std::move(clock));
}

std::unique_ptr<Store> openTestStore(const std::filesystem::path &dir)
{
    if (usePostgres()) {
        // One database for the suites, emptied for each test: a new database costs far more.
        static const std::string url = freshPostgresUrl();
        auto store = std::make_unique<PgStore>(url);
        PgConnection(url).exec("TRUNCATE members, contacts, mails, settings RESTART IDENTITY CASCADE");
        return store;
    }
    return std::make_unique<SqliteStore>(dir / "jaserelle.db");
}

} // namespace jaserelle::community::test

namespace {

// The whole binary is skipped, with the reason, where the chosen engines cannot run.
class EnginesEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        const std::string why = jaserelle::community::test::enginesUnavailable();
        if (!why.empty())
            GTEST_SKIP() << why;
    }
};

const auto *const registered = ::testing::AddGlobalTestEnvironment(new EnginesEnvironment);

} // namespace
