#pragma once

#include "account/AccountService.h"
#include "app/PersistenceService.h"
#include "core/ManualScheduler.h"
#include "platform/sim/SimDesktop.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <condition_variable>
#include <gtest/gtest.h>
#include <httplib.h>
#include <mutex>
#include <thread>

namespace vantorel::test {

// An HTTP server on the loopback that answers what the test scripts, for
// answers the reference backend never gives. It records every request.
class ScriptedServer {
public:
    struct Reply {
        int status = 200;
        std::string body;
        std::string type = "application/json";
    };
    struct Seen {
        std::string method, path, body;
        httplib::Headers headers;
        httplib::Params params;
        bool has(const char* header) const { return headers.count(header) > 0; }
        std::string header(const char* name) const {
            auto it = headers.find(name);
            return it == headers.end() ? std::string() : it->second;
        }
    };

    ScriptedServer() {
        auto handle = [this](const httplib::Request& req, httplib::Response& res) {
            std::unique_lock<std::mutex> lock(mutex_);
            seen_.push_back({req.method, req.path, req.body, req.headers, req.params});
            if (holding_) {
                held_ = true;
                released_.wait(lock, [this] { return !holding_; });
            }
            auto it = replies_.find(req.method + " " + req.path);
            const Reply reply = it == replies_.end() ? Reply{404, R"({"error":"not scripted"})"} : it->second;
            res.status = reply.status;
            if (!reply.body.empty())
                res.set_content(reply.body, reply.type.c_str());
        };
        server_.Get(".*", handle);
        server_.Post(".*", handle);
        server_.Patch(".*", handle);
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        // stop() does nothing before the loop runs, and the destructor would then wait for ever.
        while (!server_.is_running())
            std::this_thread::yield();
    }
    ~ScriptedServer() {
        release();
        server_.stop();
        thread_.join();
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }
    int port() const { return port_; }
    void answer(const std::string& methodAndPath, Reply reply) {
        std::lock_guard<std::mutex> lock(mutex_);
        replies_[methodAndPath] = std::move(reply);
    }
    std::vector<Seen> requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return seen_;
    }
    // Requests wait in the server until release().
    void hold() {
        std::lock_guard<std::mutex> lock(mutex_);
        holding_ = true;
    }
    bool isHolding() {
        std::lock_guard<std::mutex> lock(mutex_);
        return held_;
    }
    void release() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            holding_ = false;
        }
        released_.notify_all();
    }

private:
    httplib::Server server_;
    std::thread thread_;
    int port_ = 0;
    std::mutex mutex_;
    std::condition_variable released_;
    std::map<std::string, Reply> replies_;
    std::vector<Seen> seen_;
    bool holding_ = false, held_ = false;
};

// Runs the event loop until the completion has come; the limit only ends a hung test.
template <typename T> bool arrives(const std::optional<T>& result) {
    return QTest::qWaitFor([&] { return result.has_value(); }, 60000);
}

// The account client on the simulated platform: the simulated keychain, the
// in-memory defaults and virtual time for the request time-out.
struct AccountClient {
    SimDesktop desktop;
    ManualScheduler scheduler;
    PersistenceService persistence{desktop.memoryDefaults, QStringLiteral("com.vantorel.app"), desktop.workspace};
    std::unique_ptr<AccountService> account;
    int notices = 0;

    explicit AccountClient(const QString& base = QString()) {
        restart();
        if (!base.isEmpty())
            account->updateBaseURL(base);
        notices = 0;
    }
    // As at the next launch: a new service on the same stored state.
    void restart() {
        account = std::make_unique<AccountService>(
            AccountServiceDependencies{persistence, desktop.keychain, desktop, desktop, scheduler});
        notices = 0;
        QObject::connect(account.get(), &AccountService::stateDidChange, [this] { ++notices; });
    }
    std::optional<QString> token() const {
        auto t = desktop.keychain.stored(KeychainService::kItem);
        return t ? std::optional<QString>(QString::fromUtf8(*t)) : std::nullopt;
    }

    // The service's calls, each run until its completion has come.
    AccountResult<AuthenticatedUser> signIn(const QString& email, const QString& password) {
        return awaited<AccountResult<AuthenticatedUser>>([&](auto done) { account->signIn(email, password, done); });
    }
    AccountStatus signOut() {
        return awaited<AccountStatus>([&](auto done) { account->signOut(done); });
    }
    AccountStatus submit(const QString& message, FeedbackCategory category) {
        return awaited<AccountStatus>([&](auto done) { account->submitFeedback(message, category, done); });
    }
    AccountResult<std::vector<FeedbackItem>> inbox(std::optional<FeedbackStatus> status) {
        return awaited<AccountResult<std::vector<FeedbackItem>>>(
            [&](auto done) { account->fetchFeedbackInbox(status, done); });
    }

private:
    template <typename T> static T awaited(const std::function<void(std::function<void(T)>)>& start) {
        std::optional<T> result;
        start([&](T r) { result = std::move(r); });
        EXPECT_TRUE(arrives(result)) << "no answer";
        return result ? std::move(*result) : T(AccountError::invalidResponse());
    }
};

} // namespace vantorel::test
