#pragma once

#include "platform/Scripting.h"

#include <QObject>
#include <vector>
#include <xcb/xcb.h>

namespace vantorel {

class DesktopEntryIndex;
class X11Launcher;
class X11Workspace;

// The program's requests to other applications on an X11 desktop, carried
// out by what they mean rather than by scripts: the file browser's windows
// from the window list, a new file-browser window through
// org.freedesktop.FileManager1 (else by starting the file manager on the
// folder), a reopen through org.freedesktop.Application or by starting the
// application's entry again. Never a shell.
class X11Scripting : public Scripting {
public:
    X11Scripting(X11Workspace& workspace, DesktopEntryIndex& index, X11Launcher& launcher);

    // Every window of the file browser is shown, the front one activated.
    // None when it does not run: starting a file manager opens a window by itself.
    FileBrowserRestore restoreFileBrowserWindows() override;
    bool openFileBrowserWindow(const std::optional<QString>& folder) override;
    bool reopenApplication(const QString& bundleIdentifier) override;
    // The file manager's windows are found in the window list by title, and asked to close.
    ScriptOutcome closeFileBrowserWindow(const QString& name) override;
    ScriptOutcome closeAllFileBrowserWindows() override;

private:
    // Its normal windows, front to back.
    std::vector<xcb_window_t> fileBrowserWindows() const;
    bool launchFileBrowser(const QString& folder);

    X11Workspace& workspace_;
    DesktopEntryIndex& index_;
    X11Launcher& launcher_;
    // Parent of the calls still waiting for their answer: they go with us.
    QObject pending_;
};

} // namespace vantorel
