#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantorel::server {

class Database;

struct User {
    std::string id;
    std::string email;
    std::string username;
    std::string firstName;
    std::string lastName;
    std::string role;
    std::int64_t createdAt = 0;
    std::string passwordHash;
};

struct Feedback {
    std::string id;
    std::string category;
    std::string message;
    std::string status = "new";
    std::string source = "app";
    std::optional<std::string> contactEmail;
    std::optional<std::string> userEmail;
    std::optional<std::string> appVersion;
    std::optional<std::string> osVersion;
    std::optional<std::string> deviceId;
    std::int64_t createdAt = 0;
};

// Every query the server makes. Nothing here is kept between calls: the
// database is the only state, so any number of processes can share it.
class Store {
public:
    explicit Store(Database& db) : db_(db) {}
    Database& database() { return db_; }

    // False when the email is taken (also when another process took it meanwhile).
    bool createUserWithSession(const User& user, const std::string& emailKey, const std::string& tokenDigest,
                               std::int64_t expiresAt);
    std::optional<User> userByEmail(const std::string& emailKey);
    void createSession(const std::string& userId, const std::string& tokenDigest, std::int64_t now,
                       std::int64_t expiresAt, const std::optional<std::string>& newPasswordHash);
    struct SessionUser {
        User user;
        std::int64_t expiresAt = 0;
    };
    std::optional<SessionUser> userForToken(const std::string& tokenDigest, std::int64_t now);
    bool deleteSession(const std::string& tokenDigest);

    // Failed sign-ins since `since` for this email and for this address.
    std::pair<std::int64_t, std::int64_t> failuresSince(const std::string& emailKey, const std::string& address,
                                                        std::int64_t since);
    void recordFailure(const std::string& emailKey, const std::string& address, std::int64_t now,
                       std::int64_t forgetBefore);

    void addFeedback(const Feedback& item);
    // Newest first, at most `limit` items.
    std::vector<Feedback> feedback(const std::optional<std::string>& status, int limit);
    bool setFeedbackStatus(const std::string& id, const std::string& status);

    // For the administrators' command line: false when no account has that email.
    bool setRole(const std::string& emailKey, const std::string& role);
    std::vector<std::string> emailsWithRole(const std::string& role);

private:
    Database& db_;
};

} // namespace vantorel::server
