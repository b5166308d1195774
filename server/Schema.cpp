#include "Schema.h"

#include "Database.h"

#include <vector>

namespace vantorel::server {

namespace {

// Each step is written once and never changed; a change of the schema is a new step.
// Times are milliseconds since 1970 (UTC) in both engines.
const std::vector<std::vector<const char*>> kSteps = {
    {
        "CREATE TABLE users ("
        " id TEXT PRIMARY KEY,"
        " email TEXT NOT NULL,"
        " email_key TEXT NOT NULL UNIQUE,"
        " username TEXT NOT NULL,"
        " first_name TEXT NOT NULL,"
        " last_name TEXT NOT NULL,"
        " password_hash TEXT NOT NULL,"
        " role TEXT NOT NULL DEFAULT 'user',"
        " created_at BIGINT NOT NULL)",
        "CREATE TABLE sessions ("
        " token_hash TEXT PRIMARY KEY,"
        " user_id TEXT NOT NULL REFERENCES users(id) ON DELETE CASCADE,"
        " created_at BIGINT NOT NULL,"
        " expires_at BIGINT NOT NULL)",
        "CREATE INDEX sessions_user ON sessions(user_id)",
        "CREATE TABLE feedback ("
        " id TEXT PRIMARY KEY,"
        " category TEXT NOT NULL,"
        " message TEXT NOT NULL,"
        " status TEXT NOT NULL DEFAULT 'new',"
        " source TEXT NOT NULL,"
        " contact_email TEXT,"
        " user_email TEXT,"
        " app_version TEXT,"
        " os_version TEXT,"
        " device_id TEXT,"
        " created_at BIGINT NOT NULL)",
        "CREATE INDEX feedback_created ON feedback(created_at)",
        "CREATE INDEX feedback_status_created ON feedback(status, created_at)",
        "CREATE TABLE sign_in_failures ("
        " email_key TEXT NOT NULL,"
        " address TEXT NOT NULL,"
        " at BIGINT NOT NULL)",
        "CREATE INDEX sign_in_failures_email ON sign_in_failures(email_key, at)",
        "CREATE INDEX sign_in_failures_address ON sign_in_failures(address, at)",
    },
};

// Any number that other programs sharing the database are unlikely to lock.
constexpr std::int64_t kMigrationLock = 0x56616e746f72;

} // namespace

int latestSchemaVersion() {
    return static_cast<int>(kSteps.size());
}

int migrate(Database& db) {
    return db.transaction(true, [&](SqlConnection& c) {
        if (db.engine() == "postgresql")
            c.query("SELECT pg_advisory_xact_lock(?)", {kMigrationLock});
        c.execute("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
        const auto rows = c.query("SELECT MAX(version) FROM schema_version");
        int version = rows.empty() ? 0 : static_cast<int>(intOf(rows[0][0]));
        for (; version < latestSchemaVersion(); ++version) {
            for (const char* sql : kSteps[static_cast<size_t>(version)])
                c.execute(sql);
            c.execute("INSERT INTO schema_version (version) VALUES (?)", {std::int64_t(version + 1)});
        }
        return version;
    });
}

} // namespace vantorel::server
