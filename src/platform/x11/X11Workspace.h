#pragma once

#include "platform/Workspace.h"
#include "platform/x11/X11WindowTracker.h"

#include <QHash>
#include <unordered_map>

namespace vantorel {

class AppMatcher;
class DesktopEntryIndex;
class DesktopIconLookup;
class MimeDefaults;

// One application on X11: the processes whose windows belong to one desktop
// entry (or one process without an entry, listed as "pid:N").
struct X11AppGroup {
    QString key; // the desktop-file id, or "pid:N"
    std::optional<QString> desktopId;
    std::vector<qint64> pids;          // first one is the group's process id
    std::vector<xcb_window_t> windows; // front to back
    RunningApplication info;
};

// Running applications built from the window tracker and the installed
// desktop entries; acts on them through EWMH requests and signals.
class X11Workspace : public Workspace {
    Q_OBJECT
public:
    X11Workspace(X11WindowTracker& tracker, DesktopEntryIndex& index, AppMatcher& matcher, MimeDefaults& mime,
                 DesktopIconLookup& icons, qint64 ownPid, QObject* parent = nullptr);

    std::vector<RunningApplication> runningApplications() const override;
    std::optional<RunningApplication> frontmostApplication() const override;
    std::optional<QString> applicationLocation(const QString& bundleIdentifier) const override;
    bool openUrl(const QString& url) override;
    bool openApplication(const QString& bundleIdentifier) override;
    bool hide(qint64 pid) override;
    bool unhide(qint64 pid) override;
    bool activate(qint64 pid, bool allWindows) override;
    bool terminate(qint64 pid) override;
    bool forceTerminate(qint64 pid) override;
    QIcon icon(const RunningApplication& application) const override;
    QIcon iconForFile(const QString& path) const override;
    QString fileBrowserIdentifier() const override;
    QStringList defaultPinnedCandidates() const override;

    const std::vector<X11AppGroup>& groups() const { return groups_; }
    const X11AppGroup* groupForPid(qint64 pid) const;
    const X11AppGroup* groupForWindow(xcb_window_t window) const;
    bool isMinimized(const X11Window& w) const;
    bool isNormalWindow(const X11Window& w) const;
    bool skipsTaskbar(const X11Window& w) const;

    // Requests to the window manager, shared with the accessibility port.
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
    void signalSignal(qint64 pid, int signal);
    QIcon windowIcon(xcb_window_t window) const;

    X11WindowTracker& tracker_;
    DesktopEntryIndex& index_;
    AppMatcher& matcher_;
    MimeDefaults& mime_;
    DesktopIconLookup& icons_;
    qint64 ownPid_;
    std::vector<X11AppGroup> groups_;
    QHash<qint64, ProcessFacts> processFacts_;
    std::unordered_map<xcb_window_t, std::optional<QString>> windowApp_;
    mutable std::unordered_map<xcb_window_t, QIcon> windowIcons_;
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
