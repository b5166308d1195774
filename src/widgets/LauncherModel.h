#pragma once

#include "core/Scheduler.h"
#include "platform/Workspace.h"

#include <QLocale>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vantorel {

// One installed application as the launcher lists it.
struct LauncherApp {
    QString url; // where it is installed
    QString name;
    std::optional<QString> bundleId;
    QStringList searchTerms;
};

// Sorted by name as the file browser sorts names: in the locale's order,
// ignoring case, numbers by their value ("App 2" before "App 10").
std::vector<LauncherApp> sortedLauncherApps(const std::vector<InstalledApplication>& found, const QLocale& locale);

// The search field's text without spaces and tabs at either end; line breaks stay.
QString launcherQuery(const QString& fieldText);

// What the list shows for a query: everything for an empty one; otherwise the
// applications whose name contains it (case ignored, in the locale), then
// those found only by a search term. Both keep the order of all.
std::vector<LauncherApp> filterLauncherApps(const std::vector<LauncherApp>& all, const QString& query,
                                            const QLocale& locale);

// Arrow keys: down stops at the last row, up at the first. No row is -1.
inline int rowBelow(int selected, int count) {
    return std::min(count - 1, selected + 1);
}
inline int rowAbove(int selected) {
    return std::max(0, selected - 1);
}
// Return opens the selected row, or the first when none is selected.
inline int rowToOpen(int selected) {
    return std::max(0, selected);
}

// The launcher closes itself once the pointer has stayed away from it and
// from the start button for a while, but never in its first second.
class LauncherDismissal {
public:
    static constexpr Duration kGrace = 1000ms;
    static constexpr Duration kAwayLimit = 500ms;

    explicit LauncherDismissal(Duration startedAt) : startedAt_(startedAt) {}
    // One look at the pointer; true when the launcher should close now.
    bool shouldClose(Duration now, bool pointerInside);
    const std::optional<Duration>& mouseOutSince() const { return mouseOutSince_; }

private:
    Duration startedAt_;
    std::optional<Duration> mouseOutSince_;
};

} // namespace vantorel
