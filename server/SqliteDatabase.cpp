#include "Database.h"

#include <map>
#include <sqlite3.h>

namespace vantorel::server {

namespace {

class SqliteConnection : public SqlConnection {
public:
    explicit SqliteConnection(const std::string& path) {
        const int rc = sqlite3_open_v2(path.c_str(), &db_,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) {
            std::string message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close(db_);
            throw DatabaseError("cannot open " + path + ": " + message);
        }
        // Other processes may write the same file; wait for their lock instead of failing.
        sqlite3_busy_timeout(db_, 5000);
        execute("PRAGMA journal_mode=WAL", {});
        execute("PRAGMA synchronous=NORMAL", {});
        execute("PRAGMA foreign_keys=ON", {});
    }
    ~SqliteConnection() override {
        for (auto& [sql, stmt] : statements_)
            sqlite3_finalize(stmt);
        sqlite3_close(db_);
    }

    std::vector<SqlRow> query(const std::string& sql, const std::vector<SqlValue>& params) override {
        sqlite3_stmt* stmt = prepare(sql, params);
        std::vector<SqlRow> rows;
        for (;;) {
            const int rc = sqlite3_step(stmt);
            if (rc == SQLITE_DONE)
                break;
            if (rc != SQLITE_ROW)
                fail(stmt);
            SqlRow row;
            const int columns = sqlite3_column_count(stmt);
            row.reserve(columns);
            for (int c = 0; c < columns; ++c) {
                switch (sqlite3_column_type(stmt, c)) {
                case SQLITE_NULL:
                    row.emplace_back(std::monostate{});
                    break;
                case SQLITE_INTEGER:
                    row.emplace_back(static_cast<std::int64_t>(sqlite3_column_int64(stmt, c)));
                    break;
                default: {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                    row.emplace_back(std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt, c))));
                }
                }
            }
            rows.push_back(std::move(row));
        }
        sqlite3_reset(stmt);
        return rows;
    }

    std::int64_t execute(const std::string& sql, const std::vector<SqlValue>& params) override {
        sqlite3_stmt* stmt = prepare(sql, params);
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        if (rc != SQLITE_DONE)
            fail(stmt);
        sqlite3_reset(stmt);
        return sqlite3_changes(db_);
    }

    // Writers take the write lock at once, so a transaction never has to
    // upgrade a read lock that another writer blocks.
    void begin(bool write) override { execute(write ? "BEGIN IMMEDIATE" : "BEGIN", {}); }
    void commit() override { execute("COMMIT", {}); }
    void rollback() override { execute("ROLLBACK", {}); }

private:
    sqlite3_stmt* prepare(const std::string& sql, const std::vector<SqlValue>& params) {
        sqlite3_stmt*& stmt = statements_[sql];
        if (!stmt && sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                        &stmt, nullptr) != SQLITE_OK) {
            statements_.erase(sql);
            throw DatabaseError(std::string("cannot prepare statement: ") + sqlite3_errmsg(db_));
        }
        sqlite3_clear_bindings(stmt);
        for (size_t i = 0; i < params.size(); ++i) {
            const int index = static_cast<int>(i) + 1;
            const auto& p = params[i];
            if (const auto* n = std::get_if<std::int64_t>(&p))
                sqlite3_bind_int64(stmt, index, *n);
            else if (const auto* s = std::get_if<std::string>(&p))
                sqlite3_bind_text(stmt, index, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
            else
                sqlite3_bind_null(stmt, index);
        }
        return stmt;
    }

    [[noreturn]] void fail(sqlite3_stmt* stmt) {
        const int code = sqlite3_extended_errcode(db_);
        std::string message = sqlite3_errmsg(db_);
        sqlite3_reset(stmt);
        throw DatabaseError(message, code == SQLITE_CONSTRAINT_UNIQUE || code == SQLITE_CONSTRAINT_PRIMARYKEY);
    }

    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;
};

class SqliteDatabase : public Database {
public:
    SqliteDatabase(std::string path, int maxConnections) : Database(maxConnections), path_(std::move(path)) {}
    std::string engine() const override { return "sqlite"; }

protected:
    std::unique_ptr<SqlConnection> connect() override { return std::make_unique<SqliteConnection>(path_); }
    bool singleWriter() const override { return true; }

private:
    std::string path_;
};

} // namespace

std::unique_ptr<Database> openSqlite(const std::string& path, int maxConnections) {
    auto db = std::make_unique<SqliteDatabase>(path, maxConnections);
    // Fail at start, not on the first request, when the file cannot be opened.
    db->transaction(false, [](SqlConnection& c) { c.query("SELECT 1"); });
    return db;
}

} // namespace vantorel::server
