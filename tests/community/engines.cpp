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
#include <pwd.h>
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

// PostgreSQL refuses to run as root: as root, its commands run as the postgres user (or nobody).
std::string asOwner(const std::filesystem::path &dir)
{
    if (geteuid() != 0)
        return "";
    const passwd *pw = getpwnam("postgres");
    if (!pw)
        pw = getpwnam("nobody");
    if (!pw || chown(dir.c_str(), pw->pw_uid, pw->pw_gid) != 0)
        return "";
    return "runuser -u " + std::string(pw->pw_name) + " -- ";
}

// Debian keeps the server programs in a folder per major version; elsewhere they are on the PATH.
std::string postgresBin()
{
    std::error_code ec;
    for (const auto &version : std::filesystem::directory_iterator("/usr/lib/postgresql", ec))
        if (std::filesystem::exists(version.path() / "bin/initdb"))
            return (version.path() / "bin/").string();
    return run("command -v initdb") ? "" : "-";
}

struct Engines
{
    std::string why;
    std::filesystem::path dir;
    std::string pgCtl;
    std::string pgUrl; // without the database name
    int pgDatabases = 0;
    int redisPort = 0;

    Engines()
    {
        std::string name = (std::filesystem::temp_directory_path() / "jaserelle-engines-XXXXXX").string();
        dir = ::mkdtemp(name.data());
    }
    ~Engines()
    {
        if (!pgCtl.empty())
            run(pgCtl + " stop -m immediate");
        if (redisPort)
            run("redis-cli -p " + std::to_string(redisPort) + " shutdown nosave");
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // The first that cannot start is why none runs.
    void ensure(bool postgres, bool redis)
    {
        if (postgres && why.empty() && pgUrl.empty())
            why = startPostgres();
        if (redis && why.empty() && !redisPort)
            why = startRedis();
    }

    std::string startPostgres()
    {
        const std::string bin = postgresBin();
        if (bin == "-")
            return "PostgreSQL is not installed (scripts/install-deps installs it)";
        const auto data = dir / "pg";
        std::filesystem::create_directories(data);
        const std::string as = asOwner(dir) + bin;
        asOwner(data);
        const std::string port = std::to_string(freePort());
        if (!run(as + "initdb -A trust -U jaserelle -E UTF8 --no-locale -D " + data.string()))
            return "initdb failed";
        pgCtl = as + "pg_ctl -D " + data.string() + " -l " + (dir / "pg.log").string();
        if (!run(pgCtl + " -w -o '-c listen_addresses=127.0.0.1 -c fsync=off -c full_page_writes=off -p " +
                 port + " -k " + dir.string() + "' start"))
            return "PostgreSQL did not start (see its log)";
        pgUrl = "postgresql://jaserelle@127.0.0.1:" + port + "/";
        return "";
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
    engines().ensure(postgres, redis);
    return engines().why;
}

std::string freshPostgresUrl()
{
    auto &e = engines();
    e.ensure(true, false);
    const std::string name = "t" + std::to_string(++e.pgDatabases);
    PgConnection(e.pgUrl + "postgres").exec(("CREATE DATABASE " + name).c_str());
    return e.pgUrl + name;
}

std::string freshRedisUrl()
{
    engines().ensure(false, true);
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
