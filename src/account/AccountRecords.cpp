#include "account/AccountRecords.h"

#include "account/BackendRules.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace vantorel {

namespace {

// Reads the fields of one JSON object; the first problem is kept and every
// later read answers empty, so a decoder reads on and checks once at the end.
class Fields {
public:
    Fields(const QJsonObject& o, DateRule rule) : o_(o), rule_(rule) {}

    QString text(const char* key) {
        const auto v = o_.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull())
            fail(QStringLiteral("The answer has no \"%1\".").arg(QLatin1String(key)));
        else if (!v.isString())
            fail(QStringLiteral("\"%1\" in the answer is not text.").arg(QLatin1String(key)));
        return v.toString();
    }
    std::optional<QString> optionalText(const char* key) {
        const auto v = o_.value(QLatin1String(key));
        if (v.isUndefined() || v.isNull())
            return std::nullopt;
        if (!v.isString()) {
            fail(QStringLiteral("\"%1\" in the answer is not text.").arg(QLatin1String(key)));
            return std::nullopt;
        }
        return v.toString();
    }
    std::optional<QDateTime> optionalDate(const char* key) {
        const auto text = optionalText(key);
        if (!text)
            return std::nullopt;
        auto date = rule_ == DateRule::Backend ? parseBackendDate(*text) : parsePlainDate(*text);
        if (!date)
            fail(QStringLiteral("Unrecognized date: ") + *text);
        return date;
    }
    QJsonObject object(const char* key) {
        const auto v = o_.value(QLatin1String(key));
        if (!v.isObject())
            fail(v.isUndefined() || v.isNull()
                     ? QStringLiteral("The answer has no \"%1\".").arg(QLatin1String(key))
                     : QStringLiteral("\"%1\" in the answer is not an object.").arg(QLatin1String(key)));
        return v.toObject();
    }
    void fail(const QString& why) {
        if (!error)
            error = why;
    }
    std::optional<QString> error;

private:
    const QJsonObject& o_;
    DateRule rule_;
};

// The body as a JSON object, or why not.
Decoded<QJsonObject> objectOf(const QByteArray& body) {
    QJsonParseError parseError{};
    const auto doc = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return QStringLiteral("The server's answer is not valid JSON.");
    if (!doc.isObject())
        return QStringLiteral("The server's answer is not a JSON object.");
    return doc.object();
}

} // namespace

QString AuthenticatedUser::fullName() const {
    const QString name = (firstName + u' ' + lastName).trimmed();
    if (!name.isEmpty())
        return name;
    return displayName.value_or(username);
}

Decoded<AuthenticatedUser> AuthenticatedUser::fromJson(const QJsonObject& o, DateRule rule) {
    Fields f(o, rule);
    AuthenticatedUser u;
    u.id = f.text("id");
    u.email = f.text("email");
    u.username = f.text("username");
    u.firstName = f.text("firstName");
    u.lastName = f.text("lastName");
    u.displayName = f.optionalText("displayName");
    u.role = f.text("role");
    u.createdAt = f.optionalDate("createdAt");
    if (f.error)
        return *f.error;
    return u;
}

QJsonObject AuthenticatedUser::toJson() const {
    QJsonObject o{
        {"id", id},    {"email", email}, {"username", username}, {"firstName", firstName}, {"lastName", lastName},
        {"role", role}};
    if (displayName)
        o.insert("displayName", *displayName);
    if (createdAt)
        o.insert("createdAt", formatPlainDate(*createdAt));
    return o;
}

Decoded<AuthenticationResponse> AuthenticationResponse::decode(const QByteArray& body) {
    auto object = objectOf(body);
    if (auto* why = std::get_if<QString>(&object))
        return *why;
    Fields f(std::get<QJsonObject>(object), DateRule::Backend);
    const QJsonObject userObject = f.object("user");
    const QJsonObject sessionObject = f.object("session");
    if (f.error)
        return *f.error;
    auto user = AuthenticatedUser::fromJson(userObject, DateRule::Backend);
    if (auto* why = std::get_if<QString>(&user))
        return *why;
    Fields s(sessionObject, DateRule::Backend);
    AuthenticationResponse r{std::get<AuthenticatedUser>(user), {}};
    r.session.token = s.text("token");
    r.session.expiresAt = s.optionalDate("expiresAt");
    if (s.error)
        return *s.error;
    return r;
}

Decoded<EmptyResponse> EmptyResponse::decode(const QByteArray& body) {
    auto object = objectOf(body);
    if (auto* why = std::get_if<QString>(&object))
        return *why;
    return EmptyResponse{};
}

