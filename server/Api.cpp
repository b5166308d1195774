#include "Api.h"

#include "Database.h"
#include "Security.h"
#include "Store.h"
#include "Validation.h"

#include <QFile>
#include <QJsonDocument>
#include <httplib.h>

namespace vantorel::server {

namespace {

using httplib::Request;
using httplib::Response;

const char* kJson = "application/json; charset=utf-8";
const char* kCategories[] = {"general", "bug", "idea", "question"};
const char* kStatuses[] = {"new", "read", "resolved"};

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

void sendJson(Response& res, int status, const QJsonObject& body) {
    res.status = status;
    res.set_content(QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(), kJson);
}

bool oneOf(const QString& value, const char* const* options, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (value == QLatin1String(options[i]))
            return true;
    return false;
}

QJsonObject userJson(const User& u) {
    QJsonObject o{{"id", q(u.id)},
                  {"email", q(u.email)},
                  {"username", q(u.username)},
                  {"firstName", q(u.firstName)},
                  {"lastName", q(u.lastName)},
                  {"role", q(u.role)},
                  {"createdAt", q(isoTime(u.createdAt))}};
    const QString display = (q(u.firstName) + u' ' + q(u.lastName)).trimmed();
    if (!display.isEmpty())
        o.insert("displayName", display);
    return o;
}

// The inbox is the largest and most frequent answer: written straight from
// the stored UTF-8 text instead of through a JSON object per item.
void appendJsonString(std::string& out, const std::string& text) {
    out += '"';
    for (const char ch : text) {
        switch (ch) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(ch) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x",
                              static_cast<unsigned>(static_cast<unsigned char>(ch)));
                out += escaped;
            } else {
                out += ch;
            }
        }
    }
    out += '"';
}

std::string feedbackListJson(const std::vector<Feedback>& items) {
    std::string out = "{\"feedback\":[";
    out.reserve(256 * items.size() + 16);
    auto field = [&out](const char* key, const std::string& value) {
        out += ",\"";
        out += key;
        out += "\":";
        appendJsonString(out, value);
    };
    for (size_t i = 0; i < items.size(); ++i) {
        const Feedback& f = items[i];
        out += i ? ",{\"id\":" : "{\"id\":";
        appendJsonString(out, f.id);
        field("category", f.category);
        field("message", f.message);
        field("status", f.status);
        field("source", f.source);
        field("createdAt", isoTime(f.createdAt));
        const std::pair<const char*, const std::optional<std::string>*> optional[] = {{"contactEmail", &f.contactEmail},
                                                                                      {"userEmail", &f.userEmail},
                                                                                      {"appVersion", &f.appVersion},
                                                                                      {"osVersion", &f.osVersion},
                                                                                      {"deviceId", &f.deviceId}};
        for (const auto& [key, value] : optional)
            if (*value)
                field(key, **value);
        out += '}';
    }
    out += "]}";
    return out;
}

// Wraps a handler: a refused request answers {"error": ...} with its status.
template <typename F> httplib::Server::Handler guarded(F f) {
    return [f](const Request& req, Response& res) {
        try {
            f(req, res);
        } catch (const HttpError& e) {
            sendJson(res, e.status, {{"error", QString::fromStdString(e.what())}});
        }
    };
}

// Wraps a handler of a request with a body. The body is read only when the
// request announces one: httplib would otherwise wait for the connection to
// close after a POST that has neither Content-Length nor chunked encoding.
template <typename F> httplib::Server::HandlerWithContentReader guardedBody(F f) {
    return [f](const Request& req, Response& res, const httplib::ContentReader& reader) {
        try {
            std::string body;
            if (req.has_header("Content-Length") || req.has_header("Transfer-Encoding")) {
                const bool read = reader([&body](const char* data, size_t length) {
                    body.append(data, length);
                    return true;
                });
                if (!read)
                    throw HttpError(res.status == 413 ? 413 : 400, res.status == 413
                                                                       ? "The request body is too large."
                                                                       : "The request body could not be read.");
            }
            f(req, body, res);
        } catch (const HttpError& e) {
            sendJson(res, e.status, {{"error", QString::fromStdString(e.what())}});
        }
    };
}

