#include "Validation.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace vantorel::server {

QJsonObject parseObject(const std::string& body) {
    QJsonParseError error{};
    const auto doc =
        QJsonDocument::fromJson(QByteArray::fromRawData(body.data(), static_cast<qsizetype>(body.size())), &error);
    if (error.error == QJsonParseError::IllegalUTF8String)
        throw HttpError(400, "The request body is not valid UTF-8.");
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        throw HttpError(400, "The request body must be a JSON object.");
    return doc.object();
}

std::optional<QString> textField(const QJsonObject& object, const char* key, bool required, int maxLength,
                                 bool allowLineBreaks) {
    const auto value = object.value(QLatin1String(key));
    const std::string name = std::string("\"") + key + "\"";
    if (value.isUndefined() || value.isNull()) {
        if (required)
            throw HttpError(400, name + " is missing.");
        return std::nullopt;
    }
    if (!value.isString())
        throw HttpError(400, name + " must be text.");
    const QString text = value.toString();
    if (text.size() > maxLength)
        throw HttpError(400, name + " is too long (at most " + std::to_string(maxLength) + " characters).");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        const bool lineBreak = ch == u'\n' || ch == u'\r' || ch == u'\t';
        // A lone half of a surrogate pair (an escaped "\ud800") is no character at all.
        bool lone = false;
        if (ch.isHighSurrogate())
            lone = i + 1 >= text.size() || !text[++i].isLowSurrogate();
        else if (ch.isLowSurrogate())
            lone = true;
        if (lone || (ch.category() == QChar::Other_Control && !(allowLineBreaks && lineBreak)))
            throw HttpError(400, name + " contains characters that are not allowed.");
    }
    return text;
}

bool isValidEmail(const QString& email) {
    if (email.size() < 3 || email.size() > 254)
        return false;
    const auto at = email.indexOf(u'@');
    if (at <= 0 || at != email.lastIndexOf(u'@') || at > 64)
        return false;
    const QString domain = email.mid(at + 1);
    if (domain.isEmpty() || !domain.contains(u'.') || domain.startsWith(u'.') || domain.endsWith(u'.') ||
        domain.contains(QLatin1String("..")))
        return false;
    for (const QChar ch : email)
        if (ch.isSpace() || ch.category() == QChar::Other_Control)
            return false;
    return true;
}

std::string emailKey(const QString& email) {
    return email.trimmed().toLower().toStdString();
}

} // namespace vantorel::server
