// The SQLite store: schema versions, contact list rules, mail deletion.
#include "tests/community/fixture.h"

#include <fstream>
#include <sqlite3.h>

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

TEST(Schema, AnEmptyFileClimbsToTheCurrentVersion)
{
    TempDir dir;
    SqliteStore store(dir.path() / "new.db");
    EXPECT_EQ(store.userVersion(), SqliteStore::schemaVersion);
    EXPECT_TRUE(store.createMember(someone("alain")));
    EXPECT_FALSE(store.createMember(someone("alain")));
}

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
    EXPECT_EQ(again.userVersion(), 1);
    EXPECT_TRUE(again.member("alain"));
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

TEST(Store, AMemberSitsInOneListAtATime)
{
    TempDir dir;
    SqliteStore store(dir.path() / "s.db");
    for (const char *p : {"alain", "brigitte", "carole"})
        store.createMember(someone(p));
    EXPECT_EQ(store.addContact("alain", "brigitte", ListKind::Favoris), AddContactResult::Added);
    EXPECT_EQ(store.addContact("alain", "brigitte", ListKind::Favoris), AddContactResult::AlreadyInList);
    EXPECT_EQ(store.addContact("alain", "brigitte", ListKind::ListeNoire), AddContactResult::Moved);
    EXPECT_TRUE(store.contacts("alain", ListKind::Favoris).empty());
    ASSERT_EQ(store.contacts("alain", ListKind::ListeNoire).size(), 1u);
    EXPECT_EQ(store.blackListedBy("brigitte"), std::vector<std::string>{"alain"});
    EXPECT_TRUE(store.hasBlackListed("alain", "brigitte"));
    EXPECT_EQ(store.addContact("alain", "nobody", ListKind::Favoris), AddContactResult::NoSuchMember);

    store.removeContact("alain", "brigitte", ListKind::Favoris); // not in that list: nothing happens
    EXPECT_EQ(store.contacts("alain", ListKind::ListeNoire).size(), 1u);
    store.removeContact("alain", "brigitte", ListKind::ListeNoire);
    EXPECT_TRUE(store.contacts("alain", ListKind::ListeNoire).empty());
}

TEST(Store, DeletingAMailTakesExactlyOneOfTwinMails)
{
    TempDir dir;
    SqliteStore store(dir.path() / "s.db");
    store.createMember(someone("alain"));
    Mail m;
    m.sender = "brigitte";
    m.recipient = "alain";
    m.date = "2026-12-06";
    m.time = "09:07:59";
    m.text = "Bonjour";
    store.addMail(m);
    store.addMail(m);
    ASSERT_EQ(store.mailCount("alain"), 2);

    Mail named = m;
    named.time = "09:07"; // the client knows the time to the minute only
    named.text = "Bonsoir";
    EXPECT_FALSE(store.deleteMail(named));
    named.text = "Bonjour";
    EXPECT_TRUE(store.deleteMail(named));
    EXPECT_EQ(store.mailCount("alain"), 1);
    named.subject = "autre";
    EXPECT_FALSE(store.deleteMail(named));
    EXPECT_EQ(store.mailCount("alain"), 1);
}
