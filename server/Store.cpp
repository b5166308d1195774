#include "Store.h"

#include "Database.h"

namespace vantorel::server {

namespace {

constexpr const char* kUserColumns =
    "u.id, u.email, u.username, u.first_name, u.last_name, u.role, u.created_at, u.password_hash";

User userFrom(const SqlRow& r, size_t at = 0) {
    User u;
    u.id = textOf(r[at]).value_or("");
    u.email = textOf(r[at + 1]).value_or("");
    u.username = textOf(r[at + 2]).value_or("");
    u.firstName = textOf(r[at + 3]).value_or("");
    u.lastName = textOf(r[at + 4]).value_or("");
    u.role = textOf(r[at + 5]).value_or("");
    u.createdAt = intOf(r[at + 6]);
    u.passwordHash = textOf(r[at + 7]).value_or("");
    return u;
}

} // namespace

bool Store::createUserWithSession(const User& user, const std::string& emailKey, const std::string& tokenDigest,
                                  std::int64_t expiresAt) {
    try {
        return db_.transaction(true, [&](SqlConnection& c) {
            if (!c.query("SELECT 1 FROM users WHERE email_key = ?", {emailKey}).empty())
                return false;
            c.execute("INSERT INTO users (id, email, email_key, username, first_name, last_name, password_hash, role,"
                      " created_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
                      {user.id, user.email, emailKey, user.username, user.firstName, user.lastName, user.passwordHash,
                       user.role, user.createdAt});
            c.execute("INSERT INTO sessions (token_hash, user_id, created_at, expires_at) VALUES (?, ?, ?, ?)",
                      {tokenDigest, user.id, user.createdAt, expiresAt});
            return true;
        });
    } catch (const DatabaseError& e) {
        if (e.uniqueViolation())
            return false;
        throw;
    }
}

std::optional<User> Store::userByEmail(const std::string& emailKey) {
    const auto rows = db_.transaction(false, [&](SqlConnection& c) {
        return c.query(std::string("SELECT ") + kUserColumns + " FROM users u WHERE u.email_key = ?", {emailKey});
    });
    if (rows.empty())
        return std::nullopt;
    return userFrom(rows[0]);
}

void Store::createSession(const std::string& userId, const std::string& tokenDigest, std::int64_t now,
                          std::int64_t expiresAt, const std::optional<std::string>& newPasswordHash) {
    db_.transaction(true, [&](SqlConnection& c) {
        c.execute("INSERT INTO sessions (token_hash, user_id, created_at, expires_at) VALUES (?, ?, ?, ?)",
                  {tokenDigest, userId, now, expiresAt});
        if (newPasswordHash)
            c.execute("UPDATE users SET password_hash = ? WHERE id = ?", {*newPasswordHash, userId});
        // Expired sessions of this user are of no use to anyone.
        c.execute("DELETE FROM sessions WHERE user_id = ? AND expires_at <= ?", {userId, now});
    });
}

std::optional<Store::SessionUser> Store::userForToken(const std::string& tokenDigest, std::int64_t now) {
    const auto rows = db_.transaction(false, [&](SqlConnection& c) {
        return c.query(std::string("SELECT ") + kUserColumns +
                           ", s.expires_at FROM sessions s JOIN users u ON u.id = s.user_id"
                           " WHERE s.token_hash = ? AND s.expires_at > ?",
                       {tokenDigest, now});
    });
    if (rows.empty())
        return std::nullopt;
    return SessionUser{userFrom(rows[0]), intOf(rows[0][8])};
}

bool Store::deleteSession(const std::string& tokenDigest) {
    return db_.transaction(true, [&](SqlConnection& c) {
        return c.execute("DELETE FROM sessions WHERE token_hash = ?", {tokenDigest}) > 0;
    });
}

std::pair<std::int64_t, std::int64_t> Store::failuresSince(const std::string& emailKey, const std::string& address,
                                                           std::int64_t since) {
    return db_.transaction(false, [&](SqlConnection& c) {
        const auto byEmail =
            c.query("SELECT COUNT(*) FROM sign_in_failures WHERE email_key = ? AND at > ?", {emailKey, since});
        const auto byAddress =
            c.query("SELECT COUNT(*) FROM sign_in_failures WHERE address = ? AND at > ?", {address, since});
        return std::make_pair(intOf(byEmail[0][0]), intOf(byAddress[0][0]));
    });
}

void Store::recordFailure(const std::string& emailKey, const std::string& address, std::int64_t now,
                          std::int64_t forgetBefore) {
    db_.transaction(true, [&](SqlConnection& c) {
        c.execute("INSERT INTO sign_in_failures (email_key, address, at) VALUES (?, ?, ?)", {emailKey, address, now});
        c.execute("DELETE FROM sign_in_failures WHERE email_key = ? AND at <= ?", {emailKey, forgetBefore});
        c.execute("DELETE FROM sign_in_failures WHERE address = ? AND at <= ?", {address, forgetBefore});
    });
}

void Store::addFeedback(const Feedback& f) {
    db_.transaction(true, [&](SqlConnection& c) {
        c.execute("INSERT INTO feedback (id, category, message, status, source, contact_email, user_email,"
                  " app_version, os_version, device_id, created_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                  {f.id, f.category, f.message, f.status, f.source, optionalText(f.contactEmail),
                   optionalText(f.userEmail), optionalText(f.appVersion), optionalText(f.osVersion),
                   optionalText(f.deviceId), f.createdAt});
    });
}