std::optional<std::string> bearerToken(const Request& req) {
    if (!req.has_header("Authorization"))
        return std::nullopt;
    const std::string value = req.get_header_value("Authorization");
    const std::string prefix = "Bearer ";
    if (value.size() <= prefix.size() || value.compare(0, prefix.size(), prefix) != 0)
        return std::string(); // present but unusable
    return value.substr(prefix.size());
}

std::string defaultMessage(int status) {
    switch (status) {
    case 400:
        return "The request is malformed.";
    case 401:
        return "Sign in first.";
    case 403:
        return "You are not allowed to do this.";
    case 404:
        return "Not found.";
    case 405:
        return "This method is not allowed here.";
    case 413:
        return "The request body is too large.";
    case 414:
        return "The request address is too long.";
    default:
        return status >= 500 ? "The server could not complete the request." : "The request was refused.";
    }
}

} // namespace

Api::Api(Store& store, PasswordHasher& hasher, ApiLimits limits) : store_(store), hasher_(hasher), limits_(limits) {
    const std::pair<const char*, const char*> files[] = {
        {"/account", "account.html"},       {"/feedback", "feedback.html"},       {"/site/site.css", "site.css"},
        {"/site/account.js", "account.js"}, {"/site/feedback.js", "feedback.js"}, {"/site/common.js", "common.js"}};
    for (const auto& [path, name] : files) {
        QFile file(QStringLiteral(":/site/") + QLatin1String(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString n = QLatin1String(name);
        const char* type = n.endsWith(".html")  ? "text/html; charset=utf-8"
                           : n.endsWith(".css") ? "text/css; charset=utf-8"
                                                : "text/javascript; charset=utf-8";
        pages_[path] = {file.readAll().toStdString(), type};
    }
}

std::string Api::clientAddress(const Request& req) const {
    if (limits_.trustForwardedFor && req.has_header("X-Forwarded-For")) {
        const std::string chain = req.get_header_value("X-Forwarded-For");
        const auto comma = chain.rfind(',');
        std::string last = comma == std::string::npos ? chain : chain.substr(comma + 1);
        last.erase(0, last.find_first_not_of(' '));
        if (!last.empty())
            return last;
    }
    return req.remote_addr;
}

void Api::install(httplib::Server& server) {
    // The session of a request: nothing without an Authorization header (or a
    // 401 when one is required); a 401 for a header that names no live session.
    auto session = [this](const Request& req, bool required) -> std::optional<Store::SessionUser> {
        const auto token = bearerToken(req);
        if (!token) {
            if (required)
                throw HttpError(401, "Sign in first.");
            return std::nullopt;
        }
        auto found = token->empty() ? std::nullopt : store_.userForToken(tokenDigest(*token), nowMillis());
        if (!found)
            throw HttpError(401, "Your session is not valid any more. Sign in again.");
        return found;
    };
    auto admin = [session](const Request& req) {
        auto s = session(req, true);
        if (s->user.role != "admin")
            throw HttpError(403, "Only administrators can read and change the feedback inbox.");
        return *s;
    };
    auto answerSession = [](Response& res, int status, const User& user, const std::string& token,
                            std::int64_t expiresAt) {
        sendJson(res, status,
                 {{"user", userJson(user)},
                  {"session", QJsonObject{{"token", q(token)}, {"expiresAt", q(isoTime(expiresAt))}}}});
    };

    server.Post("/api/auth/sign-up",
                guardedBody([this, answerSession](const Request&, const std::string& body, Response& res) {
                    const auto object = parseObject(body);
                    const QString firstName = textField(object, "firstName", true, 100)->trimmed();
                    const QString lastName = textField(object, "lastName", true, 100)->trimmed();
                    const QString email = textField(object, "email", true, 254)->trimmed();
                    const QString password = *textField(object, "password", true, 1024);
                    if (firstName.isEmpty() || lastName.isEmpty())
                        throw HttpError(400, "Enter your first and last name.");
                    if (!isValidEmail(email))
                        throw HttpError(400, "Enter a valid email address.");
                    if (password.size() < limits_.passwordMinLength)
                        throw HttpError(400, "Choose a password of at least " +
                                                 std::to_string(limits_.passwordMinLength) + " characters.");
                    const std::string key = emailKey(email);
                    if (store_.userByEmail(key))
                        throw HttpError(409, "An account with this email already exists. Sign in instead.");
                    User user;
                    user.id = newId();
                    user.email = email.toStdString();
                    user.username = email.left(email.indexOf(u'@')).toStdString();
                    user.firstName = firstName.toStdString();
                    user.lastName = lastName.toStdString();
                    user.role = "user";
                    user.createdAt = nowMillis();
                    user.passwordHash = hasher_.hash(password.toStdString());
                    const std::string token = newSessionToken();
                    const std::int64_t expiresAt = user.createdAt + limits_.sessionLifetimeMillis;
                    if (!store_.createUserWithSession(user, key, tokenDigest(token), expiresAt))
                        throw HttpError(409, "An account with this email already exists. Sign in instead.");
                    answerSession(res, 201, user, token, expiresAt);
                }));

    server.Post("/api/auth/sign-in",
                guardedBody([this, answerSession](const Request& req, const std::string& body, Response& res) {
                    const auto object = parseObject(body);
                    const QString email = textField(object, "email", true, 254)->trimmed();
                    const std::string password = textField(object, "password", true, 1024)->toStdString();
                    const std::string key = emailKey(email);
                    const std::string address = clientAddress(req);
                    const std::int64_t now = nowMillis();
                    const auto [byEmail, byAddress] =
                        store_.failuresSince(key, address, now - limits_.failureWindowMillis);
                    if (byEmail >= limits_.failuresPerEmail || byAddress >= limits_.failuresPerAddress)
                        throw HttpError(429, "Too many failed sign-ins. Wait a minute and try again.");
                    const auto user = store_.userByEmail(key);
                    bool ok = false;
                    if (user)
                        ok = hasher_.verify(user->passwordHash, password);
                    else
                        hasher_.verifyNothing(password);
                    if (!ok) {
                        store_.recordFailure(key, address, now, now - limits_.failureWindowMillis);
                        throw HttpError(401, "The email or password is not correct.");
                    }
                    std::optional<std::string> rehash;
                    if (hasher_.needsRehash(user->passwordHash))
                        rehash = hasher_.hash(password);
                    const std::string token = newSessionToken();
                    const std::int64_t expiresAt = now + limits_.sessionLifetimeMillis;
                    store_.createSession(user->id, tokenDigest(token), now, expiresAt, rehash);
                    answerSession(res, 200, *user, token, expiresAt);
                }));

    server.Post("/api/auth/sign-out",
                guardedBody([this, session](const Request& req, const std::string&, Response& res) {
                    session(req, true);
                    store_.deleteSession(tokenDigest(*bearerToken(req)));
                    res.status = 204;
                }));

    server.Get(
        "/api/auth/session", guarded([session](const Request& req, Response& res) {
            const auto s = session(req, true);
            sendJson(res, 200,
                     {{"user", userJson(s->user)}, {"session", QJsonObject{{"expiresAt", q(isoTime(s->expiresAt))}}}});
        }));

    server.Post(
        "/api/feedback", guardedBody([this, session](const Request& req, const std::string& body, Response& res) {
            const auto sender = session(req, false);
            const auto object = parseObject(body);
            Feedback f;
            f.message = textField(object, "message", true, 10000, true)->trimmed().toStdString();
            if (f.message.empty())
                throw HttpError(400, "Type a message before sending feedback.");
            const QString category = textField(object, "category", false, 40).value_or(QStringLiteral("general"));
            if (!oneOf(category, kCategories, std::size(kCategories)))
                throw HttpError(400, "\"category\" must be one of general, bug, idea, question.");
            f.category = category.toStdString();
            const QString source = textField(object, "source", false, 20).value_or(QStringLiteral("app"));
            if (source != QLatin1String("app") && source != QLatin1String("website"))
                throw HttpError(400, "\"source\" must be app or website.");
            f.source = source.toStdString();
            if (const auto contact = textField(object, "contactEmail", false, 254);
                contact && !contact->trimmed().isEmpty()) {
                if (!isValidEmail(contact->trimmed()))
                    throw HttpError(400, "The contact email is not a valid email address.");
                f.contactEmail = contact->trimmed().toStdString();
            }
            auto optional = [&object](const char* key) -> std::optional<std::string> {
                const auto v = textField(object, key, false, 200);
                return v ? std::optional<std::string>(v->toStdString()) : std::nullopt;
            };
            f.appVersion = optional("appVersion");
            f.osVersion = optional("osVersion");
            f.deviceId = optional("deviceId");
            if (sender)
                f.userEmail = sender->user.email;
            f.id = newId();
            f.createdAt = nowMillis();
            store_.addFeedback(f);
            sendJson(res, 201, {{"feedback", QJsonObject{{"id", q(f.id)}}}});
        }));

    server.Get("/api/admin/feedback", guarded([this, admin](const Request& req, Response& res) {
                   admin(req);
                   std::optional<std::string> status;
                   if (req.has_param("status")) {
                       status = req.get_param_value("status");
                       if (!oneOf(q(*status), kStatuses, std::size(kStatuses)))
                           throw HttpError(400, "\"status\" must be one of new, read, resolved.");
                   }
                   res.status = 200;
                   res.set_content(feedbackListJson(store_.feedback(status, limits_.inboxLimit)), kJson);
               }));

    server.Patch(R"(/api/admin/feedback/([^/]+))",
                 guardedBody([this, admin](const Request& req, const std::string& body, Response& res) {
                     admin(req);
                     const auto object = parseObject(body);
                     const QString status = *textField(object, "status", true, 20);
                     if (!oneOf(status, kStatuses, std::size(kStatuses)))
                         throw HttpError(400, "\"status\" must be one of new, read, resolved.");
                     const std::string id = req.matches[1];
                     if (!store_.setFeedbackStatus(id, status.toStdString()))
                         throw HttpError(404, "No feedback has this id.");
                     sendJson(res, 200, {{"feedback", QJsonObject{{"id", q(id)}}}});
                 }));

    server.Get("/healthz", guarded([this](const Request&, Response& res) {
                   store_.database().transaction(false, [](SqlConnection& c) { c.query("SELECT 1"); });
                   sendJson(res, 200, {{"status", "ok"}, {"database", q(store_.database().engine())}});
               }));

    server.Get("/", [](const Request&, Response& res) { res.set_redirect("/account"); });
    for (const auto& [path, page] : pages_) {
        server.Get(path, [content = page.first, type = page.second](const Request&, Response& res) {
            res.set_content(content, type.c_str());
            if (type.rfind("text/html", 0) == 0) {
                res.set_header("Content-Security-Policy",
                               "default-src 'self'; script-src 'self'; style-src 'self'; frame-ancestors 'none'");
                res.set_header("Referrer-Policy", "no-referrer");
            }
        });
    }

    // Whatever httplib refuses by itself (unknown path, body too large) also answers {"error": ...}.
    server.set_error_handler([](const Request&, Response& res) {
        if (res.body.empty())
            sendJson(res, res.status, {{"error", QString::fromStdString(defaultMessage(res.status))}});
    });
}

} // namespace vantorel::server
