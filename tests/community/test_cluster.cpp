// Two server processes on one PostgreSQL database and one Redis: what a member does through one
// is what the other shows, and a node that dies takes nothing acknowledged with it.
#include "tests/community/engines.h"
#include "tests/community/fixture.h"

#include <arpa/inet.h>
#include <csignal>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

using namespace jaserelle::community::test;

namespace {

std::string binDir()
{
    if (const char *dir = std::getenv("JASERELLE_BIN_DIR"))
        return dir;
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "../../bin").string();
}

pid_t spawn(std::vector<std::string> args)
{
    args.insert(args.begin(), binDir() + "/jaserelle-server");
    std::vector<char *> argv;
    for (auto &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    return pid;
}

// One GET, as the client sends it; the whole answer, or "" when nothing answers.
std::string get(int port, const std::string &target)
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0) {
        const std::string request = "GET " + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
        if (write(s, request.data(), request.size()) == static_cast<ssize_t>(request.size())) {
            char buf[4096];
            for (ssize_t n; (n = read(s, buf, sizeof buf)) > 0;)
                reply.append(buf, static_cast<std::size_t>(n));
        }
    }
    close(s);
    return reply;
}

class Cluster : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (const auto why = startEngines(); !why.empty())
            GTEST_SKIP() << why;
        const std::string store = freshPostgresUrl(), presence = freshRedisUrl();
        for (const char *p : {"alain", "brigitte"}) {
            const pid_t admin = spawn({"add-member", "--data", dir_.path().string(), "--store", store,
                                       "--pseudo", p, "--password", p, "--sex", "F", "--birth", "1990-01-01",
                                       "--postal", "75011", "--region", "Ile-de-France"});
            int status = 0;
            waitpid(admin, &status, 0);
            ASSERT_EQ(status, 0);
        }
        for (int i = 0; i < 2; ++i) {
            ports_[i] = 20000 + i * 7919 % 20000 + getpid() % 1000;
            pids_[i] =
                spawn({"--listen", "127.0.0.1:" + std::to_string(ports_[i]), "--data", dir_.path().string(),
                       "--store", store, "--presence", presence, "--threads", "1"});
        }
        for (int i = 0; i < 2; ++i)
            for (int tries = 0; tries < 100 && get(ports_[i], "/").empty(); ++tries)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    void TearDown() override
    {
        for (pid_t p : pids_)
            if (p > 0) {
                kill(p, SIGKILL);
                waitpid(p, nullptr, 0);
            }
    }
    void killNode(int i)
    {
        kill(pids_[i], SIGKILL);
        waitpid(pids_[i], nullptr, 0);
        pids_[i] = -1;
    }
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
    pid_t pids_[2] = {-1, -1};
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