QByteArray AccountState::toJson() const {
    QJsonObject o{{"backendBaseURL", backendBaseURL}};
    if (user)
        o.insert("user", user->toJson());
    if (sessionExpiresAt)
        o.insert("sessionExpiresAt", formatPlainDate(*sessionExpiresAt));
    if (lastError)
        o.insert("lastError", *lastError);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

AccountState AccountState::load(const std::optional<QByteArray>& stored, const QString& defaultBaseURL) {
    const AccountState fallback{defaultBaseURL, std::nullopt, std::nullopt, std::nullopt};
    if (!stored)
        return fallback;
    auto object = objectOf(*stored);
    if (std::holds_alternative<QString>(object))
        return fallback;
    const auto& o = std::get<QJsonObject>(object);
    Fields f(o, DateRule::Stored);
    AccountState state;
    state.backendBaseURL = f.text("backendBaseURL");
    state.sessionExpiresAt = f.optionalDate("sessionExpiresAt");
    state.lastError = f.optionalText("lastError");
    const auto userValue = o.value(QLatin1String("user"));
    if (userValue.isObject()) {
        auto user = AuthenticatedUser::fromJson(userValue.toObject(), DateRule::Stored);
        if (std::holds_alternative<QString>(user))
            return fallback;
        state.user = std::get<AuthenticatedUser>(user);
    } else if (!userValue.isUndefined() && !userValue.isNull()) {
        return fallback;
    }
    if (f.error)
        return fallback;
    return state;
}

QString rawValue(FeedbackCategory c) {
    switch (c) {
    case FeedbackCategory::General:
        return QStringLiteral("general");
    case FeedbackCategory::Bug:
        return QStringLiteral("bug");
    case FeedbackCategory::Idea:
        return QStringLiteral("idea");
    case FeedbackCategory::Question:
        return QStringLiteral("question");
    }
    return QStringLiteral("general");
}

QString menuTitle(FeedbackCategory c) {
    const QString raw = rawValue(c);
    return raw.left(1).toUpper() + raw.mid(1);
}

FeedbackCategory feedbackCategoryAt(int index) {
    return kFeedbackCategories[std::clamp(index, 0, static_cast<int>(std::size(kFeedbackCategories)) - 1)];
}

QString rawValue(FeedbackStatus s) {
    switch (s) {
    case FeedbackStatus::New:
        return QStringLiteral("new");
    case FeedbackStatus::Read:
        return QStringLiteral("read");
    case FeedbackStatus::Resolved:
        return QStringLiteral("resolved");
    }
    return QStringLiteral("new");
}

std::optional<FeedbackStatus> feedbackStatus(const QString& raw) {
    for (auto s : {FeedbackStatus::New, FeedbackStatus::Read, FeedbackStatus::Resolved})
        if (rawValue(s) == raw)
            return s;
    return std::nullopt;
}

QJsonObject FeedbackSubmission::toJson() const {
    return {{"message", message},
            {"category", rawValue(category)},
            {"appVersion", appVersion},
            {"osVersion", osVersion},
            {"deviceId", deviceId}};
}

Decoded<FeedbackItem> FeedbackItem::fromJson(const QJsonObject& o) {
    Fields f(o, DateRule::Backend);
    FeedbackItem item;
    item.id = f.text("id");
    item.category = f.text("category");
    item.message = f.text("message");
    const QString status = f.text("status");
    item.source = f.text("source");
    item.contactEmail = f.optionalText("contactEmail");
    item.userEmail = f.optionalText("userEmail");
    item.appVersion = f.optionalText("appVersion");
    item.osVersion = f.optionalText("osVersion");
    item.createdAt = f.optionalDate("createdAt");
    if (f.error)
        return *f.error;
    const auto s = feedbackStatus(status);
    if (!s)
        return QStringLiteral("Cannot initialize FeedbackStatus from invalid String value ") + status;
    item.status = *s;
    return item;
}

Decoded<FeedbackIdResponse> FeedbackIdResponse::decode(const QByteArray& body) {
    auto object = objectOf(body);
    if (auto* why = std::get_if<QString>(&object))
        return *why;
    Fields f(std::get<QJsonObject>(object), DateRule::Backend);
    const QJsonObject feedback = f.object("feedback");
    Fields inner(feedback, DateRule::Backend);
    FeedbackIdResponse r{inner.text("id")};
    if (f.error)
        return *f.error;
    if (inner.error)
        return *inner.error;
    return r;
}

Decoded<FeedbackListResponse> FeedbackListResponse::decode(const QByteArray& body) {
    auto object = objectOf(body);
    if (auto* why = std::get_if<QString>(&object))
        return *why;
    const auto list = std::get<QJsonObject>(object).value(QLatin1String("feedback"));
    if (!list.isArray())
        return list.isUndefined() || list.isNull() ? QStringLiteral("The answer has no \"feedback\".")
                                                   : QStringLiteral("\"feedback\" in the answer is not a list.");
    FeedbackListResponse r;
    for (const auto& entry : list.toArray()) {
        if (!entry.isObject())
            return QStringLiteral("An entry of \"feedback\" is not an object.");
        auto item = FeedbackItem::fromJson(entry.toObject());
        if (auto* why = std::get_if<QString>(&item))
            return *why;
        r.items.push_back(std::get<FeedbackItem>(std::move(item)));
    }
    return r;
}

} // namespace vantorel
