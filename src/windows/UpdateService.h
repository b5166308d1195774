#pragma once

#include "core/Scheduler.h"
#include "updates/Appcast.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

namespace vantorel {

class Alerts;
class AppcastUpdater;
class BundleInfo;
class DefaultsStore;
class PackageInstaller;

struct UpdateServiceDependencies {
    const BundleInfo& bundle;
    Scheduler& scheduler;
    DefaultsStore& defaults;
    Alerts& alerts;
    // None: an update is found and announced, but cannot be installed.
    PackageInstaller* installer = nullptr;
    QString downloadDirectory;
};

// Software updates: starts the updater when this build names its feed and
// key, probes quietly for a newer version, keeps the version found and
// announces its changes. A user-initiated check talks to the user.
class UpdateService : public QObject {
    Q_OBJECT
public:
    static constexpr Duration kFirstProbeDelay = 15s;
    static constexpr Duration kProbeInterval = 6h;
    static constexpr Duration kProbeTolerance = 600s;

    // Without dependencies: never configured (views that only show the state).
    explicit UpdateService(QObject* parent = nullptr);
    explicit UpdateService(UpdateServiceDependencies deps, QObject* parent = nullptr);
    ~UpdateService() override;
    static UpdateService& shared();

    // SUPublicEDKey a non-empty string not beginning with "REPLACE", and
    // SUFeedURL a string that makes an absolute URL.
    static bool isConfigured(const BundleInfo& bundle);

    // Once: makes the updater and schedules the probes, or logs why not.
    void start();
    std::optional<QString> availableVersion() const { return availableVersion_; }
    bool isConfigured() const { return configured_; }
    bool hasUpdater() const { return configured_; }
    AppcastUpdater* updater() const { return updater_.get(); }
    // Asks the feed and tells the user what it found; offers to install a newer version.
    void checkForUpdates();
    // The updater's own automatic-check preference; only meaningful while configured.
    bool automaticallyChecksForUpdates() const;
    void setAutomaticallyChecksForUpdates(bool on);

    // Views' tests stand in for a configured build.
    void setConfigured(bool configured) { configured_ = configured; }
    // Posts availabilityDidChange only when the value changes.
    void setAvailableVersion(std::optional<QString> version);

Q_SIGNALS:
    // "com.vantorel.updates.availabilityDidChange"
    void availabilityDidChange();
    void checkRequested();
    void downloadProgress(qint64 received, qint64 total);

private:
    void probe();
    void found(const AppcastItem& item);
    void notFound();
    void failed(const QString& message);
    void offerInstall(const AppcastItem& item);
    void tell(bool warning, const QString& title, const QString& text);

    std::optional<UpdateServiceDependencies> deps_;
    std::unique_ptr<AppcastUpdater> updater_;
    std::optional<AppcastItem> foundItem_;
    std::optional<QString> availableVersion_;
    ScheduledTask firstProbe_;
    ScheduledTask probeTimer_;
    bool configured_ = false;
    bool automaticChecks_ = false;
    bool userInitiated_ = false;
};

} // namespace vantorel