std::vector<Feedback> Store::feedback(const std::optional<std::string>& status, int limit) {
    const std::string columns = "SELECT id, category, message, status, source, contact_email, user_email, app_version,"
                                " os_version, device_id, created_at FROM feedback ";
    const auto rows = db_.transaction(false, [&](SqlConnection& c) {
        if (status)
            return c.query(columns + "WHERE status = ? ORDER BY created_at DESC, id DESC LIMIT ?",
                           {*status, std::int64_t(limit)});
        return c.query(columns + "ORDER BY created_at DESC, id DESC LIMIT ?", {std::int64_t(limit)});
    });
    std::vector<Feedback> out;
    out.reserve(rows.size());
    for (const auto& r : rows) {
        Feedback f;
        f.id = textOf(r[0]).value_or("");
        f.category = textOf(r[1]).value_or("");
        f.message = textOf(r[2]).value_or("");
        f.status = textOf(r[3]).value_or("");
        f.source = textOf(r[4]).value_or("");
        f.contactEmail = textOf(r[5]);
        f.userEmail = textOf(r[6]);
        f.appVersion = textOf(r[7]);
        f.osVersion = textOf(r[8]);
        f.deviceId = textOf(r[9]);
        f.createdAt = intOf(r[10]);
        out.push_back(std::move(f));
    }
    return out;
}

bool Store::setFeedbackStatus(const std::string& id, const std::string& status) {
    return db_.transaction(true, [&](SqlConnection& c) {
        return c.execute("UPDATE feedback SET status = ? WHERE id = ?", {status, id}) > 0;
    });
}

bool Store::setRole(const std::string& emailKey, const std::string& role) {
    return db_.transaction(true, [&](SqlConnection& c) {
        return c.execute("UPDATE users SET role = ? WHERE email_key = ?", {role, emailKey}) > 0;
    });
}

std::vector<std::string> Store::emailsWithRole(const std::string& role) {
    const auto rows = db_.transaction(false, [&](SqlConnection& c) {
        return c.query("SELECT email FROM users WHERE role = ? ORDER BY email_key", {role});
    });
    std::vector<std::string> out;
    for (const auto& r : rows)
        out.push_back(textOf(r[0]).value_or(""));
    return out;
}

} // namespace vantorel::server
