#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <semaphore>
#include <string>

namespace vantorel::server {

// Argon2id cost: OWASP's recommended minimum (19 MiB, 2 passes, 1 lane).
struct PasswordCost {
    unsigned long long iterations = 2;
    size_t memoryBytes = 19u * 1024u * 1024u;
};

// Password hashes in the self-describing Argon2id string form (parameters and
// salt inside), so stronger costs can be introduced without a migration.
class PasswordHasher {
public:
    // At most `parallel` hashes run at once: each takes its memory cost, and
    // more than the cores can run only adds waiting.
    PasswordHasher(PasswordCost cost, int parallel);
    ~PasswordHasher();
    std::string hash(const std::string& password);
    bool verify(const std::string& encoded, const std::string& password);
    // Spends the time of a real verification, for an email without an account.
    void verifyNothing(const std::string& password);
    bool needsRehash(const std::string& encoded) const;
    const PasswordCost& cost() const { return cost_; }

private:
    PasswordCost cost_;
    std::unique_ptr<std::counting_semaphore<>> slots_;
    std::string dummy_;
};

// 256 random bits, URL-safe base64 without padding (43 characters).
std::string newSessionToken();
// What the database keeps of a token: its SHA-256 in hex.
std::string tokenDigest(const std::string& token);
// A random UUID (version 4), lower case.
std::string newId();

// Milliseconds since 1970 (UTC), now.
std::int64_t nowMillis();
// 2025-01-02T03:04:05.678Z
std::string isoTime(std::int64_t millis);

} // namespace vantorel::server
