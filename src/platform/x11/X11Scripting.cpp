#include "platform/x11/X11Scripting.h"

#include "core/Log.h"
#include "platform/x11/DesktopEntryIndex.h"
#include "platform/x11/X11Launcher.h"
#include "platform/x11/X11Workspace.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDir>
#include <QUrl>

namespace vantorel {

X11Scripting::X11Scripting(X11Workspace& workspace, DesktopEntryIndex& index, X11Launcher& launcher)
    : workspace_(workspace), index_(index), launcher_(launcher) {}

FileBrowserRestore X11Scripting::restoreFileBrowserWindows() {
    const QString id = workspace_.fileBrowserIdentifier();
    if (id.isEmpty())
        return FileBrowserRestore::NoAnswer;
    const X11AppGroup* group = nullptr;
    for (const auto& g : workspace_.groups())
        if (g.desktopId == id)
            group = &g;
    std::vector<xcb_window_t> windows; // front to back
    if (group)
        for (xcb_window_t w : group->windows)
            if (const X11Window* window = workspace_.tracker().window(w); window && workspace_.isNormalWindow(*window))
                windows.push_back(w);
    if (windows.empty())
        return FileBrowserRestore::None;
    // Back to front, so that the front window ends up in front again, and active.
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (const X11Window* window = workspace_.tracker().window(*it); window && workspace_.isMinimized(*window))
            workspace_.requestActivate(*it);
    workspace_.requestActivate(windows.front());
    return FileBrowserRestore::Restored;
}

std::vector<xcb_window_t> X11Scripting::fileBrowserWindows() const {
    const QString id = workspace_.fileBrowserIdentifier();
    std::vector<xcb_window_t> windows;
    for (const auto& g : workspace_.groups())
        if (!id.isEmpty() && g.desktopId == id)
            for (xcb_window_t w : g.windows)
                if (const X11Window* window = workspace_.tracker().window(w);
                    window && workspace_.isNormalWindow(*window))
                    windows.push_back(w);
    return windows;
}

ScriptOutcome X11Scripting::closeFileBrowserWindow(const QString& name) {
    if (workspace_.fileBrowserIdentifier().isEmpty())
        return {false, QStringLiteral("no file manager is set"), std::nullopt};
    // The window list names the file manager's windows as their titles do.
    for (xcb_window_t w : fileBrowserWindows())
        if (workspace_.tracker().window(w)->title == name) {
            workspace_.requestClose(w);
            return {true, std::nullopt, QStringLiteral("closed")};
        }
    return {true, std::nullopt, QStringLiteral("missing")};
}

ScriptOutcome X11Scripting::closeAllFileBrowserWindows() {
    if (workspace_.fileBrowserIdentifier().isEmpty())
        return {false, QStringLiteral("no file manager is set"), std::nullopt};
    for (xcb_window_t w : fileBrowserWindows())
        workspace_.requestClose(w);
    return {};
}

bool X11Scripting::launchFileBrowser(const QString& folder) {
    const QString id = workspace_.fileBrowserIdentifier();
    const DesktopEntry* entry = id.isEmpty() ? nullptr : index_.find(id);
    return entry && launcher_.launch(id, *entry, {QUrl::fromLocalFile(folder)});
}

bool X11Scripting::openFileBrowserWindow(const std::optional<QString>& folder) {
    const QString path = folder.value_or(QDir::homePath());
    const QDBusConnection& bus = launcher_.bus();
    if (!bus.isConnected())
        return launchFileBrowser(path);
    QString startupId;
    const QString id = workspace_.fileBrowserIdentifier();
    if (const DesktopEntry* entry = id.isEmpty() ? nullptr : index_.find(id))
        startupId = launcher_.beginStartup(id, *entry);
    auto call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowFolders"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << startupId;
    // Never waited for: a file manager that starts on this call may take seconds.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), &pending_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [this, path](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (!w->isError())
            return;
        Log::app().info(
            QStringLiteral("No file manager on the session bus (%1); starting one on %2").arg(w->error().name(), path));
        launchFileBrowser(path);
    });
    return true;
}

bool X11Scripting::reopenApplication(const QString& bundleIdentifier) {
    const DesktopEntry* entry = index_.find(bundleIdentifier);
    return entry && launcher_.launch(bundleIdentifier, *entry);
}

} // namespace vantorel
