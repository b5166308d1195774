#include "platform/x11/X11WindowServer.h"

#include "platform/KeyEvents.h"
#include "platform/x11/X11WindowCapture.h"
#include "platform/x11/X11Workspace.h"

#include <QGuiApplication>
#include <QScreen>

namespace vantorel {

namespace {
QPoint mainOrigin() {
    auto* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().topLeft() : QPoint();
}

AXRead ok(AXValue v) { return {AXError::Success, std::move(v)}; }
AXRead fail(AXError e) { return {e, std::nullopt}; }
} // namespace

Rect topLeftFromRoot(const QRect& r) {
    const QPoint o = mainOrigin();
    return {double(r.x() - o.x()), double(r.y() - o.y()), double(r.width()), double(r.height())};
}

QPoint rootFromTopLeft(Point p) {
    const QPoint o = mainOrigin();
    return {qRound(p.x) + o.x(), qRound(p.y) + o.y()};
}

X11WindowServer::X11WindowServer(X11WindowTracker& tracker, X11Workspace& workspace)
    : tracker_(tracker), workspace_(workspace), capture_(std::make_unique<X11WindowCapture>(tracker)) {}

X11WindowServer::~X11WindowServer() = default;

std::optional<QImage> X11WindowServer::captureWindow(quint32 windowNumber) {
    return capture_->capture(static_cast<xcb_window_t>(windowNumber));
}

std::optional<QImage> X11WindowServer::captureWindowFitting(quint32 windowNumber, QSize maximum) {
    return capture_->capture(static_cast<xcb_window_t>(windowNumber), maximum);
}

qint64 X11WindowServer::layerOf(const X11Window& w) const {
    auto* e = tracker_.connection().ewmh();
    if (w.hasType(e->_NET_WM_WINDOW_TYPE_DESKTOP))
        return -2147483623; // below everything, like a desktop window
    if (w.hasType(e->_NET_WM_WINDOW_TYPE_DOCK))
        return 20;
    if (w.hasState(e->_NET_WM_STATE_FULLSCREEN))
        return 1;
    if (w.hasState(e->_NET_WM_STATE_ABOVE))
        return 3;
    if (w.hasState(e->_NET_WM_STATE_BELOW))
        return -1;
    return 0;
}

std::optional<std::vector<WindowListEntry>> X11WindowServer::windowList(const WindowListOptions& options) const {
    if (tracker_.connection().hasError())
        return std::nullopt;
    auto* e = tracker_.connection().ewmh();
    std::vector<WindowListEntry> out;
    const auto& stacking = tracker_.stacking();
    out.reserve(stacking.size());
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
        const X11Window* w = tracker_.window(*it);
        if (!w)
            continue;
        if (options.onScreenOnly && !(w->viewable && tracker_.isOnCurrentDesktop(*w)))
            continue;
        if (options.excludeDesktopElements && w->hasType(e->_NET_WM_WINDOW_TYPE_DESKTOP))
            continue;
        WindowListEntry entry;
        entry.number = w->id;
        if (const X11AppGroup* g = workspace_.groupForWindow(w->id)) {
            entry.owner = g->info.handle;
            entry.ownerName = g->info.localizedName;
        }
        entry.ownerPid = w->pid;
        entry.name = w->title;
        entry.layer = layerOf(*w);
        entry.bounds = topLeftFromRoot(w->frame());
        entry.alpha = w->opacity.value_or(1.0);
        out.push_back(std::move(entry));
    }
    return out;
}

// An application's menu bar is made of its desktop entry's actions: a first
// (system) menu, then "File" with an item per action. Its elements are parts
// of no window (id 0): the bar; a bar item (1 + index); the menu under it
// (kMenuOf | 1 + index); the action items of "File" (1 + action index) << 8 | 2.
namespace {
constexpr quint32 kMenuBarPart = 1u << 31;
constexpr quint32 kMenuOf = 1u << 30;
constexpr quint32 kFileItem = 2;
const QString kNewWindowAction = QStringLiteral("new-window");

bool isMenuElement(const AXElement& e) {
    return e.kind == AXElement::Kind::Part && e.id == 0;
}
AXElement menuPart(AppHandle app, quint32 part) {
    return {AXElement::Kind::Part, app, 0, part};
}
} // namespace

