#include "account/AccountConfiguration.h"

#include "platform/BundleInfo.h"

namespace vantorel::AccountConfiguration {

namespace {
std::optional<QString> infoText(const BundleInfo& bundle, const char* key) {
    const auto v = bundle.infoValue(QLatin1String(key));
    if (!v || v->typeId() != QMetaType::QString)
        return std::nullopt;
    const QString text = v->toString().trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}
} // namespace

QString defaultBackendBaseURL(const BundleInfo& bundle) {
    return infoText(bundle, "VantorelBackendBaseURL").value_or(QLatin1String(kDefaultBackend));
}

std::optional<QUrl> configuredWebsiteURL(const BundleInfo& bundle) {
    const auto text = infoText(bundle, "VantorelWebsiteURL");
    if (!text)
        return std::nullopt;
    const QUrl url(*text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    return url;
}

bool isLocalDevelopmentBackendURL(const QString& url) {
    const QString s = url.trimmed().toLower();
    return s.isEmpty() || s == QLatin1String("http://127.0.0.1:8787") || s == QLatin1String("http://localhost:8787");
}

} // namespace vantorel::AccountConfiguration
