#pragma once

#include "account/AccountError.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>
#include <optional>

namespace vantorel {

class SystemInfo;

// Trims white space and line breaks; empty stays empty; text with "://" is
// kept as it is; anything else gets "http://" in front. A path or a trailing
// slash stays.
QString normalizedBaseURLString(const QString& text);

// The request URL: `path` (which begins with "/") resolved against the base by
// the rules for relative references, so it replaces the base's path; a query
// in `path` survives. Nothing when the base or the result is not a valid URL
// (characters a URL may not hold, such as a blank, make it invalid).
std::optional<QUrl> baseURL(const QString& storedBaseURL);
std::optional<QUrl> requestURL(const QUrl& base, const QString& path);

// The message of an error answer: a non-empty "error" of a JSON object, else
// the body as UTF-8 text when it is valid and not empty, else the
// invalid-response text.
QString decodeAPIError(const QByteArray& body);

// True for "localhost" and hosts beginning with 10., 192.168. or 172.16. to 172.31.
bool isPrivateIPAddress(const QString& host);

// How a request failed below HTTP.
enum class NetworkFailure {
    CannotConnect, // refused
    CannotFindHost,
    TimedOut,
    ConnectionLost,    // closed by the other side
    NotConnected,      // no route, network down
    TransportSecurity, // the platform refused plain HTTP
    Other,
};

// The friendly message of a connection failure: the cannot-reach text with its
// hints, the transport-security text, or the platform's own description.
// `words` names this machine and its system as the platform's texts do.
// `base` is the base URL as stored (normalised), which the texts quote as it is.
AccountError mapNetworkError(NetworkFailure failure, const QString& platformDescription, const QString& base,
                             const SystemInfo& words);

// Dates in answers: ISO 8601 internet date-time with fractional seconds, else
// without; nothing otherwise.
std::optional<QDateTime> parseBackendDate(const QString& text);
// Stored dates: only without fractional seconds.
std::optional<QDateTime> parsePlainDate(const QString& text);
// 2025-01-02T03:04:05Z
QString formatPlainDate(const QDateTime& date);

} // namespace vantorel
