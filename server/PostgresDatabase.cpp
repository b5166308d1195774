#include "Database.h"

#include <libpq-fe.h>
#include <map>

namespace vantorel::server {

namespace {

// Type ids of the integer types in PostgreSQL's catalogue.
constexpr Oid kInt8 = 20, kInt2 = 21, kInt4 = 23;

class PostgresConnection : public SqlConnection {
public:
    explicit PostgresConnection(const std::string& url) {
        conn_ = PQconnectdb(url.c_str());
        if (PQstatus(conn_) != CONNECTION_OK) {
            std::string message = PQerrorMessage(conn_);
            PQfinish(conn_);
            throw DatabaseError("cannot connect to PostgreSQL: " + message);
        }
        PQclear(PQexec(conn_, "SET client_encoding = 'UTF8'"));
    }
    ~PostgresConnection() override { PQfinish(conn_); }

    std::vector<SqlRow> query(const std::string& sql, const std::vector<SqlValue>& params) override {
        PGresult* res = run(sql, params);
        std::vector<SqlRow> rows;
        const int n = PQntuples(res), columns = PQnfields(res);
        rows.reserve(static_cast<size_t>(n));
        for (int r = 0; r < n; ++r) {
            SqlRow row;
            row.reserve(static_cast<size_t>(columns));
            for (int c = 0; c < columns; ++c) {
                if (PQgetisnull(res, r, c)) {
                    row.emplace_back(std::monostate{});
                    continue;
                }
                const Oid type = PQftype(res, c);
                const char* value = PQgetvalue(res, r, c);
                if (type == kInt8 || type == kInt4 || type == kInt2)
                    row.emplace_back(static_cast<std::int64_t>(std::stoll(value)));
                else
                    row.emplace_back(std::string(value, static_cast<size_t>(PQgetlength(res, r, c))));
            }
            rows.push_back(std::move(row));
        }
        PQclear(res);
        return rows;
    }

    std::int64_t execute(const std::string& sql, const std::vector<SqlValue>& params) override {
        PGresult* res = run(sql, params);
        const char* changed = PQcmdTuples(res);
        const std::int64_t count = *changed ? std::stoll(changed) : 0;
        PQclear(res);
        return count;
    }

    void begin(bool) override { simple("BEGIN"); }
    void commit() override { simple("COMMIT"); }
    void rollback() override { simple("ROLLBACK"); }

private:
    void simple(const char* sql) {
        PGresult* res = PQexec(conn_, sql);
        const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
        PQclear(res);
        if (!ok)
            throw DatabaseError(std::string(sql) + " failed: " + PQerrorMessage(conn_));
        if (PQstatus(conn_) != CONNECTION_OK)
            throw DatabaseError("the connection to PostgreSQL broke");
    }

    // The statement's prepared name on this connection; "?" becomes $1, $2 ...
    const std::string& prepared(const std::string& sql, size_t paramCount) {
        auto it = statements_.find(sql);
        if (it != statements_.end())
            return it->second;
        std::string text;
        int index = 0;
        for (char ch : sql) {
            if (ch == '?') {
                text += '$';
                text += std::to_string(++index);
            } else {
                text += ch;
            }
        }
        const std::string name = "s" + std::to_string(statements_.size() + 1);
        PGresult* res = PQprepare(conn_, name.c_str(), text.c_str(), static_cast<int>(paramCount), nullptr);
        const bool ok = PQresultStatus(res) == PGRES_COMMAND_OK;
        std::string message = ok ? std::string() : PQresultErrorMessage(res);
        PQclear(res);
        if (!ok)
            throw DatabaseError("cannot prepare statement: " + message);
        return statements_.emplace(sql, name).first->second;
    }

    PGresult* run(const std::string& sql, const std::vector<SqlValue>& params) {
        const std::string& name = prepared(sql, params.size());
        std::vector<std::string> texts(params.size());
        std::vector<const char*> values(params.size(), nullptr);
        for (size_t i = 0; i < params.size(); ++i) {
            if (const auto* n = std::get_if<std::int64_t>(&params[i])) {
                texts[i] = std::to_string(*n);
                values[i] = texts[i].c_str();
            } else if (const auto* s = std::get_if<std::string>(&params[i])) {
                values[i] = s->c_str();
            }
        }
        PGresult* res =
            PQexecPrepared(conn_, name.c_str(), static_cast<int>(params.size()), values.data(), nullptr, nullptr, 0);
        const auto status = PQresultStatus(res);
        if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK)
            return res;
        const char* state = PQresultErrorField(res, PG_DIAG_SQLSTATE);
        const bool unique = state && std::string(state) == "23505";
        std::string message = PQresultErrorMessage(res);
        PQclear(res);
        throw DatabaseError(message, unique);
    }

    PGconn* conn_ = nullptr;
    std::map<std::string, std::string> statements_;
};

class PostgresDatabase : public Database {
public:
    PostgresDatabase(std::string url, int maxConnections) : Database(maxConnections), url_(std::move(url)) {}
    std::string engine() const override { return "postgresql"; }

protected:
    std::unique_ptr<SqlConnection> connect() override { return std::make_unique<PostgresConnection>(url_); }
    bool singleWriter() const override { return false; }

private:
    std::string url_;
};

} // namespace

std::unique_ptr<Database> openPostgres(const std::string& url, int maxConnections) {
    auto db = std::make_unique<PostgresDatabase>(url, maxConnections);
    db->transaction(false, [](SqlConnection& c) { c.query("SELECT 1"); });
    return db;
}

} // namespace vantorel::server
