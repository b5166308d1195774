#include "account/AccountService.h"

#include "account/AccountConfiguration.h"
#include "account/BackendRules.h"
#include "app/AppInfo.h"
#include "app/PersistenceService.h"
#include "core/Scheduler.h"
#include "platform/DefaultsStore.h"
#include "platform/Platform.h"
#include "platform/SystemInfo.h"

#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUuid>

namespace vantorel {

namespace {

// The connection failures that mean "the backend cannot be reached".
NetworkFailure failureOf(QNetworkReply::NetworkError code, bool timedOut) {
    if (timedOut)
        return NetworkFailure::TimedOut;
    switch (code) {
    case QNetworkReply::ConnectionRefusedError:
        return NetworkFailure::CannotConnect;
    case QNetworkReply::HostNotFoundError:
        return NetworkFailure::CannotFindHost;
    case QNetworkReply::TimeoutError:
        return NetworkFailure::TimedOut;
    case QNetworkReply::RemoteHostClosedError:
        return NetworkFailure::ConnectionLost;
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError: // among others, no route to the host
        return NetworkFailure::NotConnected;
    default:
        return NetworkFailure::Other;
    }
}

} // namespace

AccountService::AccountService(AccountServiceDependencies deps, QObject* parent)
    : QObject(parent), deps_(deps), keychain_(deps.keychain), network_(new QNetworkAccessManager(this)) {
    current_ = AccountState::load(deps_.persistence.loadAccountStateData(),
                                  AccountConfiguration::defaultBackendBaseURL(deps_.bundle));
    migrateConfiguredEndpointsIfNeeded();
}

AccountService::~AccountService() = default;

AccountService& AccountService::shared() {
    // Lives for the whole run; never destroyed after the application object.
    static AccountService* instance = [] {
        auto& p = Platform::installed();
        return new AccountService(
            {PersistenceService::shared(), *p.keychain, *p.bundle, *p.system, Scheduler::shared()});
    }();
    return *instance;
}

void AccountService::migrateConfiguredEndpointsIfNeeded() {
    const QString configured = normalizedBaseURLString(AccountConfiguration::defaultBackendBaseURL(deps_.bundle));
    const QString stored = normalizedBaseURLString(current_.backendBaseURL);
    // A build made for a remote backend moves users off the stored local default;
    // an address the user typed for another host stays.
    if (!configured.isEmpty() && AccountConfiguration::isLocalDevelopmentBackendURL(stored) &&
        !AccountConfiguration::isLocalDevelopmentBackendURL(configured) && stored != configured) {
        current_.backendBaseURL = configured;
        save();
    }
}

void AccountService::save() {
    deps_.persistence.saveAccountStateData(current_.toJson());
}

void AccountService::persistState(const std::optional<QString>& error) {
    current_.lastError = error;
    save();
    Q_EMIT stateDidChange();
}

void AccountService::updateBaseURL(const QString& input) {
    const QString normalized = normalizedBaseURLString(input);
    if (!normalized.isEmpty())
        current_.backendBaseURL = normalized;
    persistState(std::nullopt);
}

std::optional<QUrl> AccountService::accountWebsiteURL() const {
    if (auto configured = AccountConfiguration::configuredWebsiteURL(deps_.bundle))
        return configured;
    const QString host = QUrl(current_.backendBaseURL).host();
    if (host == QLatin1String("127.0.0.1") || host == QLatin1String("localhost"))
        return QUrl(QStringLiteral("http://127.0.0.1:8000/vantorel-site/account.html"));
    return std::nullopt;
}

QString AccountService::deviceIdentifier() {
    auto& defaults = deps_.persistence.defaults();
    const QString domain = deps_.persistence.domain();
    const QString key = QLatin1String(kDeviceIdKey);
    if (auto stored = defaults.string(domain, key); stored && !stored->isEmpty())
        return *stored;
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    defaults.setValue(domain, key, id);
    return id;
}

void AccountService::send(const QString& path, const QByteArray& method, std::optional<QJsonObject> payload, Auth auth,
                          std::function<void(AccountResult<QByteArray>)> completion) {
    const QString base = normalizedBaseURLString(current_.backendBaseURL);
    const auto baseUrl = baseURL(base);
    if (!baseUrl)
        return completion(AccountError::invalidBaseURL());
    const auto url = requestURL(*baseUrl, path);
    if (!url)
        return completion(AccountError::invalidBaseURL());
    std::optional<QByteArray> body;
    if (payload)
        body = QJsonDocument(*payload).toJson(QJsonDocument::Compact);
    if (auth == Auth::None)
        return start(*url, base, method, body, std::nullopt, std::move(completion));
    keychain_.readSessionToken(this, [this, url = *url, base, method, body, auth,
                                      completion = std::move(completion)](std::optional<QString> token) mutable {
        if (!token && auth == Auth::Required)
            return completion(AccountError::missingSession());
        start(url, base, method, body, token, std::move(completion));
    });
}

void AccountService::start(const QUrl& url, const QString& base, const QByteArray& method,
                           const std::optional<QByteArray>& body, const std::optional<QString>& token,
                           std::function<void(AccountResult<QByteArray>)> completion) {
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "application/json");
    if (body)
        request.setRawHeader("Content-Type", "application/json");
    else
        // A body-less POST still says it has no body, so no server waits for one.
        request.setHeader(QNetworkRequest::ContentLengthHeader, 0);
    if (token)
        request.setRawHeader("Authorization", "Bearer " + token->toUtf8());
    QNetworkReply* reply =
        body ? network_->sendCustomRequest(request, method, *body) : network_->sendCustomRequest(request, method);

