#include "client/history/historystore.h"

#include <QRegularExpression>
#include <algorithm>
#include <sqlite3.h>

namespace jaserelle::client {

using namespace Qt::StringLiterals;

namespace {

// Version 1: entries and their full-text index, kept in step by triggers.
constexpr int schemaVersion = 1;

constexpr const char *schema = R"(
CREATE TABLE IF NOT EXISTS entries(
  id INTEGER PRIMARY KEY,
  member TEXT NOT NULL,
  at_ms INTEGER NOT NULL,
  day TEXT NOT NULL,
  own INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  rtf TEXT NOT NULL,
  text TEXT NOT NULL);
CREATE INDEX IF NOT EXISTS entries_by_member ON entries(member, id);
CREATE INDEX IF NOT EXISTS entries_by_member_day ON entries(member, day, id);
CREATE VIRTUAL TABLE IF NOT EXISTS entries_text USING fts5(
  text, content='entries', content_rowid='id', tokenize='unicode61 remove_diacritics 2');
CREATE TRIGGER IF NOT EXISTS entries_indexed AFTER INSERT ON entries BEGIN
  INSERT INTO entries_text(rowid, text) VALUES (new.id, new.text);
END;
CREATE TRIGGER IF NOT EXISTS entries_unindexed AFTER DELETE ON entries BEGIN
  INSERT INTO entries_text(entries_text, rowid, text) VALUES ('delete', old.id, old.text);
END;
)";

constexpr const char *columns = "e.id, e.member, e.at_ms, e.own, e.kind, e.rtf, e.text";

// One prepared statement, finalised however the function leaves.
class Statement
{
public:
    Statement(sqlite3 *db, const char *sql)
    {
        if (db)
            ok_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) == SQLITE_OK;
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    bool ok() const { return ok_; }
    void bind(int i, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(stmt_, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bind(int i, qint64 value) { sqlite3_bind_int64(stmt_, i, value); }
    int step() { return sqlite3_step(stmt_); }
    void reset() { sqlite3_reset(stmt_); }
    qint64 integer(int i) const { return sqlite3_column_int64(stmt_, i); }
    QString text(int i) const
    {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt_, i)),
                                 sqlite3_column_bytes(stmt_, i));
    }
    HistoryEntry entry() const
    {
        HistoryEntry e;
        e.id = integer(0);
        e.member = text(1);
        e.at = QDateTime::fromMSecsSinceEpoch(integer(2));
        e.own = integer(3) != 0;
        e.kind = HistoryEntry::Kind(std::clamp<qint64>(integer(4), 0, 2));
        e.rtf = text(5);
        e.text = text(6);
        return e;
    }

private:
    sqlite3_stmt *stmt_ = nullptr;
    bool ok_ = false;
};

} // namespace

QString searchQuery(const QString &words)
{
    static const QRegularExpression wordPattern(uR"([\p{L}\p{N}\p{M}]+)"_s);
    QStringList terms;
    for (auto it = wordPattern.globalMatch(words); it.hasNext();)
        terms.append(u'"' + it.next().captured() + u"\"*"_s);
    return terms.join(u' ');
}

HistoryStore::~HistoryStore()
{
    close();
}

