#include "community/store/sqlitestore.h"

#include "community/store/storerows.h"

#include <sqlite3.h>
#include <string>
#include <unordered_map>
#include <utility>

namespace jaserelle::community {
namespace {

// Step i takes the schema from version i to version i + 1. A released step is never edited:
// later changes are new steps, so every database climbs the same stairs.
const char *const migrations[] = {
    // 0 -> 1: the first schema.
    R"sql(
CREATE TABLE members (
    id              INTEGER PRIMARY KEY,
    pseudo          TEXT NOT NULL UNIQUE,
    password_hash   TEXT NOT NULL,
    sex             TEXT NOT NULL CHECK (sex IN ('H', 'F')),
    birth_date      TEXT NOT NULL,
    postal_code     TEXT NOT NULL DEFAULT '',
    region          TEXT NOT NULL DEFAULT '',
    first_name      TEXT NOT NULL DEFAULT '',
    town            TEXT NOT NULL DEFAULT '',
    height_cm       INTEGER NOT NULL DEFAULT 0,
    weight_kg       INTEGER NOT NULL DEFAULT 0,
    hair            TEXT NOT NULL DEFAULT '',
    eyes            TEXT NOT NULL DEFAULT '',
    ethnicity       TEXT NOT NULL DEFAULT '',
    style           TEXT NOT NULL DEFAULT '',
    smoker          TEXT NOT NULL DEFAULT '',
    marital_status  TEXT NOT NULL DEFAULT '',
    children        INTEGER NOT NULL DEFAULT -1,
    has_photo       INTEGER NOT NULL DEFAULT 0,
    permitted       INTEGER NOT NULL DEFAULT 1,
    last_connection TEXT NOT NULL DEFAULT '',
    created_at      TEXT NOT NULL DEFAULT (datetime('now'))
);
-- One row per (owner, member): a member sits in at most one of the owner's two lists.
CREATE TABLE contacts (
    owner_id  INTEGER NOT NULL REFERENCES members(id) ON DELETE CASCADE,
    member_id INTEGER NOT NULL REFERENCES members(id) ON DELETE CASCADE,
    list      TEXT NOT NULL CHECK (list IN ('favoris', 'listenoire')),
    PRIMARY KEY (owner_id, member_id)
);
CREATE INDEX contacts_by_member ON contacts(member_id, list);
CREATE TABLE mails (
    id           INTEGER PRIMARY KEY,
    recipient_id INTEGER NOT NULL REFERENCES members(id) ON DELETE CASCADE,
    sender       TEXT NOT NULL,
    sent_date    TEXT NOT NULL,
    sent_time    TEXT NOT NULL,
    subject      TEXT,
    body         TEXT NOT NULL
);
CREATE INDEX mails_by_recipient ON mails(recipient_id, id);
CREATE TABLE settings (
    key   TEXT PRIMARY KEY,
    value TEXT NOT NULL
);
)sql",
};
constexpr int migrationCount = static_cast<int>(sizeof migrations / sizeof migrations[0]);
static_assert(migrationCount == SqliteStore::schemaVersion);

} // namespace

// One statement of one connection: bind, step, read, and reset when the holder lets go.
class Statement
{
public:
    Statement(sqlite3 *db, sqlite3_stmt *stmt) : db_(db), stmt_(stmt) {}
    ~Statement()
    {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int i, std::string_view text)
    {
        check(sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
        return *this;
    }
    Statement &bind(int i, const char *text) { return bind(i, std::string_view(text)); }
    Statement &bind(int i, const std::string &text) { return bind(i, std::string_view(text)); }
    Statement &bind(int i, long long value)
    {
        check(sqlite3_bind_int64(stmt_, i, value));
        return *this;
    }
    Statement &bind(int i, int value) { return bind(i, static_cast<long long>(value)); }
    Statement &bind(int i, bool value) { return bind(i, value ? 1 : 0); }
    template <typename T> Statement &bind(int i, const std::optional<T> &value)
    {
        if (value)
            return bind(i, *value);
        check(sqlite3_bind_null(stmt_, i));
        return *this;
    }

    // True while a row is there.
    bool step()
    {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throw StoreError(std::string("sqlite: ") + sqlite3_errmsg(db_));
    }
    void run()
    {
        while (step()) {
        }
    }

    std::string text(int col)
    {
        const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, col));
        return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, col))) : std::string();
    }
    long long integer(int col) { return sqlite3_column_int64(stmt_, col); }
    bool isNull(int col) { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }

