#include "app/PersistenceService.h"

#include "platform/BundleInfo.h"
#include "platform/DefaultsStore.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"

namespace vantorel {

PersistenceService::PersistenceService(DefaultsStore& defaults, QString domain, const Workspace& workspace)
    : defaults_(defaults), domain_(std::move(domain)), workspace_(workspace) {}

PersistenceService& PersistenceService::shared() {
    static PersistenceService instance = [] {
        auto& p = Platform::installed();
        return PersistenceService(*p.defaults, p.bundle->identifier().value_or(QStringLiteral("com.vantorel.app")),
                                  *p.workspace);
    }();
    return instance;
}

AppSettings PersistenceService::loadSettings() const {
    const auto blob = defaults_.data(domain_, settingsKey);
    if (!blob)
        return AppSettings{};
    return AppSettings::fromJson(*blob).value_or(AppSettings{});
}

bool PersistenceService::saveSettings(const AppSettings& settings) {
    const auto json = settings.toJson();
    if (!json)
        return false;
    defaults_.setValue(domain_, settingsKey, *json);
    return true;
}

std::optional<QStringList> PersistenceService::loadPinnedApps() const { return defaults_.stringArray(domain_, pinnedKey); }

void PersistenceService::savePinnedApps(const QStringList& bundleIds) { defaults_.setValue(domain_, pinnedKey, bundleIds); }

QStringList PersistenceService::defaultPinnedApps() const {
    QStringList out;
    for (const auto& id : workspace_.defaultPinnedCandidates())
        if (workspace_.applicationLocation(id))
            out << id;
    return out;
}

std::optional<QByteArray> PersistenceService::loadAccountStateData() const { return defaults_.data(domain_, accountStateKey); }

void PersistenceService::saveAccountStateData(const QByteArray& json) { defaults_.setValue(domain_, accountStateKey, json); }

} // namespace vantorel
