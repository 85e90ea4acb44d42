#pragma once

#include "community/core/passwords.h"
#include "community/handlers/handlers.h"
#include "community/http/server.h"
#include "community/presence/sessions.h"
#include "community/store/cachingstore.h"
#include "community/store/sqlitestore.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace jaserelle::community::test {

// A fresh folder in the temporary directory (made atomically: parallel runs never share one), then removed.
class TempDir
{
public:
    TempDir() : path_(::mkdtemp(name_.data())) {}
    ~TempDir() { std::filesystem::remove_all(path_, ignored_); }
    const std::filesystem::path &path() const { return path_; }

private:
    std::string name_ = (std::filesystem::temp_directory_path() / "jaserelle-test-XXXXXX").string();
    std::filesystem::path path_;
    std::error_code ignored_;
};

// The handlers over a real store (behind the refresh cache, as in the server), with a clock the test
// moves by hand. The local time zone is UTC, and "now" starts at 2026-12-06 12:00:00.
class CommunityTest : public ::testing::Test
{
protected:
    CommunityTest();

    // Adds a member whose password is its pseudo.
    void addMember(const std::string &pseudo, const std::string &sex = "F",
                   const std::string &birthDate = "1990-06-15", const std::string &postalCode = "75011",
                   bool hasPhoto = false, const Profile &profile = {});
    // One GET from an address; the answer's body as sent (Windows-1252).
    Response get(const std::string &target, const std::string &peer = "10.0.0.1",
                 const std::string &clientKey = {});
    std::string body(const std::string &target, const std::string &peer = "10.0.0.1")
    {
        return get(target, peer).body;
    }
    // Logs in (password = pseudo) and refreshes once with the given reported address.
    void connect(const std::string &pseudo, const std::string &peer = "10.0.0.1",
                 const std::string &reported = "192.168.1.10");
    void advance(std::chrono::seconds s) { now_ += s; }
    // The real server over these handlers on any free port, and the body of the answer to the client's
    // own request for a path and query, sent from `source` with extra header lines.
    void serve(ServerOptions options = {.port = 0, .threads = 2});
    std::string ask(const std::string &pathAndQuery, const char *source = nullptr,
                    const std::string &headers = {});

    TempDir dir_;
    std::chrono::system_clock::time_point now_;
    std::unique_ptr<Store> database_;     // SQLite, or PostgreSQL (engines.h)
    std::unique_ptr<CachingStore> store_; // what the server uses: the cache in front of the store
    PasswordHasher hasher_{PasswordHasher::Strength::Minimal};
    std::unique_ptr<SessionStore> sessionStore_; // in memory, or in Redis (engines.h)
    SessionStore &sessions_;
    Context ctx_;
    std::unique_ptr<HttpServer> server_; // last: it stops before the handlers' store and sessions go
};

// A member whose details do not matter.
Member someone(const std::string &pseudo);
// What a shell command writes on its standard output.
std::string commandOutput(const std::string &command);
// Whether a text holds something the client would act on.
bool holdsClientKeyword(const std::string &text);

} // namespace jaserelle::community::test