AXRead X11Accessibility::copyMenuAttribute(const AXElement& element, const QString& attr) {
    const X11AppGroup* g = workspace_.group(element.app);
    if (!g)
        return fail(AXError::InvalidElement);
    const AppHandle app = g->info.handle;
    const auto actions = workspace_.applicationActions(app);
    const quint32 part = element.part;
    if (part == kMenuBarPart) {
        if (attr == AX::kRole)
            return ok(QStringLiteral("AXMenuBar"));
        if (attr == AX::kChildren)
            return ok(std::vector<AXElement>{menuPart(app, 1), menuPart(app, kFileItem)});
        return fail(AXError::AttributeUnsupported);
    }
    if (part == 1 || part == kFileItem) {
        if (attr == AX::kTitle)
            return ok(part == 1 ? QStringLiteral("System") : QStringLiteral("File"));
        if (attr == AX::kRole)
            return ok(QStringLiteral("AXMenuBarItem"));
        if (attr == AX::kMenu)
            return ok(menuPart(app, kMenuOf | part));
        if (attr == AX::kChildren)
            return ok(std::vector<AXElement>{menuPart(app, kMenuOf | part)});
        return fail(AXError::AttributeUnsupported);
    }
    if (part == (kMenuOf | 1) || part == (kMenuOf | kFileItem)) {
        if (attr == AX::kRole)
            return ok(QStringLiteral("AXMenu"));
        if (attr != AX::kChildren)
            return fail(AXError::AttributeUnsupported);
        std::vector<AXElement> items;
        if (part == (kMenuOf | kFileItem))
            for (std::size_t i = 0; i < actions.size(); ++i)
                items.push_back(menuPart(app, quint32(i + 1) << 8 | kFileItem));
        return ok(items);
    }
    const std::size_t index = (part >> 8) - 1;
    if ((part & 0xff) != kFileItem || (part >> 8) == 0 || index >= actions.size())
        return fail(AXError::InvalidElement);
    const DesktopAction& action = actions[index];
    // The application's own New Window carries the New Window shortcut.
    const bool newWindow = action.id == kNewWindowAction;
    if (attr == AX::kTitle)
        return ok(action.name);
    if (attr == AX::kRole)
        return ok(AX::kMenuItemRole);
    if (attr == AX::kEnabled)
        return ok(true);
    if (attr == AX::kChildren)
        return ok(std::vector<AXElement>{});
    if (newWindow && attr == AX::kMenuItemCmdChar)
        return ok(QStringLiteral("N"));
    if (newWindow && attr == AX::kMenuItemCmdVirtualKey)
        return ok(qint64(VirtualKey::N));
    if (newWindow && attr == AX::kMenuItemCmdModifiers)
        return ok(qint64(0));
    return fail(AXError::NoValue);
}

AXError X11Accessibility::performMenuAction(const AXElement& element, const QString& action) {
    const X11AppGroup* g = workspace_.group(element.app);
    if (!g)
        return AXError::InvalidElement;
    const quint32 part = element.part;
    // Nothing opens on screen: pressing a bar item and cancelling its menu succeed as they are.
    if (part == 1 || part == kFileItem)
        return action == AX::kPress ? AXError::Success : AXError::ActionUnsupported;
    if (part & kMenuOf)
        return action == AX::kCancel ? AXError::Success : AXError::ActionUnsupported;
    if (action != AX::kPress || (part & 0xff) != kFileItem || (part >> 8) == 0)
        return AXError::ActionUnsupported;
    const auto actions = workspace_.applicationActions(g->info.handle);
    const std::size_t index = (part >> 8) - 1;
    if (index >= actions.size())
        return AXError::InvalidElement;
    return workspace_.launchAction(g->info.handle, actions[index].id) ? AXError::Success : AXError::CannotComplete;
}

