#pragma once

#include "account/AccountError.h"
#include "account/AccountRecords.h"
#include "account/KeychainService.h"

#include <QJsonObject>
#include <QObject>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>

class QNetworkAccessManager;

namespace vantorel {

class BundleInfo;
class DefaultsStore;
class PersistenceService;
class Scheduler;
class SystemInfo;

inline constexpr const char* kAccountStateDidChange = "com.vantorel.account.stateDidChange";
inline constexpr const char* kDeviceIdKey = "com.vantorel.deviceId";

struct AccountServiceDependencies {
    PersistenceService& persistence; // the account state and the device identifier
    Keychain& keychain;
    BundleInfo& bundle;
    SystemInfo& system;
    Scheduler& scheduler; // the request time-out
};

// The program's only client of its backend: requests and their answers,
// friendly errors, the account session and the feedback operations. Lives on
// the main thread; every completion arrives there.
class AccountService : public QObject {
    Q_OBJECT
public:
    explicit AccountService(AccountServiceDependencies deps, QObject* parent = nullptr);
    ~AccountService() override;
    static AccountService& shared();

    const AccountState& current() const { return current_; }

    // --- requests ---
    enum class Auth {
        None,
        Required,   // no token: fails with missingSession and sends nothing
        IfAvailable // the bearer token when the keychain holds one
    };
    static constexpr auto kTimeout = std::chrono::seconds(15);

    // Sends a request to the backend and decodes the answer as Response.
    // A bad base or request URL, and a missing token, fail without sending;
    // everything else completes on a later turn of the event loop.
    template <typename Response>
    void sendRequest(const QString& path, const QByteArray& method, std::optional<QJsonObject> payload, Auth auth,
                     std::function<void(AccountResult<Response>)> completion) {
        constexpr bool empty = std::is_same_v<Response, EmptyResponse>;
        send(path, method, std::move(payload), auth, [completion = std::move(completion)](AccountResult<QByteArray> r) {
            if (!r.ok())
                return completion(r.error());
            if (empty && r.value().isEmpty())
                return completion(Response{});
            auto decoded = Response::decode(r.value());
            if (auto* why = std::get_if<QString>(&decoded))
                return completion(AccountError::decoding(*why));
            completion(std::get<Response>(std::move(decoded)));
        });
    }

    // --- configuration ---
    void updateBaseURL(const QString& input);
    std::optional<QUrl> accountWebsiteURL() const;
    QString deviceIdentifier();
    KeychainService& keychain() { return keychain_; }

    // --- account session ---
    void signIn(const QString& email, const QString& password,
                std::function<void(AccountResult<AuthenticatedUser>)> completion);
    void signUp(const QString& firstName, const QString& lastName, const QString& email, const QString& password,
                std::function<void(AccountResult<AuthenticatedUser>)> completion);
    // Always ends signed out locally; completes with the backend's verdict.
    void signOut(std::function<void(AccountStatus)> completion);
    void persistState(const std::optional<QString>& error);
    void clearSessionState(const std::optional<QString>& error, std::function<void()> then = {});

    // --- feedback ---
    void submitFeedback(const QString& message, FeedbackCategory category,
                        std::function<void(AccountStatus)> completion);
    void fetchFeedbackInbox(std::optional<FeedbackStatus> status,
                            std::function<void(AccountResult<std::vector<FeedbackItem>>)> completion);
    // The id goes into the path as it is: one a URL cannot hold fails as an invalid URL.
    void updateFeedbackStatus(const QString& id, FeedbackStatus status, std::function<void(AccountStatus)> completion);

    SystemInfo& system() const { return deps_.system; }
    BundleInfo& bundle() const { return deps_.bundle; }
    Scheduler& scheduler() const { return deps_.scheduler; }

Q_SIGNALS:
    // accountStateDidChange: after every persistState.
    void stateDidChange();

private:
    void send(const QString& path, const QByteArray& method, std::optional<QJsonObject> payload, Auth auth,
              std::function<void(AccountResult<QByteArray>)> completion);
    void start(const QUrl& url, const QString& base, const QByteArray& method, const std::optional<QByteArray>& body,
               const std::optional<QString>& token, std::function<void(AccountResult<QByteArray>)> completion);
    void handleAuthentication(const AccountResult<AuthenticationResponse>& result,
                              const std::function<void(AccountResult<AuthenticatedUser>)>& completion);
    void migrateConfiguredEndpointsIfNeeded();
    void save();

    AccountServiceDependencies deps_;
    KeychainService keychain_;
    QNetworkAccessManager* network_;
    AccountState current_;
};

} // namespace vantorel
