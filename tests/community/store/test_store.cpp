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

static void execSql(const std::filesystem::path &file, const char *sql)
{
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

TEST(Schema, AVersionZeroDatabaseIsMigratedANewerOneOrAFileThatIsNoneRefused)
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
    execSql(file, "SELECT t FROM notes");

    execSql(dir.path() / "newer.db", "PRAGMA user_version = 99;");
    EXPECT_THROW(SqliteStore store(dir.path() / "newer.db"), StoreError);
    std::ofstream(dir.path() / "garbage.db") << std::string(4096, 'x');
    EXPECT_THROW(SqliteStore store(dir.path() / "garbage.db"), StoreError);
}

// Two processes on one database: what one writes, the other's next refresh shows (a current schema
// is kept: the cluster test's nodes open what add-member made).
TEST(PostgresStore, AWriteThroughOneProcessDropsTheOthersCacheAndANewerSchemaIsRefused)
{
    if (!usePostgres())
        GTEST_SKIP() << "runs in test_community_store_postgresql";
    const std::string url = freshPostgresUrl();
    PgStore databaseA(url), databaseB(url);
    CachingStore a(databaseA), b(databaseB);
    PgChangeListener listener(url, [&b](std::string_view p) { b.invalidate(p); });
    ASSERT_TRUE(listener.listening());
    for (const char *p : {"alain", "brigitte"})
        a.createMember(someone(p));
    const Mail mail{0, "brigitte", "alain", "2026-12-06", "09:07:59", "", "Bonjour"};
    // What B shows of alain: favourites, who black-listed brigitte, mails, his black list's photo flags.
    const auto seenByB = [&] {
        std::string seen = std::to_string(b.contacts("alain", ListKind::Favoris).size()) + " " +
                           std::to_string(b.blackListedBy("brigitte").size()) + " " +
                           std::to_string(b.mailCount("alain"));
        for (const auto &row : b.contacts("alain", ListKind::ListeNoire))
            seen += row.hasPhoto ? " photo" : " none";
        return seen;
    };
    const std::pair<std::function<void()>, const char *> writes[] = {
        {[&] { a.addContact("alain", "brigitte", ListKind::Favoris); }, "1 0 0"},
        {[&] { a.addContact("alain", "brigitte", ListKind::ListeNoire); }, "0 1 0 none"}, // a move
        {[&] { a.setHasPhoto("brigitte", true); }, "0 1 0 photo"},
        {[&] { a.addMail(mail); }, "0 1 1 photo"},
        {[&] { a.deleteMail(mail); }, "0 1 0 photo"},
        {[&] { a.removeContact("alain", "brigitte", ListKind::ListeNoire); }, "0 0 0"},
    };
    ASSERT_EQ(seenByB(), "0 0 0"); // and from now on cached in B
    for (const auto &[write, expected] : writes) {
        write();
        std::string seen;
        for (int i = 0; i < 100 && (seen = seenByB()) != expected; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(seen, expected);
    }
    EXPECT_EQ(databaseA.userVersion(), PgStore::schemaVersion);
    PgConnection(url).exec("UPDATE schema_version SET version = 99");
    EXPECT_THROW(PgStore newer(url), StoreError);
}
