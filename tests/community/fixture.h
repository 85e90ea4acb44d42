#pragma once

#include "community/core/passwords.h"
#include "community/handlers/handlers.h"
#include "community/presence/sessions.h"
#include "community/store/cachingstore.h"
#include "community/store/sqlitestore.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace jaserelle::community::test {

// A fresh folder below the system's temporary directory, removed at the end.
class TempDir
{
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path &path() const { return path_; }

private:
    std::filesystem::path path_;
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
    std::string body(const std::string &target, const std::string &peer = "10.0.0.1");

    // Logs in (password = pseudo) and refreshes once with the given reported address.
    void connect(const std::string &pseudo, const std::string &peer = "10.0.0.1",
                 const std::string &reported = "192.168.1.10");

    void advance(std::chrono::seconds s) { now_ += s; }

    TempDir dir_;
    std::chrono::system_clock::time_point now_;
    std::unique_ptr<Store> database_;     // SQLite, or PostgreSQL (engines.h)
    std::unique_ptr<CachingStore> store_; // what the server uses: the cache in front of SQLite
    PasswordHasher hasher_{PasswordHasher::Strength::Minimal};
    std::unique_ptr<SessionStore> sessionStore_; // in memory, or in Redis (engines.h)
    SessionStore &sessions_;
    Context ctx_;
};

// A closed SQLite database of a few hundred pages: two members and 400 mails between them.
void writeSomeMails(const std::filesystem::path &file);
// Overwrites one page in the middle of a closed database file with garbage, as a failing disk does.
void damageOnePage(const std::filesystem::path &file);

// Whether a text holds something the client would act on.
bool holdsClientKeyword(const std::string &text);

} // namespace jaserelle::community::test
