#pragma once

#include "client/history/historyentry.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

struct sqlite3;

namespace jaserelle::client {

// The conversation history on disk: one SQLite file, entries with a full-text index (FTS5) of
// their words. One store is one connection: use it from one thread at a time (the keeper has one
// for writing on its worker and one for reading on the user-interface thread). Every call reports
// failure (damaged file, full disk) through its result and error(); nothing throws.
class HistoryStore
{
public:
    HistoryStore() = default;
    ~HistoryStore();
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    // Opens the file, creating it and its tables when they are missing.
    bool open(const QString &file);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    QString error() const { return error_; }

    // All in one transaction: all are kept, or none.
    bool append(QList<HistoryEntry> &entries);
    // The `count` latest entries with `member`, oldest first.
    QList<HistoryEntry> last(const QString &member, int count);
    // Members with at least one entry, in alphabetical order.
    QStringList members();
    // Days with entries with `member`, latest first.
    QList<QDate> days(const QString &member);
    QList<HistoryEntry> day(const QString &member, QDate date);
    // Entries holding every word typed (each word also matches as a word's start; accents and
    // case do not count), latest first, at most `limit`.
    QList<HistoryEntry> search(const QString &words, int limit = 200);
    qint64 count();
    // Every entry goes, and the file gives the room back.
    bool clear();

private:
    bool exec(const char *sql);
    bool fail();
    // The entries a query with two parameters finds, in its order; none when it cannot run.
    template <typename Second>
    QList<HistoryEntry> select(const QByteArray &sql, const QString &first, const Second &second);

    sqlite3 *db_ = nullptr;
    QString error_;
};

// The words typed into the search box as an FTS5 query that matches every one of them: quoted,
// so nothing typed is read as the query language's own syntax. Empty when no word was typed.
QString searchQuery(const QString &words);

} // namespace jaserelle::client
