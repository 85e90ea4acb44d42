// The jaserelle-server program itself: its admin subcommands and a clean stop on SIGTERM.
#include "tests/community/fixture.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
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
    EXPECT_EQ(run({"add-member", "--data", data, "--pseudo", "a b"}), 2);
    EXPECT_EQ(run({"set-message", "--data", data, "Fermeture à 22 h."}), 0);
    EXPECT_EQ(run({"withdraw", "--data", data, "ROBERT"}), 0);
    EXPECT_EQ(run({"withdraw", "--data", data, "nobody"}), 2);
    EXPECT_EQ(run({"list-members", "--data", data}, &out), 0);
    EXPECT_EQ(out, "robert\tH\t1970-05-05\t59000\t-\twithdrawn\n");
    EXPECT_EQ(run({"list-members"}), 2); // no --data

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

TEST(Program, RefusesABadCommandLine)
{
    TempDir dir;
    EXPECT_EQ(run({"--listen", "nowhere", "--data", dir.path().string()}), 2);
    EXPECT_EQ(run({"--data", dir.path().string()}), 2);
    EXPECT_EQ(run({"--listen", "127.0.0.1:0", "--data", dir.path().string(), "--bogus"}), 2);
    std::string out;
    EXPECT_EQ(run({"--help"}, &out), 0);
    EXPECT_NE(out.find("set-message"), std::string::npos);
}