private:
    void check(int rc)
    {
        if (rc != SQLITE_OK)
            throw StoreError(std::string("sqlite bind: ") + sqlite3_errmsg(db_));
    }
    sqlite3 *db_;
    sqlite3_stmt *stmt_;
};

class SqliteStore::Connection
{
public:
    explicit Connection(const std::filesystem::path &file)
    {
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(file.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            const std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            throw StoreError("cannot open " + file.string() + ": " + why);
        }
        sqlite3_busy_timeout(db_, 5000);
        try {
            exec("PRAGMA foreign_keys = ON");
            exec("PRAGMA synchronous = NORMAL");
            exec("PRAGMA journal_mode = WAL"); // the first read: fails here on a file that is no database
        } catch (...) {
            sqlite3_close(db_); // the destructor does not run for a half-built object
            throw;
        }
    }
    ~Connection()
    {
        for (auto &[sql, stmt] : statements_)
            sqlite3_finalize(stmt);
        sqlite3_close(db_);
    }

    void exec(const char *sql)
    {
        char *error = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            std::string why = error ? error : "unknown error";
            sqlite3_free(error);
            throw StoreError("sqlite: " + why);
        }
    }

    // Statements are keyed by the address of their SQL literal: each is prepared once.
    Statement prepare(const char *sql)
    {
        auto it = statements_.find(sql);
        if (it == statements_.end()) {
            sqlite3_stmt *stmt = nullptr;
            if (sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr) != SQLITE_OK)
                throw StoreError(std::string("sqlite prepare: ") + sqlite3_errmsg(db_));
            it = statements_.emplace(sql, stmt).first;
        }
        return Statement(db_, it->second);
    }

    int changes() { return sqlite3_changes(db_); }

private:
    sqlite3 *db_ = nullptr;
    std::unordered_map<const char *, sqlite3_stmt *> statements_;
};

// A connection borrowed from the pool for one operation.
class SqliteStore::Lease
{
public:
    Lease(SqliteStore &store, std::unique_ptr<Connection> c) : store_(store), c_(std::move(c)) {}
    ~Lease()
    {
        if (c_) {
            std::lock_guard lock(store_.poolMutex_);
            store_.idle_.push_back(std::move(c_));
        }
    }
    Lease(Lease &&other) noexcept : store_(other.store_), c_(std::move(other.c_)) {}
    Connection *operator->() { return c_.get(); }
    Connection &operator*() { return *c_; }

private:
    SqliteStore &store_;
    std::unique_ptr<Connection> c_;
};

namespace {

// BEGIN IMMEDIATE ... COMMIT, rolled back when an exception leaves the scope.
class Transaction
{
public:
    explicit Transaction(SqliteStore::Connection &c) : c_(c) { c_.exec("BEGIN IMMEDIATE"); }
    ~Transaction()
    {
        if (!done_) {
            try {
                c_.exec("ROLLBACK");
            } catch (...) {
            }
        }
    }
    void commit()
    {
        c_.exec("COMMIT");
        done_ = true;
    }

private:
    SqliteStore::Connection &c_;
    bool done_ = false;
};

const char *const selectSummary = JASERELLE_SUMMARY_COLUMNS;

} // namespace

SqliteStore::SqliteStore(std::filesystem::path file) : file_(std::move(file))
{
    auto first = std::make_unique<Connection>(file_);
    checkIntegrity(*first);
    migrate(*first);
    idle_.push_back(std::move(first));
}

SqliteStore::~SqliteStore() = default;

SqliteStore::Lease SqliteStore::lease()
{
    {
        std::lock_guard lock(poolMutex_);
        if (!idle_.empty()) {
            auto c = std::move(idle_.back());
            idle_.pop_back();
            return Lease(*this, std::move(c));
        }
    }
    return Lease(*this, std::make_unique<Connection>(file_));
}

int SqliteStore::userVersion()
{
    auto c = lease();
    auto s = c->prepare("PRAGMA user_version");
    return s.step() ? static_cast<int>(s.integer(0)) : 0;
}

