#pragma once

#include <QString>
#include <optional>

namespace vantorel {

// What the file browser answers when asked to show its existing windows.
enum class FileBrowserRestore {
    Restored, // it had windows: all are shown, the front one first
    None,     // it has no window to show
    NoAnswer, // the request could not run, or the answer means neither
};

// How a request to close file-browser windows went.
struct ScriptOutcome {
    // False: the request could not even be made.
    bool ran = true;
    // What went wrong while it ran; none when it succeeded.
    std::optional<QString> error;
    // The request's answer, when it has one.
    std::optional<QString> result;
};

// The program's requests to other applications that only their own scripting
// (or the desktop's equivalent) can carry out.
class Scripting {
public:
    virtual ~Scripting() = default;
    // Shows every window of the file browser (minimised ones too), the front one first.
    virtual FileBrowserRestore restoreFileBrowserWindows() = 0;
    // Opens a new file-browser window on a folder, the home folder when none is
    // given. False when the request could not be made or failed.
    virtual bool openFileBrowserWindow(const std::optional<QString>& folder) = 0;
    // Asks the running application with this identifier to show a window again,
    // as a click on its icon in the system's dock does. True when the request ran.
    virtual bool reopenApplication(const QString& bundleIdentifier) = 0;
    // Closes the first file-browser window with this name; answers "closed" or "missing".
    virtual ScriptOutcome closeFileBrowserWindow(const QString& name) = 0;
    // Closes every window of the file browser.
    virtual ScriptOutcome closeAllFileBrowserWindows() = 0;
};

} // namespace vantorel
