#include "Security.h"

#include <chrono>
#include <ctime>
#include <sodium.h>
#include <stdexcept>

namespace vantorel::server {

PasswordHasher::PasswordHasher(PasswordCost cost, int parallel)
    : cost_(cost), slots_(std::make_unique<std::counting_semaphore<>>(parallel > 0 ? parallel : 1)) {
    dummy_ = hash("no account has this password");
}

PasswordHasher::~PasswordHasher() = default;

std::string PasswordHasher::hash(const std::string& password) {
    char out[crypto_pwhash_STRBYTES];
    slots_->acquire();
    const int rc = crypto_pwhash_str_alg(out, password.data(), password.size(), cost_.iterations, cost_.memoryBytes,
                                         crypto_pwhash_ALG_ARGON2ID13);
    slots_->release();
    if (rc != 0)
        throw std::runtime_error("out of memory while hashing a password");
    return out;
}

bool PasswordHasher::verify(const std::string& encoded, const std::string& password) {
    slots_->acquire();
    const int rc = crypto_pwhash_str_verify(encoded.c_str(), password.data(), password.size());
    slots_->release();
    return rc == 0;
}

void PasswordHasher::verifyNothing(const std::string& password) {
    (void)verify(dummy_, password);
}

bool PasswordHasher::needsRehash(const std::string& encoded) const {
    return crypto_pwhash_str_needs_rehash(encoded.c_str(), cost_.iterations, cost_.memoryBytes) != 0;
}

std::string newSessionToken() {
    unsigned char bytes[32];
    randombytes_buf(bytes, sizeof bytes);
    char text[sodium_base64_ENCODED_LEN(sizeof bytes, sodium_base64_VARIANT_URLSAFE_NO_PADDING)];
    sodium_bin2base64(text, sizeof text, bytes, sizeof bytes, sodium_base64_VARIANT_URLSAFE_NO_PADDING);
    sodium_memzero(bytes, sizeof bytes);
    return text;
}

std::string tokenDigest(const std::string& token) {
    unsigned char digest[crypto_hash_sha256_BYTES];
    crypto_hash_sha256(digest, reinterpret_cast<const unsigned char*>(token.data()), token.size());
    char hex[crypto_hash_sha256_BYTES * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, digest, sizeof digest);
    return hex;
}

std::string newId() {
    unsigned char b[16];
    randombytes_buf(b, sizeof b);
    b[6] = static_cast<unsigned char>((b[6] & 0x0f) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3f) | 0x80);
    char hex[33];
    sodium_bin2hex(hex, sizeof hex, b, sizeof b);
    const std::string h(hex);
    return h.substr(0, 8) + "-" + h.substr(8, 4) + "-" + h.substr(12, 4) + "-" + h.substr(16, 4) + "-" + h.substr(20);
}

std::int64_t nowMillis() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string isoTime(std::int64_t millis) {
    const std::time_t seconds = static_cast<std::time_t>(millis / 1000);
    std::tm tm{};
    gmtime_r(&seconds, &tm);
    char out[96];
    std::snprintf(out, sizeof out, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(millis % 1000));
    return out;
}

} // namespace vantorel::server