const X11Window* X11Accessibility::windowOf(const AXElement& element) const {
    if (element.kind != AXElement::Kind::Window && element.kind != AXElement::Kind::Part)
        return nullptr;
    const X11Window* w = tracker_.window(static_cast<xcb_window_t>(element.id));
    if (!w)
        return nullptr;
    // The element belongs to the application it was read from.
    const X11AppGroup* g = workspace_.groupForWindow(w->id);
    if (g && element.app != g->info.handle)
        return nullptr;
    return w;
}

AXRead X11Accessibility::copyAttribute(const AXElement& element, const QString& attr) {
    auto* e = tracker_.connection().ewmh();
    if (element.kind == AXElement::Kind::Application) {
        const X11AppGroup* g = workspace_.group(element.app);
        if (!g)
            return fail(AXError::InvalidElement);
        if (attr == QLatin1String("AXWindows")) {
            std::vector<AXElement> list;
            for (xcb_window_t id : g->windows)
                list.push_back({AXElement::Kind::Window, g->info.handle, id, 0});
            return ok(list);
        }
        if (attr == QLatin1String("AXFocusedWindow") || attr == QLatin1String("AXMainWindow")) {
            // The active window when it is ours, else the application's front window.
            xcb_window_t focused = 0;
            if (std::find(g->windows.begin(), g->windows.end(), tracker_.activeWindow()) != g->windows.end())
                focused = tracker_.activeWindow();
            else
                for (xcb_window_t id : g->windows)
                    if (const X11Window* w = tracker_.window(id); w && !workspace_.isMinimized(*w)) {
                        focused = id;
                        break;
                    }
            if (!focused)
                return fail(AXError::NoValue);
            return ok(AXElement{AXElement::Kind::Window, g->info.handle, focused, 0});
        }
        if (attr == QLatin1String("AXTitle"))
            return ok(g->info.localizedName);
        if (attr == QLatin1String("AXFrontmost"))
            return ok(g->info.isActive);
        if (attr == QLatin1String("AXHidden"))
            return ok(g->info.isHidden);
        if (attr == QLatin1String("AXRole"))
            return ok(QStringLiteral("AXApplication"));
        if (attr == AX::kMenuBar && g->desktopId)
            return ok(menuPart(g->info.handle, kMenuBarPart));
        return fail(AXError::AttributeUnsupported);
    }
    if (isMenuElement(element))
        return copyMenuAttribute(element, attr);
    const X11Window* w = windowOf(element);
    if (!w)
        return fail(AXError::InvalidElement);
    if (element.kind == AXElement::Kind::Part) {
        if (attr == QLatin1String("AXRole"))
            return ok(QStringLiteral("AXButton"));
        if (attr == QLatin1String("AXSubrole"))
            return ok(QStringLiteral("AXCloseButton"));
        return fail(AXError::AttributeUnsupported);
    }
    if (attr == QLatin1String("AXTitle"))
        return ok(w->title);
    if (attr == QLatin1String("AXRole"))
        return ok(QStringLiteral("AXWindow"));
    if (attr == QLatin1String("AXSubrole"))
        return ok(workspace_.isNormalWindow(*w) ? QStringLiteral("AXStandardWindow") : QStringLiteral("AXDialog"));
    if (attr == QLatin1String("AXMinimized"))
        return ok(workspace_.isMinimized(*w));
    if (attr == QLatin1String("AXFullScreen"))
        return ok(w->hasState(e->_NET_WM_STATE_FULLSCREEN));
    if (attr == QLatin1String("AXMain") || attr == QLatin1String("AXFocused"))
        return ok(tracker_.activeWindow() == w->id);
    if (attr == QLatin1String("AXPosition")) {
        const Rect r = topLeftFromRoot(w->frame());
        return ok(Point{r.x, r.y});
    }
    if (attr == QLatin1String("AXSize"))
        return ok(Size{double(w->frame().width()), double(w->frame().height())});
    if (attr == QLatin1String("AXCloseButton"))
        return ok(AXElement{AXElement::Kind::Part, element.app, w->id, 1});
    return fail(AXError::AttributeUnsupported);
}

