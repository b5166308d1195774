#include "platform/x11/X11Backend.h"

#include "platform/linux/LogindSessionNotices.h"
#include "platform/x11/AppMatcher.h"
#include "platform/x11/DesktopEntryIndex.h"
#include "platform/x11/DesktopIconLookup.h"
#include "platform/x11/MimeDefaults.h"
#include "platform/x11/X11ClickMonitor.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Identity.h"
#include "platform/x11/X11KeyEvents.h"
#include "platform/x11/X11Launcher.h"
#include "platform/x11/X11PanelHost.h"
#include "platform/x11/X11Pointer.h"
#include "platform/x11/X11RawInput.h"
#include "platform/x11/X11Screens.h"
#include "platform/x11/X11Scripting.h"
#include "platform/x11/X11Theme.h"
#include "platform/x11/X11UserTime.h"
#include "platform/x11/X11WindowServer.h"
#include "platform/x11/X11WindowTracker.h"
#include "platform/x11/X11Workspace.h"

namespace vantorel {

std::unique_ptr<X11Backend> X11Backend::create(Scheduler& scheduler, qint64 ownPid, const QDBusConnection& bus) {
    auto connection = X11Connection::open();
    if (!connection)
        return nullptr;
    std::unique_ptr<X11Backend> b(new X11Backend);
    b->connection_ = std::move(connection);
    b->tracker_ = std::make_unique<X11WindowTracker>(*b->connection_, scheduler);
    b->index_ = std::make_unique<DesktopEntryIndex>();
    b->matcher_ = std::make_unique<AppMatcher>(*b->index_);
    b->mime_ = std::make_unique<MimeDefaults>(*b->index_);
    b->icons_ = std::make_unique<DesktopIconLookup>();
    b->userTime_ = std::make_unique<X11UserTime>(*b->connection_);
    b->launcher_ = std::make_unique<X11Launcher>(*b->connection_, *b->userTime_, bus);
    b->workspace_ = std::make_unique<X11Workspace>(*b->tracker_, *b->index_, *b->matcher_, *b->mime_, *b->icons_,
                                                   *b->launcher_, *b->userTime_, ownPid);
    // X11 has no sleep, wake or session notices of its own; logind has them.
    auto* logind = new LogindSessionNotices(b->workspace_.get());
    Workspace* ws = b->workspace_.get();
    QObject::connect(logind, &LogindSessionNotices::willSleep, ws, &Workspace::screensDidSleep);
    QObject::connect(logind, &LogindSessionNotices::didWake, ws, &Workspace::didWake);
    QObject::connect(logind, &LogindSessionNotices::didWake, ws, &Workspace::screensDidWake);
    QObject::connect(logind, &LogindSessionNotices::sessionDidBecomeActive, ws, &Workspace::sessionDidBecomeActive);
    QObject::connect(logind, &LogindSessionNotices::sessionDidResignActive, ws, &Workspace::sessionDidResignActive);
    b->windowServer_ = std::make_unique<X11WindowServer>(*b->tracker_, *b->workspace_);
    b->accessibility_ = std::make_unique<X11Accessibility>(*b->tracker_, *b->workspace_);
    b->screens_ = std::make_unique<X11Screens>(*b->connection_);
    b->theme_ = std::make_unique<X11Theme>();
    b->identity_ = std::make_unique<X11Identity>();
    b->rawInput_ = std::make_unique<X11RawInput>(*b->connection_);
    b->pointer_ = std::make_unique<X11Pointer>(*b->connection_, *b->rawInput_);
    b->clicks_ = std::make_unique<X11ClickMonitor>(*b->connection_, *b->rawInput_);
    b->panels_ = std::make_unique<X11PanelHost>();
    b->scripting_ = std::make_unique<X11Scripting>(*b->workspace_, *b->index_, *b->launcher_);
    b->keyEvents_ = std::make_unique<X11KeyEvents>(*b->connection_, *b->workspace_);
    return b;
}

X11Backend::~X11Backend() = default;

Platform X11Backend::platform() {
    Platform p;
    p.name = QStringLiteral("x11");
    p.workspace = workspace_.get();
    p.windowServer = windowServer_.get();
    p.accessibility = accessibility_.get();
    p.screens = screens_.get();
    p.theme = theme_.get();
    p.identity = identity_.get();
    p.pointer = pointer_.get();
    p.clicks = clicks_.get();
    p.panels = panels_.get();
    p.scripting = scripting_.get();
    p.keyEvents = keyEvents_.get();
    return p;
}

} // namespace vantorel
