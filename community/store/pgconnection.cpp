#include "community/store/pgconnection.h"

#include <charconv>
#include <libpq-fe.h>

namespace jaserelle::community {

PgResult::~PgResult()
{
    PQclear(r_);
}

int PgResult::rows() const
{
    return PQntuples(r_);
}

std::string PgResult::text(int row, int col) const
{
    return std::string(PQgetvalue(r_, row, col), static_cast<std::size_t>(PQgetlength(r_, row, col)));
}

long long PgResult::integer(int row, int col) const
{
    const char *p = PQgetvalue(r_, row, col);
    long long v = 0;
    std::from_chars(p, p + PQgetlength(r_, row, col), v);
    return v;
}

int PgResult::changed() const
{
    const char *n = PQcmdTuples(r_);
    int v = 0;
    std::from_chars(n, n + std::char_traits<char>::length(n), v);
    return v;
}

PgConnection::PgConnection(const std::string &url)
{
    c_ = PQconnectdb(url.c_str());
    if (PQstatus(c_) != CONNECTION_OK) {
        std::string why = PQerrorMessage(c_);
        PQfinish(c_);
        while (!why.empty() && why.back() == '\n')
            why.pop_back();
        throw StoreError("postgresql: " + why);
    }
    // Notices ("already exists, skipping") are no news to anyone reading the server's output.
    PQsetNoticeProcessor(
        c_, [](void *, const char *) {}, nullptr);
    // The store speaks UTF-8 whatever the database's default says.
    if (PQsetClientEncoding(c_, "UTF8") != 0) {
        PQfinish(c_);
        throw StoreError("postgresql: the server cannot speak UTF-8");
    }
}

PgConnection::~PgConnection()
{
    PQfinish(c_);
}

void PgConnection::fail(const char *what)
{
    std::string why = PQerrorMessage(c_);
    while (!why.empty() && why.back() == '\n')
        why.pop_back();
    throw StoreError(std::string("postgresql ") + what + ": " + why);
}

PgResult PgConnection::run(const char *sql, const std::vector<PgParam> &params)
{
    auto it = prepared_.find(sql);
    if (it == prepared_.end()) {
        const std::string name = "s" + std::to_string(prepared_.size());
        PGresult *r = PQprepare(c_, name.c_str(), sql, 0, nullptr);
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        if (!ok)
            fail("prepare");
        it = prepared_.emplace(sql, name).first;
    }
    std::vector<const char *> values;
    values.reserve(params.size());
    for (const auto &p : params)
        values.push_back(p.text ? p.text->c_str() : nullptr);
    PGresult *r = PQexecPrepared(c_, it->second.c_str(), static_cast<int>(values.size()), values.data(),
                                 nullptr, nullptr, 0);
    const auto status = PQresultStatus(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        PQclear(r);
        fail("query");
    }
    return PgResult(r);
}

void PgConnection::exec(const char *sql)
{
    PGresult *r = PQexec(c_, sql);
    const auto status = PQresultStatus(r);
    PQclear(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        fail("exec");
}

bool PgConnection::reusable() const
{
    return PQstatus(c_) == CONNECTION_OK && PQtransactionStatus(c_) == PQTRANS_IDLE;
}

int PgConnection::socket() const
{
    return PQsocket(c_);
}

PgTransaction::~PgTransaction()
{
    if (!done_) {
        try {
            c_.exec("ROLLBACK");
        } catch (...) {
        }
    }
}

} // namespace jaserelle::community
