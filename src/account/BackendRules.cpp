#include "account/BackendRules.h"

#include "platform/SystemInfo.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimeZone>

namespace vantorel {

QString normalizedBaseURLString(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.contains(QLatin1String("://")))
        return trimmed;
    return QStringLiteral("http://") + trimmed;
}

std::optional<QUrl> baseURL(const QString& storedBaseURL) {
    const QUrl url(normalizedBaseURLString(storedBaseURL), QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

std::optional<QUrl> requestURL(const QUrl& base, const QString& path) {
    const QUrl relative(path, QUrl::StrictMode);
    if (!relative.isValid())
        return std::nullopt;
    const QUrl resolved = base.resolved(relative);
    if (!resolved.isValid())
        return std::nullopt;
    return resolved;
}

QString decodeAPIError(const QByteArray& body) {
    const auto doc = QJsonDocument::fromJson(body);
    if (doc.isObject()) {
        const auto error = doc.object().value(QLatin1String("error"));
        if (error.isString() && !error.toString().isEmpty())
            return error.toString();
    }
    if (!body.isEmpty()) {
        auto decoder = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(body);
        if (!decoder.hasError())
            return text;
    }
    return AccountError::invalidResponse().description();
}

bool isPrivateIPAddress(const QString& host) {
    if (host == QLatin1String("localhost") || host.startsWith(QLatin1String("10.")) ||
        host.startsWith(QLatin1String("192.168.")))
        return true;
    for (int second = 16; second <= 31; ++second)
        if (host.startsWith(QStringLiteral("172.%1.").arg(second)))
            return true;
    return false;
}

AccountError mapNetworkError(NetworkFailure failure, const QString& platformDescription, const QString& base,
                             const SystemInfo& words) {
    const QString host = QUrl(base).host().toLower();
    const bool local = host == QLatin1String("127.0.0.1") || host == QLatin1String("localhost");
    const bool isPrivate = isPrivateIPAddress(host);
    switch (failure) {
    case NetworkFailure::TransportSecurity:
        return AccountError::api(
            words.systemName() + QStringLiteral(" blocked the connection to ") + base +
            QStringLiteral(" because it is not using a secure transport. Use HTTPS for remote deployments, or ship the "
                           "app with an App Transport Security exception for your development backend."));
    case NetworkFailure::CannotConnect:
    case NetworkFailure::CannotFindHost:
    case NetworkFailure::TimedOut:
    case NetworkFailure::ConnectionLost:
    case NetworkFailure::NotConnected: {
        QString message = QStringLiteral("Cannot reach backend at ") + base + u'.';
        if (local)
            message += QStringLiteral(" You are pointing to localhost on ") + words.thisComputer() +
                       QStringLiteral(". If the backend runs on another machine, use that machine's LAN IP (for "
                                      "example: http://192.168.x.x:8787).");
        if (isPrivate)
            message += QStringLiteral(" This build is configured to use a private LAN address, so it only works "
                                      "while ") +
                       words.thisComputer() + QStringLiteral(" can route to that network and that host is reachable.");
        return AccountError::api(message);
    }
    case NetworkFailure::Other:
        break;
    }
    return AccountError::transport(platformDescription);
}

namespace {

std::optional<QDateTime> parseIso(const QString& text, bool fractional) {
    static const QRegularExpression withFraction(
        QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})\.(\d+)(Z|[+-]\d{2}:\d{2})$)"));
    static const QRegularExpression plain(
        QStringLiteral(R"(^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})()(Z|[+-]\d{2}:\d{2})$)"));
    const auto m = (fractional ? withFraction : plain).match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    int ms = 0;
    if (fractional)
        ms = (m.captured(7) + QStringLiteral("00")).left(3).toInt();
    const QTime time(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(), ms);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QString zone = m.captured(8);
    int offset = 0;
    if (zone != QLatin1String("Z")) {
        const int hours = zone.mid(1, 2).toInt(), minutes = zone.mid(4, 2).toInt();
        if (hours > 23 || minutes > 59)
            return std::nullopt;
        offset = (hours * 3600 + minutes * 60) * (zone.startsWith(u'-') ? -1 : 1);
    }
    return QDateTime(date, time, QTimeZone(offset)).toUTC();
}

} // namespace

std::optional<QDateTime> parseBackendDate(const QString& text) {
    if (auto d = parseIso(text, true))
        return d;
    return parseIso(text, false);
}

std::optional<QDateTime> parsePlainDate(const QString& text) {
    return parseIso(text, false);
}

QString formatPlainDate(const QDateTime& date) {
    return date.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + u'Z';
}

} // namespace vantorel