void SqliteStore::checkIntegrity(Connection &c)
{
    // A damaged page found at start stops the server before it acknowledges writes that may land
    // in it, or answers from rows that are gone: better no service than lost mails said sent.
    std::string problems;
    try {
        auto s = c.prepare("PRAGMA quick_check(5)");
        while (s.step()) {
            const std::string line = s.text(0);
            if (line != "ok")
                problems += (problems.empty() ? "" : "; ") + line;
        }
    } catch (const StoreError &e) {
        problems = e.what();
    }
    if (!problems.empty())
        throw StoreError("database " + file_.string() + " is damaged (" + problems +
                         "); the server will not use it. Restore the last backup, or save what can be saved "
                         "with: sqlite3 " +
                         file_.string() + " .recover | sqlite3 repaired.db");
}

void SqliteStore::migrate(Connection &c)
{
    int version = 0;
    {
        auto s = c.prepare("PRAGMA user_version");
        if (s.step())
            version = static_cast<int>(s.integer(0));
    }
    if (version > schemaVersion)
        throw StoreError("database " + file_.string() + " has schema version " + std::to_string(version) +
                         ", newer than this server's " + std::to_string(schemaVersion));
    for (int v = version; v < schemaVersion; ++v) {
        Transaction tx(c);
        c.exec(migrations[v]);
        c.exec(("PRAGMA user_version = " + std::to_string(v + 1)).c_str());
        tx.commit();
    }
}

bool SqliteStore::createMember(const Member &m)
{
    auto c = lease();
    static const char *const sql =
        "INSERT INTO members (" JASERELLE_MEMBER_COLUMNS ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, "
        "?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20) ON CONFLICT (pseudo) DO NOTHING";
    auto s = c->prepare(sql);
    int column = 0;
    writeMember(m, [&](const auto &v) { s.bind(++column, v); });
    s.run();
    return c->changes() == 1;
}

std::optional<Member> SqliteStore::member(std::string_view pseudo)
{
    auto c = lease();
    static const char *const sql = "SELECT " JASERELLE_MEMBER_COLUMNS " FROM members WHERE pseudo = ?1";
    auto s = c->prepare(sql);
    s.bind(1, pseudo);
    if (!s.step())
        return std::nullopt;
    return readMember(s);
}

std::vector<MemberSummary> SqliteStore::listMembers()
{
    auto c = lease();
    static const std::string sql =
        std::string("SELECT ") + selectSummary + " FROM members m ORDER BY m.pseudo";
    auto s = c->prepare(sql.c_str());
    std::vector<MemberSummary> out;
    while (s.step())
        out.push_back(readSummary(s));
    return out;
}

bool SqliteStore::setPermitted(std::string_view pseudo, bool permitted)
{
    auto c = lease();
    auto s = c->prepare("UPDATE members SET permitted = ?2 WHERE pseudo = ?1");
    s.bind(1, pseudo).bind(2, permitted).run();
    return c->changes() == 1;
}

bool SqliteStore::setHasPhoto(std::string_view pseudo, bool hasPhoto)
{
    auto c = lease();
    auto s = c->prepare("UPDATE members SET has_photo = ?2 WHERE pseudo = ?1");
    s.bind(1, pseudo).bind(2, hasPhoto).run();
    return c->changes() == 1;
}

void SqliteStore::setLastConnection(std::string_view pseudo, std::string_view date)
{
    auto c = lease();
    auto s =
        c->prepare("UPDATE members SET last_connection = ?2 WHERE pseudo = ?1 AND last_connection <> ?2");
    s.bind(1, pseudo).bind(2, date).run();
}

void SqliteStore::setPasswordHash(std::string_view pseudo, std::string_view hash)
{
    auto c = lease();
    auto s = c->prepare("UPDATE members SET password_hash = ?2 WHERE pseudo = ?1");
    s.bind(1, pseudo).bind(2, hash).run();
}

std::string SqliteStore::setting(std::string_view key)
{
    auto c = lease();
    auto s = c->prepare("SELECT value FROM settings WHERE key = ?1");
    s.bind(1, key);
    return s.step() ? s.text(0) : std::string();
}

void SqliteStore::setSetting(std::string_view key, std::string_view value)
{
    auto c = lease();
    auto s = c->prepare("INSERT INTO settings (key, value) VALUES (?1, ?2) "
                        "ON CONFLICT (key) DO UPDATE SET value = excluded.value");
    s.bind(1, key).bind(2, value).run();
}

