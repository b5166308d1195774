#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace vantorel {

class BundleInfo;

// Where the backend and the account website are, from the bundle's information keys.
namespace AccountConfiguration {

inline constexpr const char* kDefaultBackend = "http://127.0.0.1:8787";

// VantorelBackendBaseURL, trimmed; when absent, not text or empty: http://127.0.0.1:8787.
QString defaultBackendBaseURL(const BundleInfo& bundle);
// VantorelWebsiteURL, trimmed, as a URL; nothing when missing, empty or not a URL.
std::optional<QUrl> configuredWebsiteURL(const BundleInfo& bundle);
// Empty, http://127.0.0.1:8787 or http://localhost:8787 (trimmed, any case).
bool isLocalDevelopmentBackendURL(const QString& url);

} // namespace AccountConfiguration
} // namespace vantorel
