#pragma once

#include "apps/AppEntry.h"
#include "platform/Platform.h"

#include <QHash>
#include <QObject>
#include <functional>
#include <optional>
#include <vector>

namespace vantorel {

class Accessibility;
class PersistenceService;
class Scheduler;
class SettingsService;

// The application's standard windows with a window number, in the
// accessibility interface's order; nothing when its window list cannot be read.
std::optional<std::vector<WindowInfo>> readStandardWindows(Accessibility& ax, AppHandle app);

// The model behind the row of application buttons: the pinned list and the
// running applications of the workspace, optionally one entry per window.
class AppRegistryService : public QObject {
    Q_OBJECT
public:
    AppRegistryService(const Platform& platform, PersistenceService& persistence, const SettingsService& settings,
                       Scheduler& scheduler, QObject* parent = nullptr);
    ~AppRegistryService() override;

    // Where fresh lists go; unset drops them.
    std::function<void(const std::vector<AppEntry>&)> onEntriesChanged;

    // Pinned applications in pinned order, then the other running regular
    // applications in workspace order, expanded into windows when asked to.
    std::vector<AppEntry> buildEntries();
    // Hands a fresh list to onEntriesChanged, when set.
    void publish();
    // The same for the periodic check, which the workspace may spare: nothing
    // is built when it says that nothing changed since the last list.
    void refresh();

    void pin(const QString& bundleId);
    void unpin(const QString& bundleId);
    // Moves (and pins) an application to a position of the shown list.
    void reorderApp(const QString& bundleId, int toVisualIndex);

    const QStringList& pinnedBundleIds() const { return pinnedBundleIds_; }

    // Lookups shared with the menu and the launcher; locations and pinned
    // applications' icons are cached until the application launches again.
    std::optional<QString> applicationLocation(const QString& bundleId);
    QString nameForBundleId(const QString& bundleId);
    QIcon iconForBundleId(const QString& bundleId, const RunningApplication* running);
    std::vector<WindowInfo> standardWindows(AppHandle app);
    std::optional<quint32> focusedWindowNumber();
    bool hasRealWindow(const RunningApplication& app, bool trusted);

private:
    void observeWorkspace();
    void forgetCaches(AppHandle launched);
    void storeAndPublish();
    void expandIntoWindows(std::vector<AppEntry>& entries);

    Platform platform_;
    PersistenceService& persistence_;
    const SettingsService& settings_;
    Scheduler& scheduler_;
    QStringList pinnedBundleIds_;
    std::optional<quint64> publishedRevision_;
    QHash<QString, QIcon> iconCache_;
    QHash<QString, QString> urlCache_;
    std::vector<QMetaObject::Connection> observers_;
};

} // namespace vantorel
