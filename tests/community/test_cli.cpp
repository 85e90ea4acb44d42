// The jaserelle-server program itself: its admin subcommands, a clean stop on SIGTERM, and two of
// them on one PostgreSQL database and one Redis, where what a member does through one is what the
// other shows, and a node that dies takes nothing acknowledged with it.
#include "tests/community/engines.h"
#include "tests/community/fixture.h"
#include "tests/community/rawclient.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

using namespace jaserelle::community;
using namespace jaserelle::community::test;

namespace {

std::string serverBinary()
{
    if (const char *dir = std::getenv("JASERELLE_BIN_DIR"))
        return std::string(dir) + "/jaserelle-server";
    // Run by hand: the test sits in <build>/tests/bin, the server in <build>/bin.
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "../../bin/jaserelle-server")
        .string();
}

// A running child with its standard output on a pipe.
struct Child
{
    pid_t pid = -1;
    int out = -1;

    explicit Child(std::vector<std::string> args)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        args.insert(args.begin(), serverBinary());
        std::vector<char *> argv;
        for (auto &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out = fds[0];
    }
    ~Child()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (out >= 0)
            close(out);
    }
    // One line of output (without its newline); empty at the end.
    std::string line()
    {
        std::string l;
        char c;
        while (read(out, &c, 1) == 1 && c != '\n')
            l += c;
        return l;
    }
    std::string rest()
    {
        std::string all;
        char buf[4096];
        ssize_t n;
        while ((n = read(out, buf, sizeof buf)) > 0)
            all.append(buf, static_cast<std::size_t>(n));
        return all;
    }
    // The exit code, or -1 when it did not exit normally.
    int wait()
    {
        if (pid <= 0)
            return -1;
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

int run(const std::vector<std::string> &args, std::string *output = nullptr)
{
    Child c(args);
    const std::string text = c.rest();
    if (output)
        *output = text;
    return c.wait();
}

} // namespace

TEST(Program, AdminSubcommandsWorkOnTheDataFolder)
{
    TempDir dir;
    const std::string data = dir.path().string();
    std::string out;
    EXPECT_EQ(run({"add-member", "--data", data, "--pseudo", "Robert", "--password", "Secret1", "--sex", "H",
                   "--birth", "1970-05-05", "--postal", "59000", "--region", "Nord-Pas-de-Calais"}),
              0);
    EXPECT_EQ(run({"add-member", "--data", data, "--pseudo", "robert", "--password", "x", "--sex", "H",
                   "--birth", "1970-05-05", "--postal", "59000", "--region", "Nord-Pas-de-Calais"},
                  &out),
              2);
    EXPECT_NE(out.find("taken"), std::string::npos);
    // Bad command lines exit with 2.
    for (const std::vector<std::string> &bad :
         std::vector<std::vector<std::string>>{{"add-member", "--data", data, "--pseudo", "a b"},
                                               {"withdraw", "--data", data, "nobody"},
                                               {"list-members"}, // no --data
                                               {"--listen", "nowhere", "--data", data},
                                               {"--data", data},
                                               {"--listen", "127.0.0.1:0", "--data", data, "--bogus"}})
        EXPECT_EQ(run(bad), 2) << bad[0];
    EXPECT_EQ(run({"set-message", "--data", data, "Fermeture à 22 h."}), 0);
    EXPECT_EQ(run({"withdraw", "--data", data, "ROBERT"}), 0);
    EXPECT_EQ(run({"list-members", "--data", data}, &out), 0);
    EXPECT_EQ(out, "robert\tH\t1970-05-05\t59000\t-\twithdrawn\n");
    EXPECT_EQ(run({"--help"}, &out), 0);
    EXPECT_NE(out.find("set-message"), std::string::npos);

    SqliteStore store(dir.path() / "jaserelle.db");
    EXPECT_EQ(store.setting(loginMessageKey), "Fermeture à 22 h.");
    PasswordHasher hasher;
    EXPECT_TRUE(hasher.verify(store.member("robert")->passwordHash, "secret1"));
}

TEST(Program, ServesUntilSigtermThenStopsCleanly)
{
    TempDir dir;
    Child server({"--listen", "127.0.0.1:0", "--data", dir.path().string(), "--threads", "2"});
    ASSERT_GT(server.pid, 0);
    const std::string banner = server.line();
    ASSERT_EQ(banner.rfind("jaserelle-server: listening on 127.0.0.1:", 0), 0u) << banner;
    EXPECT_EQ(banner.find("127.0.0.1:0,"), std::string::npos); // the port actually bound is shown
    kill(server.pid, SIGTERM);
    EXPECT_EQ(server.line(), "jaserelle-server: stopped");
    EXPECT_EQ(server.wait(), 0);
}

