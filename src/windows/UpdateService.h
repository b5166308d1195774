#pragma once

#include <QObject>
#include <QString>
#include <optional>

namespace vantorel {

// Knows whether software updates are configured and whether a newer version
// is available. The update framework behind it is connected separately; until
// then nothing is configured and no version is ever announced.
class UpdateService : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    static UpdateService& shared();

    void start() {}
    std::optional<QString> availableVersion() const { return availableVersion_; }
    bool isConfigured() const { return configured_; }
    bool hasUpdater() const { return configured_; }
    void checkForUpdates() { Q_EMIT checkRequested(); }
    // The updater's own automatic-check preference; only meaningful while configured.
    bool automaticallyChecksForUpdates() const { return automaticChecks_; }
    void setAutomaticallyChecksForUpdates(bool on) { automaticChecks_ = on; }

    // Used by the update framework's delegate.
    void setConfigured(bool configured) { configured_ = configured; }
    void setAvailableVersion(std::optional<QString> version);

Q_SIGNALS:
    // "com.vantorel.updates.availabilityDidChange"
    void availabilityDidChange();
    void checkRequested();

private:
    std::optional<QString> availableVersion_;
    bool configured_ = false;
    bool automaticChecks_ = false;
};

} // namespace vantorel
