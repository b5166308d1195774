#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace vantorel::server {

// A value as both engines store it: no value, an integer or UTF-8 text.
using SqlValue = std::variant<std::monostate, std::int64_t, std::string>;
using SqlRow = std::vector<SqlValue>;

class DatabaseError : public std::runtime_error {
public:
    DatabaseError(const std::string& message, bool uniqueViolation = false)
        : std::runtime_error(message), uniqueViolation_(uniqueViolation) {}
    // The statement broke a unique constraint (an email or id taken meanwhile).
    bool uniqueViolation() const { return uniqueViolation_; }

private:
    bool uniqueViolation_;
};

// One connection of one engine. Statements use "?" placeholders and are always
// parameterised; values never become part of the SQL text.
class SqlConnection {
public:
    virtual ~SqlConnection() = default;
    virtual std::vector<SqlRow> query(const std::string& sql, const std::vector<SqlValue>& params = {}) = 0;
    // Returns the number of rows the statement changed.
    virtual std::int64_t execute(const std::string& sql, const std::vector<SqlValue>& params = {}) = 0;
    virtual void begin(bool write) = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
};

// The server's storage: SQLite in a file or a PostgreSQL database, behind a
// pool of connections that request threads borrow one transaction at a time.
class Database {
public:
    // A file path (SQLite) or a "postgresql://" / "postgres://" URL.
    static std::unique_ptr<Database> open(const std::string& location, int maxConnections);
    virtual ~Database();

    virtual std::string engine() const = 0;

    // Runs fn inside one transaction and commits; an exception rolls back and
    // propagates. Write transactions of this process run one at a time on
    // engines that allow only one writer (SQLite), so they never wait on a busy lock.
    template <typename F> auto transaction(bool write, F&& fn) -> decltype(fn(std::declval<SqlConnection&>())) {
        Lease lease(*this, write);
        lease.connection().begin(write);
        try {
            if constexpr (std::is_void_v<decltype(fn(lease.connection()))>) {
                fn(lease.connection());
                lease.connection().commit();
            } else {
                auto result = fn(lease.connection());
                lease.connection().commit();
                return result;
            }
        } catch (...) {
            try {
                lease.connection().rollback();
            } catch (...) {
                lease.discard();
            }
            throw;
        }
    }

protected:
    explicit Database(int maxConnections) : maxConnections_(maxConnections) {}
    virtual std::unique_ptr<SqlConnection> connect() = 0;
    virtual bool singleWriter() const = 0;

private:
    class Lease {
    public:
        Lease(Database& db, bool write);
        ~Lease();
        SqlConnection& connection() { return *connection_; }
        // The connection is in an unknown state: close it instead of reusing it.
        void discard() { discard_ = true; }

    private:
        Database& db_;
        std::unique_ptr<SqlConnection> connection_;
        std::unique_lock<std::mutex> writer_;
        bool discard_ = false;
    };

    std::mutex mutex_;
    std::condition_variable available_;
    std::vector<std::unique_ptr<SqlConnection>> idle_;
    int open_ = 0;
    int maxConnections_;
    std::mutex writer_;
};

std::unique_ptr<Database> openSqlite(const std::string& path, int maxConnections);
std::unique_ptr<Database> openPostgres(const std::string& url, int maxConnections);

inline std::optional<std::string> textOf(const SqlValue& v) {
    if (const auto* s = std::get_if<std::string>(&v))
        return *s;
    return std::nullopt;
}
inline std::int64_t intOf(const SqlValue& v) {
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return *i;
    if (const auto* s = std::get_if<std::string>(&v))
        return std::stoll(*s);
    return 0;
}
inline SqlValue optionalText(const std::optional<std::string>& s) {
    return s ? SqlValue(*s) : SqlValue(std::monostate{});
}

} // namespace vantorel::server
