// The jaserelle-server program itself: its admin subcommands, a clean stop on SIGTERM, and two of
// them on one PostgreSQL database and one Redis, where what a member does through one is what the
// other shows, and a node that dies takes nothing acknowledged with it.
#include "tests/community/engines.h"
#include "tests/community/fixture.h"
#include "tests/community/rawclient.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

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

// A running child with its standard output and error on a pipe.
struct Child
{
    pid_t pid = -1;
    FILE *out = nullptr;

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
        out = fdopen(fds[0], "r");
    }
    ~Child()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (out)
            fclose(out);
    }
    // One line of output (without its newline); empty at the end.
    std::string line()
    {
        char buf[4096];
        return fgets(buf, sizeof buf, out) ? std::string(buf, std::strcspn(buf, "\n")) : "";
    }
    std::string rest()
    {
        std::string all;
        for (int c; (c = fgetc(out)) != EOF;)
            all += static_cast<char>(c);
        return all;
    }
    // The exit code, or -1 when it did not exit normally.
    int wait()
    {
        int status = 0;
        if (pid <= 0 || waitpid(std::exchange(pid, -1), &status, 0) < 0)
            return -1;
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

// add-member's command line for a member whose details do not matter.
std::vector<std::string> addMember(const std::string &data, const std::string &pseudo,
                                   const std::string &password)
{
    return {"add-member", "--data",   data,    "--pseudo", pseudo,
            "--password", password,   "--sex", "H",        "--birth",
            "1970-05-05", "--postal", "59000", "--region", "Nord-Pas-de-Calais"};
}

} // namespace

TEST(Program, AdminSubcommandsWorkOnTheDataFolder)
{
    TempDir dir;
    const std::string data = dir.path().string();
    EXPECT_EQ(run(addMember(data, "Robert", "Secret1")), 0);
    std::string out;
    EXPECT_EQ(run(addMember(data, "robert", "x"), &out), 2);
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

    SqliteStore store(dir.path() / "jaserelle.db");
    EXPECT_EQ(store.setting(loginMessageKey), "Fermeture à 22 h.");
    EXPECT_TRUE(PasswordHasher().verify(store.member("robert")->passwordHash, "secret1"));
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
std::string get(int port, const std::string &pathAndQuery)
{
    return exchangeOnce(static_cast<unsigned short>(port), getRequest(pathAndQuery));
}

class Cluster : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const auto why = enginesUnavailable(true, true); !why.empty())
            GTEST_SKIP() << why;
        const std::string store = freshPostgresUrl(), presence = freshRedisUrl();
        for (const char *p : {"alain", "brigitte"}) {
            auto args = addMember(dir_.path().string(), p, p);
            args.insert(args.end(), {"--store", store});
            ASSERT_EQ(run(args), 0);
        }
        for (int i = 0; i < 2; ++i) {
            ports_[i] = 20000 + i * 7919 % 20000 + getpid() % 1000;
            nodes_[i] = std::make_unique<Child>(std::vector<std::string>{
                "--listen", "127.0.0.1:" + std::to_string(ports_[i]), "--data", dir_.path().string(),
                "--store", store, "--presence", presence, "--threads", "1"});
        }
        // Up to 30 s each: on a busy machine a node can be slow to answer its first request.
        for (int i = 0; i < 2; ++i)
            for (int tries = 0; tries < 600 && get(ports_[i], "").empty(); ++tries)
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

const std::string refreshAlain = "softrefresh2.php?login=alain&password=alain&ipAdress=192.168.1.10";
const std::string refreshBrigitte = "softrefresh2.php?login=brigitte&password=brigitte&ipAdress=192.168.1.20";

} // namespace

TEST_F(Cluster, WhatOneNodeAcknowledgedTheOtherShowsEvenAfterTheFirstDies)
{
    const int a = 0, b = 1;
    ASSERT_NE(get(ports_[a], "softlogin.php?login=alain&password=alain").find("YOURLOGINISOK"),
              std::string::npos);
    ASSERT_NE(get(ports_[a], refreshAlain).find("REFRESHISOK"), std::string::npos);
    ASSERT_NE(get(ports_[b], "softlogin.php?login=brigitte&password=brigitte").find("YOURLOGINISOK"),
              std::string::npos);
    // Brigitte's empty list is now cached by node A.
    ASSERT_NE(get(ports_[a], refreshBrigitte).find("NOFAVORISDEFINED"), std::string::npos);

    EXPECT_NE(
        get(ports_[b], "ajoutmembre.php?login=brigitte&pseudo=alain&liste=favoris").find("LISTESMISESAJOUR"),
        std::string::npos);
    // Added through B, seen through A; logged in through A, seen online through B.
    EXPECT_NE(until(a, refreshBrigitte, "alain,192.168.1.10,").find("HERESTARTFAVORIS|alain,192.168.1.10,"),
              std::string::npos);
    EXPECT_NE(get(ports_[b], refreshBrigitte).find("alain,192.168.1.10,"), std::string::npos);

    ASSERT_NE(get(ports_[a], "sendmail.php?sender=brigitte&login=alain&subject=Salut&message=Bonjour")
                  .find("MAILSENDEDOK"),
              std::string::npos);
    killNode(a);
    EXPECT_NE(get(ports_[b], refreshAlain).find("MYMAILSNUMBER,1,"), std::string::npos);
    EXPECT_NE(get(ports_[b], "readmails.php?login=alain").find("brigitte~"), std::string::npos);
    EXPECT_NE(get(ports_[b], refreshBrigitte).find("alain,192.168.1.10,"), std::string::npos);
}
