#pragma once

#include "apps/AppEntry.h"
#include "core/Geometry.h"
#include "platform/Accessibility.h"
#include "platform/Platform.h"
#include "platform/Scripting.h"

#include <QObject>
#include <functional>
#include <optional>
#include <vector>

namespace vantorel {

class AppRegistryService;
class Scheduler;
class Workspace;

// The application an entry stands for: its own while it runs, else the first
// running regular application with the entry's identifier.
std::optional<RunningApplication> resolveRunningApplication(const AppEntry& entry, const Workspace& workspace);

// How far a window's frame is from the frame it was seen with elsewhere: the
// distance of the centres plus a quarter of the width and height differences.
double windowMatchScore(const Rect& frame, const Rect& expected);

// What a click on an application button does: launch, bring forward,
// minimise, or for a window button raise or minimise that one window. Also
// brings forward one window chosen elsewhere (a preview).
class ActivationController : public QObject {
    Q_OBJECT
public:
    // The platform must provide the workspace, accessibility, window server and scripting.
    ActivationController(const Platform& platform, Scheduler& scheduler, AppRegistryService& registry,
                         QObject* parent = nullptr);

    // The registry the application menu reads; the click itself does not.
    AppRegistryService& registry() const { return registry_; }

    // A click on a button.
    void activate(const AppEntry& entry);
    // Starts an application; for the file browser, shows or opens one of its windows.
    void launch(const QString& bundleId);
    // A click on a window button: minimises the focused window, else shows and focuses it.
    void toggleWindow(quint32 windowID, const RunningApplication& app, const AppEntry& entry);
    // A window chosen elsewhere: its application comes forward with the window
    // that best matches title, number and frame in front. Launches what does not run.
    void selectWindow(const AppEntry& entry, const std::optional<QString>& title, std::optional<quint32> number,
                      const std::optional<Rect>& expectedBounds);

    // A running application (not the file browser) is already in front.
    bool shouldMinimizeOnClick(const AppEntry& entry, const RunningApplication& app) const;
    // The file browser is in front and shows a window.
    bool shouldMinimizeFileBrowserOnClick(const RunningApplication& app) const;
    // The application shows a normal window larger than 80 x 60.
    bool hasUsableOnScreenWindow(const RunningApplication& app) const;

    std::vector<AXElement> axWindows(const RunningApplication& app) const;
    // Every window shown (minimised ones restored) and raised, in the application's order.
    void raiseAllWindows(const RunningApplication& app);
    // The first window that is not minimised becomes the main, focused one.
    void focusFrontmostWindow(const RunningApplication& app);
    // Full-screen windows leave full screen first and are minimised 0.6 s later.
    void minimizeAllWindows(const RunningApplication& app);

    FileBrowserRestore restoreExistingFileBrowserWindow();
    // A new file-browser window on the home folder, else the home folder opened.
    void openNewFileBrowserWindow();

    // 0.22 s later, an application still in front without a usable window is
    // recovered, unless another click came meanwhile.
    void scheduleVisibilityRecovery(const RunningApplication& app);
    // The reopen request, then (0.24 s after it ran, 0.06 s after it failed) its New Window command.
    void recoverMissingVisibleWindow(const RunningApplication& app);
    bool requestReopen(const RunningApplication& app);
    // The application again by handle, preferring a match of handle and identifier.
    std::optional<RunningApplication> lookupRunningApplication(AppHandle app,
                                                               const std::optional<QString>& bundleId) const;

    // A window's frame in the top-left space, when position and size both read.
    std::optional<Rect> axFrame(const AXElement& window) const;
    // By number first; then among the windows of that title (all, when none
    // has it) the first, or with a frame given the one whose frame matches best.
    std::optional<AXElement> selectBestWindow(const std::vector<AXElement>& windows,
                                              const std::optional<QString>& matchingTitle,
                                              std::optional<quint32> matchingNumber,
                                              const std::optional<Rect>& expectedBounds) const;
    void focusWindow(const RunningApplication& app, const std::optional<QString>& matchingTitle,
                     std::optional<quint32> matchingNumber, const std::optional<Rect>& expectedBounds);

    // The application's own New Window menu command, tried for an application
    // that still shows no window after the reopen request; answers whether an
    // item was pressed. Unset: nothing more is tried.
    std::function<bool(const RunningApplication& app, bool openingMenus)> tryInvokeNewWindowMenu;

    // This program may read and act on other applications' windows.
    bool trusted() const;
    bool isFileBrowser(const QString& bundleId) const;

private:
    bool isFrontmost(AppHandle app) const;
    void bringForward(const RunningApplication& app);
    void showAllWindows(const RunningApplication& app);
    void minimize(const RunningApplication& app);
    void restoreFileBrowser(const RunningApplication& app);
    void focus(const RunningApplication& app, const AXElement& window);

    Platform platform_;
    Scheduler& scheduler_;
    AppRegistryService& registry_;
    // A later click is the user's newer word: a recovery still pending from an
    // earlier one would undo it (a window reopened right after "put it away").
    quint64 clicks_ = 0;
};

} // namespace vantorel
