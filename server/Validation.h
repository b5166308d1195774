#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>
#include <stdexcept>
#include <string>

namespace vantorel::server {

// A request the server answers with a status and {"error": message}.
struct HttpError : std::runtime_error {
    HttpError(int status, const std::string& message) : std::runtime_error(message), status(status) {}
    int status;
};

// The body as a JSON object, or a 400 that says what is wrong with it.
QJsonObject parseObject(const std::string& body);

// A text field: absent or null gives nothing unless required; any other JSON
// type, a control character or more than maxLength characters is a 400.
// Line breaks and tabs pass only where allowLineBreaks says so.
std::optional<QString> textField(const QJsonObject& object, const char* key, bool required, int maxLength,
                                 bool allowLineBreaks = false);

// A plain address check: one "@", a non-empty local part, a dotted domain, no blanks.
bool isValidEmail(const QString& email);
// Emails compare without regard to case.
std::string emailKey(const QString& email);

} // namespace vantorel::server
