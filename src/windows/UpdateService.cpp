#include "windows/UpdateService.h"

#include "app/AppInfo.h"
#include "core/Log.h"
#include "platform/Alerts.h"
#include "platform/BundleInfo.h"
#include "platform/DefaultsStore.h"
#include "platform/PackageInstaller.h"
#include "platform/Platform.h"
#include "updates/AppcastUpdater.h"

#include <QStandardPaths>

namespace vantorel {

namespace {

std::optional<QString> stringKey(const BundleInfo& bundle, const char* key) {
    const auto v = bundle.infoValue(QLatin1String(key));
    if (!v || v->typeId() != QMetaType::QString)
        return std::nullopt;
    return v->toString();
}

// Refuses every package: a build without an installer still finds updates.
class NoInstaller : public PackageInstaller {
public:
    void install(const QString& path, std::function<void(Status)> completion) override {
        completion(Status::failure(QStringLiteral("This build cannot install updates. The package is %1.").arg(path)));
    }
};

} // namespace

UpdateService::UpdateService(QObject* parent) : QObject(parent) {}

UpdateService::UpdateService(UpdateServiceDependencies deps, QObject* parent)
    : QObject(parent), deps_(std::move(deps)), configured_(isConfigured(deps_->bundle)) {}

UpdateService::~UpdateService() = default;

UpdateService& UpdateService::shared() {
    static auto* instance = [] {
        auto& p = Platform::installed();
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        return new UpdateService(UpdateServiceDependencies{*p.bundle, Scheduler::shared(), *p.defaults, *p.alerts,
                                                           p.packageInstaller, cache + QStringLiteral("/updates")});
    }();
    return *instance;
}

bool UpdateService::isConfigured(const BundleInfo& bundle) {
    const auto key = stringKey(bundle, "SUPublicEDKey");
    const auto feed = stringKey(bundle, "SUFeedURL");
    if (!key || key->isEmpty() || key->startsWith(QLatin1String("REPLACE")) || !feed)
        return false;
    const QUrl url(feed->trimmed(), QUrl::StrictMode);
    return url.isValid() && !url.isRelative() && !url.host().isEmpty();
}

void UpdateService::start() {
    if (updater_ || !deps_)
        return;
    if (!configured_) {
        Log::updates().info(QStringLiteral("Updates disabled: SUPublicEDKey/SUFeedURL not set in Info.json"));
        return;
    }
    static NoInstaller noInstaller;
    const QString domain = deps_->bundle.identifier().value_or(QStringLiteral("com.vantorel.app"));
    updater_ = std::make_unique<AppcastUpdater>(AppcastUpdaterConfig{
        QUrl(stringKey(deps_->bundle, "SUFeedURL")->trimmed()), *stringKey(deps_->bundle, "SUPublicEDKey"),
        AppInfo::version(deps_->bundle), deps_->defaults, domain,
        deps_->installer ? *deps_->installer : static_cast<PackageInstaller&>(noInstaller), deps_->scheduler,
        deps_->downloadDirectory});
    connect(updater_.get(), &AppcastUpdater::didFindValidUpdate, this, &UpdateService::found);
    connect(updater_.get(), &AppcastUpdater::didNotFindUpdate, this, &UpdateService::notFound);
    connect(updater_.get(), &AppcastUpdater::checkFailed, this, &UpdateService::failed);
    connect(updater_.get(), &AppcastUpdater::downloadProgress, this, &UpdateService::downloadProgress);
    connect(updater_.get(), &AppcastUpdater::updateRefused, this, [this](const QString& why) {
        tell(true, QStringLiteral("Update Refused"), why + QStringLiteral(" Vantorel did not install it."));
    });
    connect(updater_.get(), &AppcastUpdater::installFinished, this, [this](const Status& status) {
        if (status.ok())
            tell(false, QStringLiteral("Update Installed"),
                 QStringLiteral("Vantorel %1 is installed. Quit Vantorel and open it again to use it.")
                     .arg(foundItem_ ? foundItem_->displayVersion() : QString()));
        else
            tell(true, QStringLiteral("Unable to Install Update"), status.error());
    });
    firstProbe_ = deps_->scheduler.after(kFirstProbeDelay, this, [this] { probe(); });
    probeTimer_ = deps_->scheduler.every(kProbeInterval, kProbeTolerance, this, [this] { probe(); });
}

void UpdateService::probe() {
    if (updater_ && updater_->automaticallyChecksForUpdates() && updater_->canCheckForUpdates())
        updater_->checkForUpdateInformation();
}

void UpdateService::checkForUpdates() {
    Q_EMIT checkRequested();
    if (!updater_)
        return;
    if (updater_->isInstalling())
        return;
    userInitiated_ = true;
    if (updater_->canCheckForUpdates())
        updater_->checkForUpdateInformation();
}

bool UpdateService::automaticallyChecksForUpdates() const {
    return updater_ ? updater_->automaticallyChecksForUpdates() : automaticChecks_;
}

void UpdateService::setAutomaticallyChecksForUpdates(bool on) {
    if (updater_)
        updater_->setAutomaticallyChecksForUpdates(on);
    else
        automaticChecks_ = on;
}

void UpdateService::setAvailableVersion(std::optional<QString> version) {
    if (version == availableVersion_)
        return;
    availableVersion_ = std::move(version);
    Q_EMIT availabilityDidChange();
}

void UpdateService::found(const AppcastItem& item) {
    Log::updates().info(QStringLiteral("Update available: %1").arg(item.displayVersion()));
    foundItem_ = item;
    setAvailableVersion(item.displayVersion());
    if (std::exchange(userInitiated_, false))
        offerInstall(item);
}

void UpdateService::notFound() {
    foundItem_.reset();
    setAvailableVersion(std::nullopt);
    if (std::exchange(userInitiated_, false))
        tell(false, QStringLiteral("You're up to date!"),
             QStringLiteral("Vantorel %1 is currently the newest version available.").arg(updater_->currentVersion()));
}

void UpdateService::failed(const QString& message) {
    if (std::exchange(userInitiated_, false))
        tell(true, QStringLiteral("Unable to Check for Updates"), message);
}

void UpdateService::offerInstall(const AppcastItem& item) {
    AlertSpec offer;
    offer.style = AlertStyle::Informational;
    offer.message = QStringLiteral("A new version of Vantorel is available!");
    offer.informativeText =
        QStringLiteral("Vantorel %1 is now available—you have %2. Would you like to install it now?")
            .arg(item.displayVersion(), updater_->currentVersion());
    offer.buttons = {QStringLiteral("Install Update"), QStringLiteral("Remind Me Later")};
    if (deps_->alerts.runModal(offer) == 0 && updater_)
        updater_->installUpdate(item);
}

void UpdateService::tell(bool warning, const QString& title, const QString& text) {
    deps_->alerts.inform(warning ? AlertStyle::Warning : AlertStyle::Informational, title, text);
}

} // namespace vantorel