std::vector<MemberSummary> SqliteStore::contacts(std::string_view owner, ListKind list)
{
    auto c = lease();
    static const std::string sql = std::string("SELECT ") + selectSummary +
                                   " FROM contacts c JOIN members o ON o.id = c.owner_id "
                                   "JOIN members m ON m.id = c.member_id "
                                   "WHERE o.pseudo = ?1 AND c.list = ?2 ORDER BY m.pseudo";
    auto s = c->prepare(sql.c_str());
    s.bind(1, owner).bind(2, listName(list));
    std::vector<MemberSummary> out;
    while (s.step())
        out.push_back(readSummary(s));
    return out;
}

std::vector<std::string> SqliteStore::blackListedBy(std::string_view pseudo)
{
    auto c = lease();
    auto s = c->prepare("SELECT o.pseudo FROM contacts c JOIN members m ON m.id = c.member_id "
                        "JOIN members o ON o.id = c.owner_id "
                        "WHERE m.pseudo = ?1 AND c.list = 'listenoire' ORDER BY o.pseudo");
    s.bind(1, pseudo);
    std::vector<std::string> out;
    while (s.step())
        out.push_back(s.text(0));
    return out;
}

bool SqliteStore::hasBlackListed(std::string_view owner, std::string_view target)
{
    auto c = lease();
    auto s = c->prepare("SELECT 1 FROM contacts c JOIN members o ON o.id = c.owner_id "
                        "JOIN members m ON m.id = c.member_id "
                        "WHERE o.pseudo = ?1 AND m.pseudo = ?2 AND c.list = 'listenoire'");
    s.bind(1, owner).bind(2, target);
    return s.step();
}

AddContactResult SqliteStore::addContact(std::string_view owner, std::string_view target, ListKind list)
{
    auto c = lease();
    Transaction tx(*c);
    long long ownerId = 0;
    long long targetId = 0;
    {
        auto s = c->prepare("SELECT id FROM members WHERE pseudo = ?1");
        s.bind(1, owner);
        if (!s.step())
            return AddContactResult::NoSuchMember;
        ownerId = s.integer(0);
    }
    {
        auto s = c->prepare("SELECT id FROM members WHERE pseudo = ?1");
        s.bind(1, target);
        if (!s.step())
            return AddContactResult::NoSuchMember;
        targetId = s.integer(0);
    }
    std::optional<std::string> current;
    {
        auto s = c->prepare("SELECT list FROM contacts WHERE owner_id = ?1 AND member_id = ?2");
        s.bind(1, ownerId).bind(2, targetId);
        if (s.step())
            current = s.text(0);
    }
    AddContactResult result = AddContactResult::Added;
    if (current && *current == listName(list)) {
        return AddContactResult::AlreadyInList;
    } else if (current) {
        auto s = c->prepare("UPDATE contacts SET list = ?3 WHERE owner_id = ?1 AND member_id = ?2");
        s.bind(1, ownerId).bind(2, targetId).bind(3, listName(list)).run();
        result = AddContactResult::Moved;
    } else {
        auto s = c->prepare("INSERT INTO contacts (owner_id, member_id, list) VALUES (?1, ?2, ?3)");
        s.bind(1, ownerId).bind(2, targetId).bind(3, listName(list)).run();
    }
    tx.commit();
    return result;
}

void SqliteStore::removeContact(std::string_view owner, std::string_view target, ListKind list)
{
    auto c = lease();
    auto s = c->prepare("DELETE FROM contacts WHERE list = ?3 "
                        "AND owner_id = (SELECT id FROM members WHERE pseudo = ?1) "
                        "AND member_id = (SELECT id FROM members WHERE pseudo = ?2)");
    s.bind(1, owner).bind(2, target).bind(3, listName(list)).run();
}

