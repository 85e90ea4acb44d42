#pragma once

#include "community/store/store.h"

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct pg_conn;
struct pg_result;

namespace jaserelle::community {

// One parameter of a bound statement, in PostgreSQL's text form; nullopt is SQL NULL.
struct PgParam
{
    std::optional<std::string> text;

    PgParam(std::string_view v) : text(std::string(v)) {}
    PgParam(const std::string &v) : text(v) {}
    PgParam(const char *v) : text(std::string(v)) {}
    PgParam(long long v) : text(std::to_string(v)) {}
    PgParam(int v) : text(std::to_string(v)) {}
    PgParam(bool v) : text(v ? "1" : "0") {}
    template <typename T> PgParam(const std::optional<T> &v)
    {
        if (v)
            text = PgParam(*v).text;
    }
};

// The rows of one statement, read as text.
class PgResult
{
public:
    explicit PgResult(pg_result *r) : r_(r) {}
    ~PgResult();
    PgResult(PgResult &&other) noexcept : r_(other.r_) { other.r_ = nullptr; }
    PgResult(const PgResult &) = delete;
    PgResult &operator=(const PgResult &) = delete;

    int rows() const;
    std::string text(int row, int col) const;
    long long integer(int row, int col) const;
    // Rows written by an INSERT, UPDATE or DELETE.
    int changed() const;

private:
    pg_result *r_;
};

// One connection to the server, its statements prepared once each and run with bound parameters.
class PgConnection
{
public:
    // Throws StoreError when the server cannot be reached.
    explicit PgConnection(const std::string &url);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    // Statements are keyed by the address of their SQL literal, as in the SQLite store.
    PgResult run(const char *sql, const std::vector<PgParam> &params = {});
    // Several statements at once, without parameters (schema steps, BEGIN, COMMIT).
    void exec(const char *sql);

    // False once the connection broke or a transaction was left open: it is not lent again.
    bool reusable() const;
    int socket() const;
    pg_conn *raw() { return c_; }

private:
    [[noreturn]] void fail(const char *what);

    pg_conn *c_ = nullptr;
    std::unordered_map<const char *, std::string> prepared_;
};

// BEGIN ... COMMIT, rolled back when an exception leaves the scope.
class PgTransaction
{
public:
    explicit PgTransaction(PgConnection &c) : c_(c) { c_.exec("BEGIN"); }
    ~PgTransaction();
    void commit()
    {
        c_.exec("COMMIT");
        done_ = true;
    }

private:
    PgConnection &c_;
    bool done_ = false;
};

} // namespace jaserelle::community
