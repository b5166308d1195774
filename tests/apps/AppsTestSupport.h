#pragma once

#include "app/PersistenceService.h"
#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "apps/AppEntry.h"
#include "core/ManualScheduler.h"
#include "platform/sim/SimDesktop.h"

#include <QStringList>
#include <vector>

namespace vantorel::test {

inline const QString kFinder = QStringLiteral("com.apple.finder");
inline const QString kMail = QStringLiteral("com.apple.mail");
inline const QString kSafari = QStringLiteral("com.apple.Safari");
inline const QString kSettingsApp = QStringLiteral("com.apple.systempreferences");
inline const QString kChrome = QStringLiteral("com.google.Chrome");
inline const QString kEditor = QStringLiteral("com.example.Editor");
inline const QString kViewer = QStringLiteral("com.example.Viewer");
inline const QString kSelf = QStringLiteral("com.vantorel.app");
inline const Rect kFrame{100, 100, 800, 600};
inline const Rect kOther{300, 200, 640, 480};

// A simulated desktop with the services the application row reads.
struct AppsWorld {
    SimDesktop desktop;
    ManualScheduler scheduler;
    Platform platform = desktop.platform();
    PersistenceService persistence{desktop.memoryDefaults, kSelf, desktop.workspace};
    SettingsService settings{persistence};
    ThemeService theme{desktop.theme};

    void setSetting(const std::function<void(AppSettings&)>& change) { settings.update(change); }
    std::optional<QStringList> storedPins() const { return persistence.loadPinnedApps(); }
};

inline QStringList keys(const std::vector<AppEntry>& entries) {
    QStringList out;
    for (const auto& e : entries)
        out << e.key();
    return out;
}

inline AppEntry appEntry(const QString& id, bool pinned, bool running = true, bool active = false) {
    AppEntry e;
    e.bundleId = id;
    e.name = id.section(u'.', -1);
    e.isPinned = pinned;
    e.isRunning = running;
    e.isActive = active;
    return e;
}

inline AppEntry windowEntry(const QString& id, quint32 window, const QString& title, bool pinned = false) {
    AppEntry e = appEntry(id, pinned);
    e.windowID = window;
    e.windowTitle = title;
    return e;
}

} // namespace vantorel::test
