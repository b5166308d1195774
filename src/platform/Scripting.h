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
};

} // namespace vantorel
