// The stores: schema versions and caches across processes.
#include "community/store/pgchanges.h"
#include "community/store/pgconnection.h"
#include "community/store/pgstore.h"
#include "tests/community/engines.h"
#include "tests/community/fixture.h"

#include <fstream>
#include <functional>
#include <sqlite3.h>
#include <thread>

using namespace jaserelle::community;
using namespace jaserelle::community::test;

namespace {

void execSql(const std::filesystem::path &file, const char *sql)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

Member someone(const std::string &pseudo)
{
    Member m;
    m.pseudo = pseudo;
    m.passwordHash = "x";
    m.sex = "H";
    m.birthDate = "1980-01-01";
    return m;
}

} // namespace

TEST(Schema, AVersionZeroDatabaseIsMigratedAndKeepsItsOtherTables)
{
    TempDir dir;
    const auto file = dir.path() / "old.db";
    // Version 0: a database file that exists, holds something of its own, and has no schema yet.
    execSql(file,
            "CREATE TABLE notes (t TEXT); INSERT INTO notes VALUES ('gardée'); PRAGMA user_version = 0;");
    {
        SqliteStore store(file);
        EXPECT_EQ(store.userVersion(), 1);
        store.createMember(someone("alain"));
    }
    SqliteStore again(file); // opening a current database changes nothing
    EXPECT_EQ(again.userVersion(), SqliteStore::schemaVersion);
    EXPECT_TRUE(again.member("alain"));
    EXPECT_FALSE(again.createMember(someone("alain"))); // pseudos stay unique
    execSql(file, "SELECT t FROM notes");
}

TEST(Schema, ANewerDatabaseOrAFileThatIsNoneIsRefused)
{
    TempDir dir;
    execSql(dir.path() / "newer.db", "PRAGMA user_version = 99;");
    EXPECT_THROW(SqliteStore store(dir.path() / "newer.db"), StoreError);
    std::ofstream(dir.path() / "garbage.db") << std::string(4096, 'x');
    EXPECT_THROW(SqliteStore store(dir.path() / "garbage.db"), StoreError);
}

class PostgresStore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!usePostgres())
            GTEST_SKIP() << "runs in test_community_postgresql";
        url_ = freshPostgresUrl();
    }
    std::string url_;
};

TEST_F(PostgresStore, ACurrentSchemaIsKeptAndANewerOneRefused)
{
    {
        PgStore first(url_);
        first.createMember(someone("alain"));
    }
    PgStore again(url_);
    EXPECT_EQ(again.userVersion(), PgStore::schemaVersion);
    EXPECT_TRUE(again.member("alain"));
    PgConnection(url_).exec("UPDATE schema_version SET version = 99");
    EXPECT_THROW(PgStore newer(url_), StoreError);
}

// Two server processes on one database: what one writes, the other's next refresh shows.
TEST_F(PostgresStore, AWriteThroughOneProcessDropsTheOthersCache)
{
    PgStore databaseA(url_), databaseB(url_);
    CachingStore a(databaseA), b(databaseB);
    PgChangeListener listener(url_, [&b](std::string_view p) { b.invalidate(p); });
    ASSERT_TRUE(listener.listening());
    for (const char *p : {"alain", "brigitte"})
        a.createMember(someone(p));
    Mail mail;
    mail.sender = "brigitte";
    mail.recipient = "alain";
    mail.date = "2026-12-06";
    mail.time = "09:07:59";
    mail.text = "Bonjour";

    const auto favourites = [&] { return b.contacts("alain", ListKind::Favoris).size(); };
    const auto blackListedBrigitte = [&] { return b.blackListedBy("brigitte").size(); };
    const auto photos = [&] {
        auto rows = b.contacts("alain", ListKind::ListeNoire);
        return rows.empty() ? 9u : static_cast<std::size_t>(rows[0].hasPhoto);
    };
    const auto mails = [&] { return static_cast<std::size_t>(b.mailCount("alain")); };
    const struct
    {
        std::function<void()> write;
        std::function<std::size_t()> seenByB;
        std::size_t before, after;
    } cases[] = {
        {[&] { a.addContact("alain", "brigitte", ListKind::Favoris); }, favourites, 0, 1},
        {[&] { a.addContact("alain", "brigitte", ListKind::ListeNoire); }, blackListedBrigitte, 0, 1},
        {[&] { a.setHasPhoto("brigitte", true); }, photos, 0, 1},
        {[&] { a.addMail(mail); }, mails, 0, 1},
        {[&] { a.deleteMail(mail); }, mails, 1, 0},
        {[&] { a.removeContact("alain", "brigitte", ListKind::ListeNoire); }, blackListedBrigitte, 1, 0},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(c.seenByB(), c.before); // now cached in B
        c.write();
        std::size_t seen = c.before;
        for (int i = 0; i < 100 && seen != c.after; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            seen = c.seenByB();
        }
        EXPECT_EQ(seen, c.after);
    }
}
