#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <variant>
#include <vector>

namespace vantorel {

// A record decoded from JSON, or why it could not be ("Unrecognized date: ...").
template <typename T> using Decoded = std::variant<T, QString>;

// How dates in a record are read: answers take both ISO 8601 forms, stored
// state only the one it is written in.
enum class DateRule { Backend, Stored };

struct AuthenticatedUser {
    QString id;
    QString email;
    QString username;
    QString firstName;
    QString lastName;
    std::optional<QString> displayName;
    QString role; // "admin" marks an administrator
    std::optional<QDateTime> createdAt;

    // First and last name, trimmed; else the display name, else the user name.
    QString fullName() const;
    bool isAdmin() const { return role == QLatin1String("admin"); }
    bool operator==(const AuthenticatedUser&) const = default;

    static Decoded<AuthenticatedUser> fromJson(const QJsonObject& o, DateRule rule);
    QJsonObject toJson() const;
};

struct AccountSessionPayload {
    QString token;
    std::optional<QDateTime> expiresAt;
};

// The answer to sign-in and sign-up.
struct AuthenticationResponse {
    AuthenticatedUser user;
    AccountSessionPayload session;
    static Decoded<AuthenticationResponse> decode(const QByteArray& body);
};

// Any JSON object: the answer of requests whose answer does not matter.
struct EmptyResponse {
    static Decoded<EmptyResponse> decode(const QByteArray& body);
};

// The persisted account state. The session token is never part of it.
struct AccountState {
    QString backendBaseURL;
    std::optional<AuthenticatedUser> user;
    std::optional<QDateTime> sessionExpiresAt;
    std::optional<QString> lastError;

    bool isSignedIn() const { return user.has_value(); }
    bool operator==(const AccountState&) const = default;

    QByteArray toJson() const;
    // The stored state; the default state (with this base URL) when missing or unreadable.
    static AccountState load(const std::optional<QByteArray>& stored, const QString& defaultBaseURL);
};

enum class FeedbackCategory { General, Bug, Idea, Question };
inline constexpr FeedbackCategory kFeedbackCategories[] = {FeedbackCategory::General, FeedbackCategory::Bug,
                                                           FeedbackCategory::Idea, FeedbackCategory::Question};
QString rawValue(FeedbackCategory c);
QString menuTitle(FeedbackCategory c);
// The category of a menu index, clamped to the four.
FeedbackCategory feedbackCategoryAt(int index);

enum class FeedbackStatus { New, Read, Resolved };
QString rawValue(FeedbackStatus s);
std::optional<FeedbackStatus> feedbackStatus(const QString& raw);

// The body of POST /api/feedback.
struct FeedbackSubmission {
    QString message;
    FeedbackCategory category = FeedbackCategory::General;
    QString appVersion;
    QString osVersion;
    QString deviceId;
    QJsonObject toJson() const;
};

struct FeedbackItem {
    QString id;
    QString category;
    QString message;
    FeedbackStatus status = FeedbackStatus::New;
    QString source; // "website", or anything else for the application
    std::optional<QString> contactEmail;
    std::optional<QString> userEmail;
    std::optional<QString> appVersion;
    std::optional<QString> osVersion;
    std::optional<QDateTime> createdAt;
    bool operator==(const FeedbackItem&) const = default;
    static Decoded<FeedbackItem> fromJson(const QJsonObject& o);
};

// {"feedback": {"id": ...}}: the answer to a submission and to a status change.
struct FeedbackIdResponse {
    QString id;
    static Decoded<FeedbackIdResponse> decode(const QByteArray& body);
};

// {"feedback": [items]}
struct FeedbackListResponse {
    std::vector<FeedbackItem> items;
    static Decoded<FeedbackListResponse> decode(const QByteArray& body);
};

} // namespace vantorel
