#pragma once

#include "platform/Platform.h"

#include <QDBusConnection>

#include <memory>

namespace vantorel {

class AppMatcher;
class DesktopEntryIndex;
class DesktopIconLookup;
class MimeDefaults;
class Scheduler;
class X11Accessibility;
class X11ClickMonitor;
class X11Connection;
class X11Identity;
class X11KeyEvents;
class X11Launcher;
class X11PanelHost;
class X11Pointer;
class X11RawInput;
class X11Screens;
class X11Scripting;
class X11Theme;
class X11UserTime;
class X11WindowServer;
class X11WindowTracker;
class X11Workspace;

// The real Linux/X11 desktop: builds and owns every port of the backend.
// Needs a QGuiApplication on the xcb platform.
class X11Backend {
public:
    // Nothing when the X server cannot be reached.
    // Applications and the file manager are reached on `bus` (the session bus).
    static std::unique_ptr<X11Backend> create(Scheduler& scheduler, qint64 ownPid,
                                              const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~X11Backend();

    // The desktop's ports; defaults, alerts, bundle and the like are the caller's.
    Platform platform();
    X11WindowTracker& tracker() { return *tracker_; }
    X11Workspace& workspace() { return *workspace_; }
    X11UserTime& userTime() { return *userTime_; }

private:
    X11Backend() = default;
    std::unique_ptr<X11Connection> connection_;
    std::unique_ptr<X11WindowTracker> tracker_;
    std::unique_ptr<X11UserTime> userTime_;
    std::unique_ptr<X11Launcher> launcher_;
    std::unique_ptr<DesktopEntryIndex> index_;
    std::unique_ptr<AppMatcher> matcher_;
    std::unique_ptr<MimeDefaults> mime_;
    std::unique_ptr<DesktopIconLookup> icons_;
    std::unique_ptr<X11Workspace> workspace_;
    std::unique_ptr<X11WindowServer> windowServer_;
    std::unique_ptr<X11Accessibility> accessibility_;
    std::unique_ptr<X11Screens> screens_;
    std::unique_ptr<X11Theme> theme_;
    std::unique_ptr<X11Identity> identity_;
    std::unique_ptr<X11RawInput> rawInput_;
    std::unique_ptr<X11Pointer> pointer_;
    std::unique_ptr<X11ClickMonitor> clicks_;
    std::unique_ptr<X11PanelHost> panels_;
    std::unique_ptr<X11Scripting> scripting_;
    std::unique_ptr<X11KeyEvents> keyEvents_;
};

} // namespace vantorel