    // The time-out counts from the last data the backend sent, as the platform's request time-out does.
    auto timedOut = std::make_shared<bool>(false);
    auto timer = std::make_shared<ScheduledTask>();
    auto received = std::make_shared<qint64>(0);
    auto arm = [this, reply, timer, timedOut] {
        timer->cancel();
        *timer = deps_.scheduler.after(kTimeout, reply, [reply, timedOut] {
            *timedOut = true;
            reply->abort();
        });
    };
    arm();
    connect(reply, &QNetworkReply::downloadProgress, reply, [arm, received](qint64 bytes, qint64) {
        if (bytes > *received) {
            *received = bytes;
            arm();
        }
    });
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, base, timer, timedOut, completion = std::move(completion)] {
                timer->cancel();
                reply->deleteLater();
                const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
                if (!status.isValid())
                    return completion(mapNetworkError(failureOf(reply->error(), *timedOut), reply->errorString(), base,
                                                      deps_.system));
                const QByteArray data = reply->readAll();
                const int code = status.toInt();
                if (code < 200 || code > 299)
                    return completion(AccountError::api(decodeAPIError(data)));
                completion(data);
            });
}

void AccountService::handleAuthentication(const AccountResult<AuthenticationResponse>& result,
                                          const std::function<void(AccountResult<AuthenticatedUser>)>& completion) {
    if (!result.ok()) {
        persistState(result.error().description());
        return completion(result.error());
    }
    const AuthenticationResponse answer = result.value();
    // The token first: a user without a kept token would be signed in for this run only.
    keychain_.saveSessionToken(answer.session.token, this, [this, answer, completion](Status saved) {
        if (saved.ok()) {
            current_.user = answer.user;
            current_.sessionExpiresAt = answer.session.expiresAt;
            persistState(std::nullopt);
        } else {
            persistState(saved.error());
        }
        completion(answer.user);
    });
}

void AccountService::signIn(const QString& email, const QString& password,
                            std::function<void(AccountResult<AuthenticatedUser>)> completion) {
    sendRequest<AuthenticationResponse>(
        QStringLiteral("/api/auth/sign-in"), "POST", QJsonObject{{"email", email}, {"password", password}}, Auth::None,
        [this, completion = std::move(completion)](const AccountResult<AuthenticationResponse>& r) {
            handleAuthentication(r, completion);
        });
}

void AccountService::signUp(const QString& firstName, const QString& lastName, const QString& email,
                            const QString& password, std::function<void(AccountResult<AuthenticatedUser>)> completion) {
    sendRequest<AuthenticationResponse>(
        QStringLiteral("/api/auth/sign-up"), "POST",
        QJsonObject{{"firstName", firstName}, {"lastName", lastName}, {"email", email}, {"password", password}},
        Auth::None, [this, completion = std::move(completion)](const AccountResult<AuthenticationResponse>& r) {
            handleAuthentication(r, completion);
        });
}

void AccountService::signOut(std::function<void(AccountStatus)> completion) {
    sendRequest<EmptyResponse>(QStringLiteral("/api/auth/sign-out"), "POST", std::nullopt, Auth::Required,
                               [this, completion = std::move(completion)](const AccountResult<EmptyResponse>& r) {
                                   const AccountStatus outcome =
                                       r.ok() ? AccountStatus(std::monostate{}) : AccountStatus(r.error());
                                   clearSessionState(std::nullopt, [completion, outcome] { completion(outcome); });
                               });
}

void AccountService::clearSessionState(const std::optional<QString>& error, std::function<void()> then) {
    keychain_.clearSessionToken(this, [this, error, then = std::move(then)] {
        current_.user.reset();
        current_.sessionExpiresAt.reset();
        persistState(error);
        if (then)
            then();
    });
}

void AccountService::submitFeedback(const QString& message, FeedbackCategory category,
                                    std::function<void(AccountStatus)> completion) {
    FeedbackSubmission submission{message.trimmed(), category, AppInfo::version(deps_.bundle),
                                  deps_.system.operatingSystemVersion(), deviceIdentifier()};
    sendRequest<FeedbackIdResponse>(QStringLiteral("/api/feedback"), "POST", submission.toJson(), Auth::IfAvailable,
                                    [completion = std::move(completion)](const AccountResult<FeedbackIdResponse>& r) {
                                        completion(r.ok() ? AccountStatus(std::monostate{}) : AccountStatus(r.error()));
                                    });
}

void AccountService::fetchFeedbackInbox(std::optional<FeedbackStatus> status,
                                        std::function<void(AccountResult<std::vector<FeedbackItem>>)> completion) {
    QString path = QStringLiteral("/api/admin/feedback");
    if (status)
        path += QStringLiteral("?status=") + rawValue(*status);
    sendRequest<FeedbackListResponse>(
        path, "GET", std::nullopt, Auth::Required,
        [completion = std::move(completion)](const AccountResult<FeedbackListResponse>& r) {
            completion(r.ok() ? AccountResult<std::vector<FeedbackItem>>(r.value().items)
                              : AccountResult<std::vector<FeedbackItem>>(r.error()));
        });
}

void AccountService::updateFeedbackStatus(const QString& id, FeedbackStatus status,
                                          std::function<void(AccountStatus)> completion) {
    sendRequest<FeedbackIdResponse>(QStringLiteral("/api/admin/feedback/") + id, "PATCH",
                                    QJsonObject{{"status", rawValue(status)}}, Auth::Required,
                                    [completion = std::move(completion)](const AccountResult<FeedbackIdResponse>& r) {
                                        completion(r.ok() ? AccountStatus(std::monostate{}) : AccountStatus(r.error()));
                                    });
}

} // namespace vantorel
