#pragma once

#include "platform/Workspace.h"
#include "platform/x11/DesktopEntry.h"
#include "platform/x11/X11WindowTracker.h"

#include <QHash>
#include <chrono>
#include <unordered_map>

namespace vantorel {

class AppMatcher;
class DesktopEntryIndex;
class DesktopIconLookup;
class MimeDefaults;
class X11Launcher;
class X11UserTime;

// One application on X11: the processes whose windows belong to one desktop
// entry (or one process without an entry, listed as "pid:N").
struct X11AppGroup {
    QString key; // the desktop-file id, or "pid:N"
    std::optional<QString> desktopId;
    std::vector<qint64> pids;          // first one is the group's process id
    std::vector<xcb_window_t> windows; // front to back
    RunningApplication info;           // info.handle names the group while it lives
};

// Running applications built from the window tracker and the installed
// desktop entries; acts on them through EWMH requests and signals.
class X11Workspace : public Workspace {
    Q_OBJECT
public:
    X11Workspace(X11WindowTracker& tracker, DesktopEntryIndex& index, AppMatcher& matcher, MimeDefaults& mime,
                 DesktopIconLookup& icons, X11Launcher& launcher, const X11UserTime& userTime, qint64 ownPid,
                 QObject* parent = nullptr);

    std::vector<RunningApplication> runningApplications() const override;
    std::optional<RunningApplication> frontmostApplication() const override;
    std::optional<QString> applicationLocation(const QString& bundleIdentifier) const override;
    bool openUrl(const QString& url) override;
    bool openApplication(const QString& bundleIdentifier) override;
    std::vector<InstalledApplication> installedApplications() const override;
    bool openApplicationAt(const QString& location) override;
    bool revealInFileBrowser(const QString& path) override;
    bool hide(AppHandle app) override;
    bool unhide(AppHandle app) override;
    bool activate(AppHandle app, bool allWindows) override;
    bool terminate(AppHandle app) override;
    bool forceTerminate(AppHandle app) override;
    std::optional<AppHandle> currentApplication() const override;
    std::optional<quint64> stateRevision() const override { return revision_; }
    QString applicationDisplayName(const QString& bundleIdentifier) const override;
    QIcon icon(const RunningApplication& application) const override;
    QIcon iconForFile(const QString& path) const override;
    QString fileBrowserIdentifier() const override;
    QString fileBrowserName() const override;
    QStringList defaultPinnedCandidates() const override;
    // Starting a Linux file manager opens a window.
    bool fileBrowserRunsWithoutWindows() const override { return false; }

    // The extra commands of an application's desktop entry, and starting one.
    std::vector<DesktopAction> applicationActions(AppHandle app) const;
    bool launchAction(AppHandle app, const QString& actionId);

    // In the order the applications first appeared.
    const std::vector<X11AppGroup>& groups() const { return groups_; }
    const X11AppGroup* group(AppHandle app) const;
    const X11AppGroup* groupForWindow(xcb_window_t window) const;
    // Minimised, or asked to be and the window manager has not answered yet.
    bool isMinimized(const X11Window& w) const;
    bool isNormalWindow(const X11Window& w) const;
    bool skipsTaskbar(const X11Window& w) const;

    X11WindowTracker& tracker() const { return tracker_; }

    // Requests to the window manager, shared with the accessibility port.
    // Activation carries the time of the user's last input to our windows.
    void requestActivate(xcb_window_t window);
    void requestIconify(xcb_window_t window);
    void requestClose(xcb_window_t window);
    void requestFullScreen(xcb_window_t window, bool on);
    void requestMoveResize(xcb_window_t window, std::optional<QPoint> frameTopLeft, std::optional<QSize> frameSize);

    // Rebuilds the groups now (normally after each debounced change).
    void rebuild();

private:
    struct ProcessFacts {
        QString executablePath;
        QStringList commandLine;
    };
    std::optional<QString> desktopIdFor(const X11Window& w);
    bool signalGroup(AppHandle app, int signal);
    QIcon windowIcon(xcb_window_t window) const;
    void expectMinimized(xcb_window_t window, bool minimized);

    X11WindowTracker& tracker_;
    DesktopEntryIndex& index_;
    AppMatcher& matcher_;
    MimeDefaults& mime_;
    DesktopIconLookup& icons_;
    X11Launcher& launcher_;
    const X11UserTime& userTime_;
    qint64 ownPid_;
    std::vector<X11AppGroup> groups_;
    // Handles live as long as their group: a group that ends and comes back is
    // a new application and goes to the end of the list.
    QHash<QString, AppHandle> handles_;
    qint64 nextHandle_ = 1;
    // Everything the taskbar reads comes from the tracker's state, which only
    // changes through a rebuild; so each rebuild is a new revision.
    quint64 revision_ = 0;
    QHash<qint64, ProcessFacts> processFacts_;
    std::unordered_map<xcb_window_t, std::optional<QString>> windowApp_;
    mutable std::unordered_map<xcb_window_t, QIcon> windowIcons_;
    // Drawn once per name, so that an unchanged list never repaints a button.
    mutable QHash<QString, QIcon> letterIcons_;
    // What we asked the window manager for and it has not done yet: a second
    // click right after the first must see the state it asked for.
    struct ExpectedState {
        bool minimized = false;
        std::chrono::steady_clock::time_point until;
    };
    std::unordered_map<xcb_window_t, ExpectedState> expected_;
    ScheduledTask expiryCheck_;
    void scheduleExpiryCheck();
    uint32_t lastDesktop_ = 0;
    // Where a moved or resized frame must end up. Window managers differ in
    // how they count borders under each gravity; a frame that lands off by a
    // little is moved once more by the difference.
    struct PendingPlacement {
        QPoint frameTopLeft;
        QRect frameWhenAsked; // nothing to judge until the window manager has acted
        qint64 askedAtMs = 0;
        int corrections = 0;
    };
    std::unordered_map<xcb_window_t, PendingPlacement> placements_;
    void sendMoveResize(xcb_window_t window, QPoint frameTopLeft, std::optional<QSize> clientSize);
    void correctPlacements();
};

} // namespace vantorel