AXError X11Accessibility::setAttribute(const AXElement& element, const QString& attr, const AXValue& value) {
    const bool* flag = std::get_if<bool>(&value);
    if (element.kind == AXElement::Kind::Application) {
        const X11AppGroup* g = workspace_.group(element.app);
        if (!g)
            return AXError::InvalidElement;
        if (attr == QLatin1String("AXFrontmost") && flag) {
            if (*flag)
                workspace_.activate(g->info.handle, false);
            return AXError::Success;
        }
        if (attr == QLatin1String("AXFocusedWindow")) {
            const AXElement* window = std::get_if<AXElement>(&value);
            const X11Window* w = window && window->app == g->info.handle ? windowOf(*window) : nullptr;
            if (!w)
                return AXError::IllegalArgument;
            workspace_.requestActivate(w->id);
            return AXError::Success;
        }
        return AXError::AttributeUnsupported;
    }
    const X11Window* w = windowOf(element);
    if (!w || element.kind != AXElement::Kind::Window)
        return AXError::InvalidElement;
    const xcb_window_t id = w->id;
    if (attr == QLatin1String("AXMinimized") && flag) {
        if (*flag)
            workspace_.requestIconify(id);
        else
            workspace_.requestActivate(id);
        return AXError::Success;
    }
    if ((attr == QLatin1String("AXMain") || attr == QLatin1String("AXFocused")) && flag) {
        if (*flag)
            workspace_.requestActivate(id);
        return AXError::Success;
    }
    if (attr == QLatin1String("AXFullScreen") && flag) {
        workspace_.requestFullScreen(id, *flag);
        return AXError::Success;
    }
    if (attr == QLatin1String("AXPosition")) {
        if (const Point* p = std::get_if<Point>(&value)) {
            workspace_.requestMoveResize(id, rootFromTopLeft(*p), std::nullopt);
            return AXError::Success;
        }
        return AXError::IllegalArgument;
    }
    if (attr == QLatin1String("AXSize")) {
        if (const Size* s = std::get_if<Size>(&value)) {
            workspace_.requestMoveResize(id, std::nullopt, QSize(qRound(s->width), qRound(s->height)));
            return AXError::Success;
        }
        return AXError::IllegalArgument;
    }
    return AXError::AttributeUnsupported;
}

AXError X11Accessibility::performAction(const AXElement& element, const QString& action) {
    if (isMenuElement(element))
        return performMenuAction(element, action);
    const X11Window* w = windowOf(element);
    if (!w)
        return AXError::InvalidElement;
    // The window's close button and the window's own close action are both the close request.
    if ((element.kind == AXElement::Kind::Part && action == AX::kPress) ||
        (element.kind == AXElement::Kind::Window && action == AX::kClose)) {
        workspace_.requestClose(w->id);
        return AXError::Success;
    }
    if (element.kind == AXElement::Kind::Window && action == QLatin1String("AXRaise")) {
        workspace_.requestActivate(w->id);
        return AXError::Success;
    }
    return AXError::ActionUnsupported;
}

std::optional<quint32> X11Accessibility::windowNumber(const AXElement& element) {
    if (element.kind != AXElement::Kind::Window || !tracker_.window(static_cast<xcb_window_t>(element.id)))
        return std::nullopt;
    return static_cast<quint32>(element.id);
}

} // namespace vantorel
