// The jaserelle-server program: its admin subcommands, a clean stop on SIGTERM, and two of them on one
// PostgreSQL and one Redis, each showing what the other acknowledged, even after it died.
#include "tests/community/engines.h"
#include "tests/community/fixture.h"
#include "tests/community/rawclient.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <utility>

using namespace jaserelle::community;
using namespace jaserelle::community::test;

namespace {

// A running child with its standard output and error on a pipe.
struct Child
{
    FILE *out = nullptr;
    pid_t pid = -1;

    // The shell says its pid, then becomes the server. No argument here holds a quote.
    explicit Child(const std::vector<std::string> &args)
    {
        // Run by hand, the test sits in <build>/tests/bin, the server in <build>/bin.
        const char *dir = std::getenv("JASERELLE_BIN_DIR");
        const auto here = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "../../bin";
        std::string command =
            "echo $$; exec '" + (dir ? std::string(dir) : here.string()) + "/jaserelle-server'";
        for (const auto &a : args)
            command += " '" + a + "'";
        out = popen((command + " 2>&1").c_str(), "r");
        pid = out ? std::atoi(line().c_str()) : -1;
    }
    ~Child()
    {
        if (pid > 0)
            kill(pid, SIGKILL);
        if (out)
            pclose(out);
    }
    // One line of output (without its newline); empty at the end.
    std::string line()
    {
        char buf[4096];
        return fgets(buf, sizeof buf, out) ? std::string(buf, std::strcspn(buf, "\n")) : "";
    }
    // The exit code, or -1 when it did not exit normally.
    int wait()
    {
        pid = -1;
        const int status = out ? pclose(std::exchange(out, nullptr)) : -1;
        return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

int run(const std::vector<std::string> &args, std::string *output = nullptr)
{
    Child c(args);
    std::string text;
    for (int ch; (ch = fgetc(c.out)) != EOF;)
        text += static_cast<char>(ch);
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

TEST(Program, AdminSubcommandsWorkBadCommandLinesAndADamagedDatabaseAreRefusedAndItStopsOnSigterm)
{
    TempDir dir;
    const std::string data = dir.path().string();
    EXPECT_EQ(run(addMember(data, "Robert", "Secret1")), 0);
    std::string out;
    EXPECT_EQ(run(addMember(data, "robert", "x"), &out), 2);
    EXPECT_NE(out.find("taken"), std::string::npos);
    EXPECT_EQ(run({"set-message", "--data", data, "Fermeture à 22 h."}), 0);
    EXPECT_EQ(run({"withdraw", "--data", data, "ROBERT"}), 0);
    EXPECT_EQ(run({"list-members", "--data", data}, &out), 0);
    EXPECT_EQ(out, "robert\tH\t1970-05-05\t59000\t-\twithdrawn\n");
    {
        SqliteStore store(dir.path() / "jaserelle.db");
        EXPECT_EQ(store.setting(loginMessageKey), "Fermeture à 22 h.");
        EXPECT_TRUE(PasswordHasher().verify(store.member("robert")->passwordHash, "secret1"));
    }
    const std::string secret = (dir.path() / "secret").string();
    const std::string empty = (dir.path() / "empty").string();
    std::ofstream(secret) << "s3cr3t\n";
    std::ofstream(empty) << "\n";
    const std::vector<std::string> serve{"--listen", "127.0.0.1:0", "--data", data};
    // Bad command lines exit with 2, the relay options only together and with a readable secret.
    for (const std::vector<std::string> &bad : std::vector<std::vector<std::string>>{
             {"add-member", "--data", data, "--pseudo", "a b"},
             {"withdraw", "--data", data, "nobody"},
             {"list-members"}, // no --data
             {"--listen", "nowhere", "--data", data},
             {"--listen", "127.0.0.1:0", "--data", data, "--bogus"},
             {"--relay", "127.0.0.50:3478"},
             {"--relay-secret", secret},
             {"--relay", "nowhere", "--relay-secret", secret},
             {"--relay", "127.0.0.50:0", "--relay-secret", secret},
             {"--relay", "127.0.0.50:3478", "--relay-secret", (dir.path() / "missing").string()},
             {"--relay", "127.0.0.50:3478", "--relay-secret", empty}}) {
        std::vector<std::string> args = bad[0].starts_with("--relay") ? serve : std::vector<std::string>{};
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_EQ(run(args, &out), 2) << bad[0] << " " << bad.back();
        EXPECT_EQ(out.find("listening"), std::string::npos) << out;
    }
    // With both relay options, it serves until SIGTERM, then stops cleanly.
    {
        Child server({"--listen", "127.0.0.1:0", "--data", data, "--threads", "2", "--relay",
                      "127.0.0.50:3478", "--relay-secret", secret});
        ASSERT_GT(server.pid, 0);
        const std::string banner = server.line();
        ASSERT_EQ(banner.rfind("jaserelle-server: listening on 127.0.0.1:", 0), 0u) << banner;
        EXPECT_EQ(banner.find("127.0.0.1:0,"), std::string::npos); // the port actually bound is shown
        kill(server.pid, SIGTERM);
        EXPECT_EQ(server.line(), "jaserelle-server: stopped");
        EXPECT_EQ(server.wait(), 0);
    }
    // A damaged database (healthy until then): exit 1, naming the file, and never listening.
    const auto file = dir.path() / "jaserelle.db";
    {
        SqliteStore store(file); // a few hundred pages: 400 mails
        store.createMember(someone("berthe"));
        for (int i = 0; i < 400; ++i)
            store.addMail({.recipient = "berthe", .text = std::string(300, 'x')});
    } // the last connection folds the WAL back into the file
    EXPECT_NO_THROW(SqliteStore healthy(file));
    std::fstream(file, std::ios::in | std::ios::out | std::ios::binary)
            .seekp(static_cast<std::streamoff>(std::filesystem::file_size(file) / 8192 * 4096))
        << std::string(4096, '\x5A'); // one page in the middle overwritten, as a failing disk does
    EXPECT_EQ(run(serve, &out), 1);
    EXPECT_NE(out.find(file.string() + " is damaged"), std::string::npos) << out;
    EXPECT_EQ(out.find("listening"), std::string::npos) << out;
}

TEST(Cluster, WhatOneNodeAcknowledgedTheOtherShowsEvenAfterTheFirstDies)
{
    if (const auto why = enginesUnavailable(true, true); !why.empty())
        GTEST_SKIP() << why;
    TempDir dir;
    const std::string store = freshPostgresUrl(), presence = freshRedisUrl();
    for (const char *p : {"alain", "brigitte"}) {
        auto args = addMember(dir.path().string(), p, p);
        args.insert(args.end(), {"--store", store});
        ASSERT_EQ(run(args), 0);
    }
    unsigned short ports[2] = {0, 0};
    std::unique_ptr<Child> nodes[2];
    for (int i = 0; i < 2; ++i) {
        do
            ports[i] = static_cast<unsigned short>(freePort());
        while (i == 1 && ports[1] == ports[0]);
        nodes[i] = std::make_unique<Child>(std::vector<std::string>{
            "--listen", "127.0.0.1:" + std::to_string(ports[i]), "--data", dir.path().string(), "--store",
            store, "--presence", presence, "--threads", "1"});
    }
    // Whether a node's answer holds `part`, waiting for what another node announced to reach it.
    const auto holds = [&ports](int node, const std::string &target, const std::string &part,
                                int tries = 100) {
        for (int i = 0; i < tries; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(20)))
            if (exchangeOnce(ports[node], getRequest(target)).find(part) != std::string::npos)
                return true;
        return false;
    };
    // Up to 30 s each: on a busy machine a node can be slow to answer its first request.
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(holds(i, "", "HTTP/1.1 ", 1500)) << "node " << i << " does not answer";

    const int a = 0, b = 1;
    const std::string refreshAlain = "softrefresh2.php?login=alain&password=alain&ipAdress=192.168.1.10";
    const std::string refreshBrigitte =
        "softrefresh2.php?login=brigitte&password=brigitte&ipAdress=192.168.1.20";
    ASSERT_TRUE(holds(a, "softlogin.php?login=alain&password=alain", "YOURLOGINISOK"));
    ASSERT_TRUE(holds(a, refreshAlain, "REFRESHISOK"));
    ASSERT_TRUE(holds(b, "softlogin.php?login=brigitte&password=brigitte", "YOURLOGINISOK"));
    ASSERT_TRUE(holds(a, refreshBrigitte, "NOFAVORISDEFINED")); // brigitte's empty list, now cached by A
    ASSERT_TRUE(holds(b, "ajoutmembre.php?login=brigitte&pseudo=alain&liste=favoris", "LISTESMISESAJOUR"));
    // Added through B, seen through A; logged in through A, seen online through B.
    EXPECT_TRUE(holds(a, refreshBrigitte, "HERESTARTFAVORIS|alain,192.168.1.10,"));
    EXPECT_TRUE(holds(b, refreshBrigitte, "alain,192.168.1.10,"));
    ASSERT_TRUE(
        holds(a, "sendmail.php?sender=brigitte&login=alain&subject=Salut&message=Bonjour", "MAILSENDEDOK"));
    nodes[a].reset(); // SIGKILL: nothing is flushed on the way out
    EXPECT_TRUE(holds(b, refreshAlain, "MYMAILSNUMBER,1,"));
    EXPECT_TRUE(holds(b, "readmails.php?login=alain", "brigitte~"));
    EXPECT_TRUE(holds(b, refreshBrigitte, "alain,192.168.1.10,"));
}