std::vector<MemberSummary> SqliteStore::search(const SearchQuery &q)
{
    auto c = lease();
    // One statement for every combination: an absent criterion is bound as NULL and drops out.
    static const std::string sql =
        std::string("SELECT ") + selectSummary +
        " FROM members m WHERE m.pseudo <> ?1 AND "
        "(CASE WHEN ?2 <> '' THEN instr(m.pseudo, ?2) > 0 ELSE "
        " (?3 IS NULL OR m.sex = ?3) AND (?4 IS NULL OR m.region = ?4) "
        " AND (?5 IS NULL OR m.birth_date > ?5) AND (?6 IS NULL OR m.birth_date <= ?6) "
        " AND (?7 IS NULL OR m.height_cm >= ?7) AND (?8 IS NULL OR m.height_cm < ?8) "
        " AND (?9 IS NULL OR m.weight_kg >= ?9) AND (?10 IS NULL OR m.weight_kg < ?10) "
        " AND (?11 = 0 OR m.has_photo = 1) END) "
        "ORDER BY m.pseudo LIMIT ?12";
    auto s = c->prepare(sql.c_str());
    s.bind(1, q.excludePseudo).bind(2, q.pseudoPart).bind(3, q.sex).bind(4, q.region);
    s.bind(5, q.bornAfter).bind(6, q.bornOnOrBefore).bind(7, q.heightMin).bind(8, q.heightMax);
    s.bind(9, q.weightMin).bind(10, q.weightMax).bind(11, q.withPhotoOnly).bind(12, q.limit);
    std::vector<MemberSummary> out;
    while (s.step())
        out.push_back(readSummary(s));
    return out;
}

bool SqliteStore::addMail(const Mail &m)
{
    auto c = lease();
    auto s = c->prepare("INSERT INTO mails (recipient_id, sender, sent_date, sent_time, subject, body) "
                        "SELECT id, ?2, ?3, ?4, ?5, ?6 FROM members WHERE pseudo = ?1");
    s.bind(1, m.recipient).bind(2, m.sender).bind(3, m.date).bind(4, m.time);
    s.bind(5, storedSubject(m));
    s.bind(6, m.text).run();
    return c->changes() == 1;
}

std::vector<Mail> SqliteStore::mails(std::string_view recipient)
{
    auto c = lease();
    auto s =
        c->prepare("SELECT " JASERELLE_MAIL_COLUMNS " FROM mails m JOIN members r ON r.id = m.recipient_id "
                   "WHERE r.pseudo = ?1 ORDER BY m.id");
    s.bind(1, recipient);
    std::vector<Mail> out;
    while (s.step())
        out.push_back(readMail(s, recipient));
    return out;
}

MailBoxSize SqliteStore::mailBoxSize(std::string_view recipient)
{
    auto c = lease();
    auto s =
        c->prepare("SELECT count(*), coalesce(sum(length(CAST(coalesce(m.subject, '') AS BLOB)) + "
                   "length(CAST(m.body AS BLOB))), 0) FROM mails m JOIN members r ON r.id = m.recipient_id "
                   "WHERE r.pseudo = ?1");
    s.bind(1, recipient);
    if (!s.step())
        return {};
    return {static_cast<int>(s.integer(0)), static_cast<std::int64_t>(s.integer(1))};
}

std::vector<Mail> SqliteStore::mailsUpTo(std::string_view recipient, std::size_t bytes)
{
    auto c = lease();
    auto s =
        c->prepare("SELECT " JASERELLE_MAIL_COLUMNS " FROM mails m JOIN members r ON r.id = m.recipient_id "
                   "WHERE r.pseudo = ?1 ORDER BY m.id");
    s.bind(1, recipient);
    std::vector<Mail> out;
    std::size_t used = 0;
    while (s.step()) {
        Mail m = readMail(s, recipient);
        used += m.subject.size() + m.text.size();
        if (!out.empty() && used > bytes)
            break; // the rest stays in the database, for the next listing
        out.push_back(std::move(m));
    }
    return out;
}

int SqliteStore::mailCount(std::string_view recipient)
{
    auto c = lease();
    auto s = c->prepare("SELECT count(*) FROM mails m JOIN members r ON r.id = m.recipient_id "
                        "WHERE r.pseudo = ?1");
    s.bind(1, recipient);
    return s.step() ? static_cast<int>(s.integer(0)) : 0;
}

bool SqliteStore::deleteMail(const Mail &m)
{
    auto c = lease();
    auto s = c->prepare("DELETE FROM mails WHERE id = (SELECT m.id FROM mails m "
                        "JOIN members r ON r.id = m.recipient_id WHERE r.pseudo = ?1 AND m.sender = ?2 "
                        "AND m.sent_date = ?3 AND substr(m.sent_time, 1, 5) = ?4 "
                        "AND coalesce(m.subject, '') = ?5 AND m.body = ?6 ORDER BY m.id LIMIT 1)");
    s.bind(1, m.recipient).bind(2, m.sender).bind(3, m.date).bind(4, m.time.substr(0, 5));
    s.bind(5, m.subject).bind(6, m.text).run();
    return c->changes() == 1;
}

} // namespace jaserelle::community
