#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace httplib {
class Server;
struct Request;
} // namespace httplib

namespace vantorel::server {

class PasswordHasher;
class Store;

struct ApiLimits {
    std::int64_t sessionLifetimeMillis = 30LL * 24 * 3600 * 1000;
    std::int64_t failureWindowMillis = 60 * 1000;
    int failuresPerEmail = 10;
    int failuresPerAddress = 30;
    int inboxLimit = 500;
    int passwordMinLength = 8;
    // Take the client's address from the last X-Forwarded-For entry (behind a proxy of our own).
    bool trustForwardedFor = false;
};

// The JSON API of the taskbar and the website, and the website's pages.
class Api {
public:
    Api(Store& store, PasswordHasher& hasher, ApiLimits limits);
    void install(httplib::Server& server);
    // The address a request came from, as the rate limits count it.
    std::string clientAddress(const httplib::Request& req) const;

private:
    Store& store_;
    PasswordHasher& hasher_;
    ApiLimits limits_;
    std::map<std::string, std::pair<std::string, std::string>> pages_; // path -> (content, type)
};

} // namespace vantorel::server
