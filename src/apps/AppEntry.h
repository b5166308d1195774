#pragma once

#include "platform/Workspace.h"

#include <QIcon>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vantorel {

// One button of the taskbar: an application, or one window of it.
struct AppEntry {
    // The application's identifier; "pid:" and the process id for one without.
    QString bundleId;
    QString name;
    // Null when none could be found.
    QIcon icon;
    bool isPinned = false;
    bool isRunning = false;
    // For a window entry: the application is active and this is its focused window.
    bool isActive = false;
    bool isLaunching = false;
    std::optional<qint64> pid;
    std::optional<RunningApplication> runningApp;
    // Present exactly for a window entry, together with windowTitle.
    std::optional<quint32> windowID;
    std::optional<QString> windowTitle;
    bool isMinimized = false;

    bool isWindowEntry() const { return windowID.has_value(); }
    // Identifies the entry's button across lists: the identifier, plus "#" and
    // the window number for a window entry.
    QString key() const;

    // Name, icon, process and application object are left out: a change in
    // them alone does not redraw a button.
    friend bool operator==(const AppEntry& a, const AppEntry& b);
};

// A standard window of an application, as the accessibility interface lists it.
struct WindowInfo {
    quint32 id = 0;
    QString title; // trimmed, may be empty
    bool isMinimized = false;
    friend bool operator==(const WindowInfo&, const WindowInfo&) = default;
};

inline const QString kPidPrefix = QStringLiteral("pid:");
inline bool isProcessIdentifier(const QString& bundleId) { return bundleId.startsWith(kPidPrefix); }

// The pinned list after dropping `bundleId` at `visualIndex` of the shown list
// `shown` (window entries included). Several entries of one application count
// once; dropping among the unpinned ones puts it at the end of the pinned group.
QStringList reorderedPins(QStringList pinned, const std::vector<AppEntry>& shown, const QString& bundleId,
                          int visualIndex);

// Button geometry that depends on the icon scale (iconScalePercent / 100, clamped).
double appButtonWidth(const AppEntry& entry, double scale);
// Order and pinned flags of a list: the row is rebuilt only when this changes.
QString stackSignature(const std::vector<AppEntry>& entries);
// The same with the entries' keys at hand.
QString stackSignature(const std::vector<AppEntry>& entries, const std::vector<QString>& keys);

// What assistive technologies read for a button.
QString accessibilityLabel(const AppEntry& entry);
QString accessibilityValue(const AppEntry& entry);

} // namespace vantorel
