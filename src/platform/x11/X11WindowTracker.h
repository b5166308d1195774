#pragma once

#include "core/Scheduler.h"
#include "platform/x11/X11Connection.h"

#include <QObject>
#include <QRect>
#include <QString>
#include <optional>
#include <unordered_map>
#include <vector>

namespace vantorel {

// What the backend knows of one client window, kept up to date from events.
struct X11Window {
    xcb_window_t id = 0;
    // The process the window names as its own (_NET_WM_PID), else clientPid.
    std::optional<qint64> pid;
    // The process that really holds the window's X connection (X-Resource):
    // the only pid a window cannot lie about. None for remote clients.
    std::optional<qint64> clientPid;
    QString title;
    QString wmInstance;
    QString wmClass;
    QString applicationId; // _GTK_APPLICATION_ID or _KDE_NET_WM_DESKTOP_FILE
    std::vector<xcb_atom_t> types;
    std::vector<xcb_atom_t> states;
    xcb_window_t transientFor = 0;
    uint32_t extentLeft = 0, extentRight = 0, extentTop = 0, extentBottom = 0;
    QRect client; // in root coordinates
    bool viewable = false;
    bool iconic = false; // ICCCM WM_STATE
    std::optional<uint32_t> desktop; // 0xFFFFFFFF: every desktop
    std::optional<double> opacity;

    bool hasState(xcb_atom_t a) const;
    bool hasType(xcb_atom_t a) const;
    // The frame rectangle: the client area plus the window manager's decorations.
    QRect frame() const;
};

// The client windows of the X server and the active one, maintained from
// events on the backend's own connection. Readers never wait for the server:
// property changes are batched into one pass per event-loop turn and the
// resulting notices are debounced, since titles and states often change twice
// in a row and the active window passes through none on every switch.
class X11WindowTracker : public QObject {
    Q_OBJECT
public:
    X11WindowTracker(X11Connection& x, Scheduler& scheduler, QObject* parent = nullptr);

    // Bottom to top, as _NET_CLIENT_LIST_STACKING gives them.
    const std::vector<xcb_window_t>& stacking() const { return stacking_; }
    // Oldest first, as _NET_CLIENT_LIST gives them (the order windows first mapped).
    const std::vector<xcb_window_t>& mappingOrder() const { return mappingOrder_; }
    const X11Window* window(xcb_window_t id) const;
    xcb_window_t activeWindow() const { return active_; }
    uint32_t currentDesktop() const { return currentDesktop_; }
    bool isOnCurrentDesktop(const X11Window& w) const;
    X11Connection& connection() { return x_; }
    Scheduler& scheduler() { return scheduler_; }

    // Reads everything again at once (start-up, tests).
    void synchronize();
    // Runs the pending pass now instead of on the next turn of the loop.
    void flushPending();

    std::chrono::milliseconds debounce{40};

Q_SIGNALS:
    // The list, a window's properties or the active window changed (debounced).
    void changed();
    void windowAdded(xcb_window_t id);
    void windowRemoved(xcb_window_t id);
    // The window set or changed its icon; nothing is read until someone asks.
    void windowIconChanged(xcb_window_t id);

private:
    enum Prop : uint32_t {
        Pid = 1 << 0,
        Title = 1 << 1,
        Class = 1 << 2,
        Type = 1 << 3,
        State = 1 << 4,
        Transient = 1 << 5,
        Extents = 1 << 6,
        Opacity = 1 << 7,
        Desktop = 1 << 8,
        AppId = 1 << 9,
        Geometry = 1 << 10,
        Attributes = 1 << 11,
        WmState = 1 << 12,
        All = (1 << 13) - 1,
    };
    void onEvent(const xcb_generic_event_t* e);
    void markDirty(xcb_window_t w, uint32_t props);
    void recheckViewable(bool viewable);
    void schedulePass();
    void runPass();
    void readRoot(bool list, bool active, bool desktop);
    void readWindows(const std::unordered_map<xcb_window_t, uint32_t>& dirty);
    void announce();
    void forget(xcb_window_t id);
    uint32_t propForAtom(xcb_atom_t atom) const;

    X11Connection& x_;
    Scheduler& scheduler_;
    std::vector<xcb_window_t> stacking_;
    std::vector<xcb_window_t> mappingOrder_;
    std::unordered_map<xcb_window_t, X11Window> windows_;
    std::unordered_map<xcb_window_t, uint32_t> dirty_;
    xcb_window_t active_ = 0;
    uint32_t currentDesktop_ = 0;
    bool listDirty_ = false, activeDirty_ = false, desktopDirty_ = false;
    bool passScheduled_ = false;
    bool changedSinceAnnounce_ = false;
    ScheduledTask announcement_;
};

} // namespace vantorel