bool HistoryStore::open(const QString &file)
{
    close();
    if (sqlite3_open_v2(file.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK)
        return fail();
    // Two connections share the file: the reader waits a moment rather than fail while the writer
    // commits.
    sqlite3_busy_timeout(db_, 2000);
    qint64 found = 0;
    {
        // Finalised before the pragmas below: an unfinished read is a transaction of its own.
        Statement version(db_, "PRAGMA user_version");
        if (!version.ok() || version.step() != SQLITE_ROW)
            return fail();
        found = version.integer(0);
    }
    if (found > schemaVersion) {
        error_ = u"historique d'une version plus récente"_s;
        close();
        return false;
    }
    if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=NORMAL"))
        return false;
    if (found < schemaVersion &&
        (!exec("BEGIN") || !exec(schema) || !exec("PRAGMA user_version=1") || !exec("COMMIT")))
        return false;
    return true;
}

void HistoryStore::close()
{
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

bool HistoryStore::exec(const char *sql)
{
    if (!db_)
        return false;
    char *message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error_ = QString::fromUtf8(message ? message : sqlite3_errmsg(db_));
    sqlite3_free(message);
    return false;
}

bool HistoryStore::fail()
{
    error_ = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : u"mémoire insuffisante"_s;
    close();
    return false;
}

bool HistoryStore::append(QList<HistoryEntry> &batch)
{
    if (!exec("BEGIN IMMEDIATE"))
        return false;
    Statement insert(db_, "INSERT INTO entries(member, at_ms, day, own, kind, rtf, text) "
                          "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    bool ok = insert.ok();
    for (HistoryEntry &e : batch) {
        if (!ok)
            break;
        insert.bind(1, e.member);
        insert.bind(2, e.at.toMSecsSinceEpoch());
        insert.bind(3, e.at.date().toString(Qt::ISODate));
        insert.bind(4, qint64(e.own));
        insert.bind(5, qint64(e.kind));
        insert.bind(6, e.rtf);
        insert.bind(7, e.text);
        ok = insert.step() == SQLITE_DONE;
        insert.reset();
        if (ok)
            e.id = sqlite3_last_insert_rowid(db_);
    }
    if (!ok) {
        error_ = QString::fromUtf8(sqlite3_errmsg(db_));
        exec("ROLLBACK");
        return false;
    }
    if (exec("COMMIT"))
        return true;
    // A commit the disk refused may leave the transaction open, and every later BEGIN would fail.
    if (!sqlite3_get_autocommit(db_))
        exec("ROLLBACK");
    return false;
}

template <typename Second>
QList<HistoryEntry> HistoryStore::select(const QByteArray &sql, const QString &first, const Second &second)
{
    Statement query(db_, sql.constData());
    if (!query.ok()) {
        error_ = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString();
        return {};
    }
    query.bind(1, first);
    query.bind(2, second);
    QList<HistoryEntry> found;
    while (query.step() == SQLITE_ROW)
        found.append(query.entry());
    return found;
}

QList<HistoryEntry> HistoryStore::last(const QString &member, int count)
{
    return select("SELECT * FROM (SELECT " + QByteArray(columns) +
                      " FROM entries e WHERE e.member = ?1 ORDER BY e.id DESC LIMIT ?2) ORDER BY id",
                  member, qint64(count));
}

QStringList HistoryStore::members()
{
    Statement query(db_, "SELECT DISTINCT member FROM entries ORDER BY member");
    QStringList found;
    while (query.ok() && query.step() == SQLITE_ROW)
        found.append(query.text(0));
    return found;
}

QList<QDate> HistoryStore::days(const QString &member)
{
    Statement query(db_, "SELECT DISTINCT day FROM entries WHERE member = ?1 ORDER BY day DESC");
    QList<QDate> found;
    if (!query.ok())
        return found;
    query.bind(1, member);
    while (query.step() == SQLITE_ROW)
        found.append(QDate::fromString(query.text(0), Qt::ISODate));
    return found;
}

QList<HistoryEntry> HistoryStore::day(const QString &member, QDate date)
{
    return select("SELECT " + QByteArray(columns) +
                      " FROM entries e WHERE e.member = ?1 AND e.day = ?2 ORDER BY e.id",
                  member, date.toString(Qt::ISODate));
}

QList<HistoryEntry> HistoryStore::search(const QString &words, int limit)
{
    const QString match = searchQuery(words);
    if (match.isEmpty())
        return {};
    return select("SELECT " + QByteArray(columns) +
                      " FROM entries_text JOIN entries e ON e.id = entries_text.rowid"
                      " WHERE entries_text MATCH ?1 ORDER BY entries_text.rowid DESC LIMIT ?2",
                  match, qint64(limit));
}

qint64 HistoryStore::count()
{
    Statement query(db_, "SELECT count(*) FROM entries");
    return query.ok() && query.step() == SQLITE_ROW ? query.integer(0) : 0;
}

bool HistoryStore::clear()
{
    // The triggers take each entry out of the index as it goes.
    return exec("DELETE FROM entries") && exec("VACUUM");
}

} // namespace jaserelle::client
