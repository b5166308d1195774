#pragma once

#include "app/AppSettings.h"

#include <QStringList>
#include <optional>

namespace vantorel {

class DefaultsStore;
class Workspace;

// Writes the settings, the pinned list and the account state into the
// program's user defaults.
class PersistenceService {
public:
    const QString pinnedKey = QStringLiteral("com.vantorel.pinnedApps");
    const QString settingsKey = QStringLiteral("com.vantorel.settings");
    const QString accountStateKey = QStringLiteral("com.vantorel.accountState");

    PersistenceService(DefaultsStore& defaults, QString domain, const Workspace& workspace);
    static PersistenceService& shared();

    AppSettings loadSettings() const;
    // Returns false when the settings could not be encoded (nothing written).
    bool saveSettings(const AppSettings& settings);

    std::optional<QStringList> loadPinnedApps() const;
    void savePinnedApps(const QStringList& bundleIds);
    QStringList defaultPinnedApps() const;

    // The account state's JSON; its record is the account session's business.
    std::optional<QByteArray> loadAccountStateData() const;
    void saveAccountStateData(const QByteArray& json);

    DefaultsStore& defaults() const { return defaults_; }
    const QString& domain() const { return domain_; }

private:
    DefaultsStore& defaults_;
    QString domain_;
    const Workspace& workspace_;
};

} // namespace vantorel
