#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace vantorel {

// What the program knows about its own package: identifier, information keys,
// resources and where it was started from.
class BundleInfo {
public:
    virtual ~BundleInfo() = default;
    virtual std::optional<QString> identifier() const = 0;
    // An information key ("CFBundleShortVersionString", "VantorelBackendBaseURL", ...).
    virtual std::optional<QVariant> infoValue(const QString& key) const = 0;
    // Contents of a resource file, or nothing when it is missing.
    virtual std::optional<QByteArray> resource(const QString& name, const QString& extension) const = 0;
    virtual QString executablePath() const = 0;
};

} // namespace vantorel
