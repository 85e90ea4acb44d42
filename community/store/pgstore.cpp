#include "community/store/pgstore.h"

#include "community/store/pgconnection.h"
#include "community/store/storerows.h"

#include <utility>

namespace jaserelle::community {
namespace {

// Step i takes the schema from version i to version i + 1, as in the SQLite store: the same tables
// and columns in PostgreSQL's words. Pseudos, dates and times compare byte by byte ("C"), so lists
// come out in the same order whatever the database's locale.
const char *const migrations[] = {
    // 0 -> 1: the first schema.
    R"sql(
CREATE TABLE members (
    id              BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    pseudo          TEXT COLLATE "C" NOT NULL UNIQUE,
    password_hash   TEXT NOT NULL,
    sex             TEXT NOT NULL CHECK (sex IN ('H', 'F')),
    birth_date      TEXT COLLATE "C" NOT NULL,
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
    created_at      TEXT NOT NULL DEFAULT to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS')
);
CREATE TABLE contacts (
    owner_id  BIGINT NOT NULL REFERENCES members(id) ON DELETE CASCADE,
    member_id BIGINT NOT NULL REFERENCES members(id) ON DELETE CASCADE,
    list      TEXT NOT NULL CHECK (list IN ('favoris', 'listenoire')),
    PRIMARY KEY (owner_id, member_id)
);
CREATE INDEX contacts_by_member ON contacts(member_id, list);
CREATE TABLE mails (
    id           BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    recipient_id BIGINT NOT NULL REFERENCES members(id) ON DELETE CASCADE,
    sender       TEXT NOT NULL,
    sent_date    TEXT COLLATE "C" NOT NULL,
    sent_time    TEXT COLLATE "C" NOT NULL,
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
static_assert(migrationCount == PgStore::schemaVersion);

// Every process migrating at start-up waits for the one that got there first.
const char *const migrationLock = "SELECT pg_advisory_xact_lock(7361029)";

#define SUMMARY JASERELLE_SUMMARY_COLUMNS
// The payload names the member whose cached rows changed; "*" drops every cached row.
#define NOTIFY(payload) "pg_notify('jaserelle_changes', " payload ")"

// Row i of a result, read the way the shared row readers expect.
struct PgRow
{
    const PgResult &r;
    int i;
    std::string text(int col) const { return r.text(i, col); }
    long long integer(int col) const { return r.integer(i, col); }
};

template <typename T, typename Read> std::vector<T> readRows(const PgResult &r, Read read)
{
    std::vector<T> out;
    out.reserve(static_cast<std::size_t>(r.rows()));
    for (int i = 0; i < r.rows(); ++i) {
        PgRow row{r, i};
        out.push_back(read(row));
    }
    return out;
}

std::vector<MemberSummary> summaries(const PgResult &r)
{
    return readRows<MemberSummary>(r, [](PgRow &row) { return readSummary(row); });
}

} // namespace

// A connection borrowed from the pool for one operation; one that broke is dropped, not returned.
class PgStore::Lease
{
public:
    Lease(PgStore &store, std::unique_ptr<PgConnection> c) : store_(store), c_(std::move(c)) {}
    ~Lease()
    {
        if (!c_)
            return;
        std::lock_guard lock(store_.poolMutex_);
        --store_.lent_;
        if (c_->reusable())
            store_.idle_.push_back(std::move(c_));
        store_.poolFree_.notify_one();
    }
    Lease(Lease &&other) noexcept : store_(other.store_), c_(std::move(other.c_)) {}
    PgConnection *operator->() { return c_.get(); }
    PgConnection &operator*() { return *c_; }

private:
    PgStore &store_;
    std::unique_ptr<PgConnection> c_;
};

PgStore::PgStore(std::string url, int poolSize) : url_(std::move(url)), poolSize_(poolSize < 1 ? 1 : poolSize)
{
    auto first = std::make_unique<PgConnection>(url_);
    migrate(*first);
    idle_.push_back(std::move(first));
}

PgStore::~PgStore() = default;

PgStore::Lease PgStore::lease()
{
    std::unique_lock lock(poolMutex_);
    poolFree_.wait(lock, [this] { return !idle_.empty() || lent_ < poolSize_; });
    ++lent_;
    if (!idle_.empty()) {
        auto c = std::move(idle_.back());
        idle_.pop_back();
        return Lease(*this, std::move(c));
    }
    lock.unlock();
    try {
        return Lease(*this, std::make_unique<PgConnection>(url_));
    } catch (...) {
        lock.lock();
        --lent_;
        poolFree_.notify_one();
        throw;
    }
}

void PgStore::migrate(PgConnection &c)
{
    PgTransaction tx(c);
    c.exec(migrationLock);
    c.exec("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
    const auto r = c.run("SELECT coalesce(max(version), 0) FROM schema_version");
    const int version = static_cast<int>(r.integer(0, 0));
    if (version > schemaVersion)
        throw StoreError("database has schema version " + std::to_string(version) +
                         ", newer than this server's " + std::to_string(schemaVersion));
    for (int v = version; v < schemaVersion; ++v)
        c.exec(migrations[v]);
    if (version < schemaVersion) {
        c.exec("DELETE FROM schema_version");
        c.run("INSERT INTO schema_version (version) VALUES ($1)", {schemaVersion});
    }
    tx.commit();
}

int PgStore::userVersion()
{
    auto c = lease();
    return static_cast<int>(c->run("SELECT coalesce(max(version), 0) FROM schema_version").integer(0, 0));
}

bool PgStore::createMember(const Member &m)
{
    auto c = lease();
    std::vector<PgParam> params;
    writeMember(m, [&](const auto &v) { params.emplace_back(v); });
    return c->run("INSERT INTO members (" JASERELLE_MEMBER_COLUMNS ") VALUES ($1, $2, $3, $4, $5, $6, $7, "
                  "$8, $9, $10, $11, $12, $13, $14, $15, $16, $17, $18, $19, $20) "
                  "ON CONFLICT (pseudo) DO NOTHING",
                  params)
               .changed() == 1;
}

std::optional<Member> PgStore::member(std::string_view pseudo)
{
    auto c = lease();
    const auto r = c->run("SELECT " JASERELLE_MEMBER_COLUMNS " FROM members WHERE pseudo = $1", {pseudo});
    if (r.rows() == 0)
        return std::nullopt;
    PgRow row{r, 0};
    return readMember(row);
}

std::vector<MemberSummary> PgStore::listMembers()
{
    auto c = lease();
    return summaries(c->run("SELECT " SUMMARY " FROM members m ORDER BY m.pseudo"));
}

bool PgStore::setPermitted(std::string_view pseudo, bool permitted)
{
    auto c = lease();
    return c->run("WITH u AS (UPDATE members SET permitted = $2 WHERE pseudo = $1 RETURNING 1) "
                  "SELECT " NOTIFY("'*'") " FROM u",
                  {pseudo, permitted})
               .rows() == 1;
}

bool PgStore::setHasPhoto(std::string_view pseudo, bool hasPhoto)
{
    auto c = lease();
    return c->run("WITH u AS (UPDATE members SET has_photo = $2 WHERE pseudo = $1 RETURNING 1) "
                  "SELECT " NOTIFY("'*'") " FROM u",
                  {pseudo, hasPhoto})
               .rows() == 1;
}

void PgStore::setLastConnection(std::string_view pseudo, std::string_view date)
{
    auto c = lease();
    c->run("UPDATE members SET last_connection = $2 WHERE pseudo = $1 AND last_connection <> $2",
           {pseudo, date});
}

void PgStore::setPasswordHash(std::string_view pseudo, std::string_view hash)
{
    auto c = lease();
    c->run("UPDATE members SET password_hash = $2 WHERE pseudo = $1", {pseudo, hash});
}

std::string PgStore::setting(std::string_view key)
{
    auto c = lease();
    const auto r = c->run("SELECT value FROM settings WHERE key = $1", {key});
    return r.rows() ? r.text(0, 0) : std::string();
}

void PgStore::setSetting(std::string_view key, std::string_view value)
{
    auto c = lease();
    c->run("INSERT INTO settings (key, value) VALUES ($1, $2) "
           "ON CONFLICT (key) DO UPDATE SET value = excluded.value",
           {key, value});
}

std::vector<MemberSummary> PgStore::contacts(std::string_view owner, ListKind list)
{
    auto c = lease();
    return summaries(c->run("SELECT " SUMMARY " FROM contacts c JOIN members o ON o.id = c.owner_id "
                            "JOIN members m ON m.id = c.member_id "
                            "WHERE o.pseudo = $1 AND c.list = $2 ORDER BY m.pseudo",
                            {owner, listName(list)}));
}

std::vector<std::string> PgStore::blackListedBy(std::string_view pseudo)
{
    auto c = lease();
    const auto r = c->run("SELECT o.pseudo FROM contacts c JOIN members m ON m.id = c.member_id "
                          "JOIN members o ON o.id = c.owner_id "
                          "WHERE m.pseudo = $1 AND c.list = 'listenoire' ORDER BY o.pseudo",
                          {pseudo});
    std::vector<std::string> out;
    for (int i = 0; i < r.rows(); ++i)
        out.push_back(r.text(i, 0));
    return out;
}

bool PgStore::hasBlackListed(std::string_view owner, std::string_view target)
{
    auto c = lease();
    return c->run("SELECT 1 FROM contacts c JOIN members o ON o.id = c.owner_id "
                  "JOIN members m ON m.id = c.member_id "
                  "WHERE o.pseudo = $1 AND m.pseudo = $2 AND c.list = 'listenoire'",
                  {owner, target})
               .rows() > 0;
}

AddContactResult PgStore::addContact(std::string_view owner, std::string_view target, ListKind list)
{
    auto c = lease();
    PgTransaction tx(*c);
    // The owner's row is locked: two adds for one owner (two processes) take turns.
    const auto o = c->run("SELECT id FROM members WHERE pseudo = $1 FOR UPDATE", {owner});
    const auto t = c->run("SELECT id FROM members WHERE pseudo = $1", {target});
    if (o.rows() == 0 || t.rows() == 0)
        return AddContactResult::NoSuchMember;
    const long long ownerId = o.integer(0, 0);
    const long long targetId = t.integer(0, 0);
    const auto current =
        c->run("SELECT list FROM contacts WHERE owner_id = $1 AND member_id = $2", {ownerId, targetId});
    AddContactResult result = AddContactResult::Added;
    if (current.rows() && current.text(0, 0) == listName(list))
        return AddContactResult::AlreadyInList;
    if (current.rows()) {
        c->run("UPDATE contacts SET list = $3 WHERE owner_id = $1 AND member_id = $2",
               {ownerId, targetId, listName(list)});
        result = AddContactResult::Moved;
    } else {
        c->run("INSERT INTO contacts (owner_id, member_id, list) VALUES ($1, $2, $3)",
               {ownerId, targetId, listName(list)});
    }
    c->run("SELECT " NOTIFY("$1::text") ", " NOTIFY("$2::text"), {owner, target});
    tx.commit();
    return result;
}

void PgStore::removeContact(std::string_view owner, std::string_view target, ListKind list)
{
    auto c = lease();
    c->run("WITH d AS (DELETE FROM contacts WHERE list = $3 "
           "AND owner_id = (SELECT id FROM members WHERE pseudo = $1) "
           "AND member_id = (SELECT id FROM members WHERE pseudo = $2) RETURNING 1) "
           "SELECT " NOTIFY("$1") ", " NOTIFY("$2") " FROM d",
           {owner, target, listName(list)});
}

std::vector<MemberSummary> PgStore::search(const SearchQuery &q)
{
    auto c = lease();
    // One statement for every combination: an absent criterion is bound as NULL and drops out.
    return summaries(c->run(
        "SELECT " SUMMARY " FROM members m WHERE m.pseudo <> $1 AND "
        "(CASE WHEN $2::text <> '' THEN strpos(m.pseudo, $2::text) > 0 ELSE "
        " ($3::text IS NULL OR m.sex = $3::text) AND ($4::text IS NULL OR m.region = $4::text) "
        " AND ($5::text IS NULL OR m.birth_date > $5::text) AND ($6::text IS NULL OR m.birth_date <= "
        "$6::text) "
        " AND ($7::int IS NULL OR m.height_cm >= $7::int) AND ($8::int IS NULL OR m.height_cm < $8::int) "
        " AND ($9::int IS NULL OR m.weight_kg >= $9::int) AND ($10::int IS NULL OR m.weight_kg < $10::int) "
        " AND ($11::int = 0 OR m.has_photo = 1) END) "
        "ORDER BY m.pseudo LIMIT $12::int",
        {q.excludePseudo, q.pseudoPart, q.sex, q.region, q.bornAfter, q.bornOnOrBefore, q.heightMin,
         q.heightMax, q.weightMin, q.weightMax, q.withPhotoOnly, q.limit}));
}

bool PgStore::addMail(const Mail &m)
{
    auto c = lease();
    return c->run("WITH i AS (INSERT INTO mails (recipient_id, sender, sent_date, sent_time, subject, body) "
                  "SELECT id, $2, $3, $4, $5, $6 FROM members WHERE pseudo = $1 RETURNING 1) "
                  "SELECT " NOTIFY("$1") " FROM i",
                  {m.recipient, m.sender, m.date, m.time, storedSubject(m), m.text})
               .rows() == 1;
}

std::vector<Mail> PgStore::mails(std::string_view recipient)
{
    auto c = lease();
    const auto r =
        c->run("SELECT " JASERELLE_MAIL_COLUMNS " FROM mails m JOIN members r ON r.id = m.recipient_id "
               "WHERE r.pseudo = $1 ORDER BY m.id",
               {recipient});
    return readRows<Mail>(r, [&](PgRow &row) { return readMail(row, recipient); });
}

int PgStore::mailCount(std::string_view recipient)
{
    auto c = lease();
    return static_cast<int>(c->run("SELECT count(*) FROM mails m JOIN members r ON r.id = m.recipient_id "
                                   "WHERE r.pseudo = $1",
                                   {recipient})
                                .integer(0, 0));
}

bool PgStore::deleteMail(const Mail &m)
{
    auto c = lease();
    return c->run("WITH d AS (DELETE FROM mails WHERE id = (SELECT m.id FROM mails m "
                  "JOIN members r ON r.id = m.recipient_id WHERE r.pseudo = $1 AND m.sender = $2 "
                  "AND m.sent_date = $3 AND substr(m.sent_time, 1, 5) = $4 "
                  "AND coalesce(m.subject, '') = $5 AND m.body = $6 ORDER BY m.id LIMIT 1) RETURNING 1) "
                  "SELECT " NOTIFY("$1") " FROM d",
                  {m.recipient, m.sender, m.date, m.time.substr(0, 5), m.subject, m.text})
               .rows() == 1;
}

} // namespace jaserelle::community
