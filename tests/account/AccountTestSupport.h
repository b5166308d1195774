#pragma once

#include "account/AccountService.h"
#include "app/PersistenceService.h"
#include "core/ManualScheduler.h"
#include "platform/sim/SimDesktop.h"
#include "support/LoopbackHttpServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTest>
#include <gtest/gtest.h>

namespace vantorel::test {

// The loopback server as a backend: answers scripted by route, anything else refused.
struct ScriptedBackend : LoopbackHttpServer {
    ScriptedBackend() { reply = {404, R"({"error":"not scripted"})"}; }
    QString url() const { return LoopbackHttpServer::url(QString()).toString(); }
};

// A loopback port on which nothing listens.
inline int closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

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

    // The service's calls, each run until its completion has come.
    AccountResult<AuthenticatedUser> signIn(const QString& email, const QString& password) {
        return awaited<AccountResult<AuthenticatedUser>>([&](auto done) { account->signIn(email, password, done); });
    }
    AccountStatus submit(const QString& message, FeedbackCategory category) {
        return awaited<AccountStatus>([&](auto done) { account->submitFeedback(message, category, done); });
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