namespace {

// One GET, as the client sends it; the whole answer, or "" when nothing answers.
std::string get(int port, const std::string &target)
{
    RawClient c(static_cast<unsigned short>(port));
    return c.connected() && c.send("GET " + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")
               ? c.readAll()
               : "";
}

class Cluster : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const auto why = startEngines(); !why.empty())
            GTEST_SKIP() << why;
        const std::string store = freshPostgresUrl(), presence = freshRedisUrl();
        for (const char *p : {"alain", "brigitte"})
            ASSERT_EQ(run({"add-member", "--data", dir_.path().string(), "--store", store, "--pseudo", p,
                           "--password", p, "--sex", "F", "--birth", "1990-01-01", "--postal", "75011",
                           "--region", "Ile-de-France"}),
                      0);
        for (int i = 0; i < 2; ++i) {
            ports_[i] = 20000 + i * 7919 % 20000 + getpid() % 1000;
            nodes_[i] = std::make_unique<Child>(std::vector<std::string>{
                "--listen", "127.0.0.1:" + std::to_string(ports_[i]), "--data", dir_.path().string(),
                "--store", store, "--presence", presence, "--threads", "1"});
        }
        // Up to 30 s each: on a busy machine a node can be slow to answer its first request.
        for (int i = 0; i < 2; ++i)
            for (int tries = 0; tries < 600 && get(ports_[i], "/").empty(); ++tries)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    void killNode(int i) { nodes_[i].reset(); } // SIGKILL: nothing is flushed on the way out
    // Waits for what another node announced to reach this one's cache.
    std::string until(int node, const std::string &target, const std::string &expected)
    {
        std::string reply;
        for (int i = 0; i < 100 && reply.find(expected) == std::string::npos; ++i) {
            if (i)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            reply = get(ports_[node], target);
        }
        return reply;
    }

    TempDir dir_;
    int ports_[2] = {0, 0};
    std::unique_ptr<Child> nodes_[2];
};

const std::string refreshAlain = "/softrefresh2.php?login=alain&password=alain&ipAdress=192.168.1.10";
const std::string refreshBrigitte =
    "/softrefresh2.php?login=brigitte&password=brigitte&ipAdress=192.168.1.20";

} // namespace

TEST_F(Cluster, WhatOneNodeAcknowledgedTheOtherShowsEvenAfterTheFirstDies)
{
    const int a = 0, b = 1;
    ASSERT_NE(get(ports_[a], "/softlogin.php?login=alain&password=alain").find("YOURLOGINISOK"),
              std::string::npos);
    ASSERT_NE(get(ports_[a], refreshAlain).find("REFRESHISOK"), std::string::npos);
    ASSERT_NE(get(ports_[b], "/softlogin.php?login=brigitte&password=brigitte").find("YOURLOGINISOK"),
              std::string::npos);
    // Brigitte's empty list is now cached by node A.
    ASSERT_NE(get(ports_[a], refreshBrigitte).find("NOFAVORISDEFINED"), std::string::npos);

    EXPECT_NE(
        get(ports_[b], "/ajoutmembre.php?login=brigitte&pseudo=alain&liste=favoris").find("LISTESMISESAJOUR"),
        std::string::npos);
    // Added through B, seen through A; logged in through A, seen online through B.
    EXPECT_NE(until(a, refreshBrigitte, "alain,192.168.1.10,").find("HERESTARTFAVORIS|alain,192.168.1.10,"),
              std::string::npos);
    EXPECT_NE(get(ports_[b], refreshBrigitte).find("alain,192.168.1.10,"), std::string::npos);

    ASSERT_NE(get(ports_[a], "/sendmail.php?sender=brigitte&login=alain&subject=Salut&message=Bonjour")
                  .find("MAILSENDEDOK"),
              std::string::npos);
    killNode(a);
    EXPECT_NE(get(ports_[b], refreshAlain).find("MYMAILSNUMBER,1,"), std::string::npos);
    EXPECT_NE(get(ports_[b], "/readmails.php?login=alain").find("brigitte~"), std::string::npos);
    EXPECT_NE(get(ports_[b], refreshBrigitte).find("alain,192.168.1.10,"), std::string::npos);
}
