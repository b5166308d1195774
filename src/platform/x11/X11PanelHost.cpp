#include "platform/x11/X11PanelHost.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cstring>
#include <xcb/xcb.h>

namespace vantorel {

namespace {

xcb_connection_t* qtConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : 0;
    std::free(r);
    return a;
}

} // namespace

std::array<uint32_t, 12> X11PanelHost::bottomStrut(const QRect& display, int rootHeight, int height,
                                                   const std::vector<QRect>& others) {
    std::array<uint32_t, 12> s{};
    if (height <= 0)
        return s;
    for (const QRect& o : others) {
        const bool sharesColumns = o.left() <= display.right() && o.right() >= display.left();
        if (sharesColumns && o.top() >= display.bottom())
            return s; // an inner edge
    }
    // Struts count from the root window's edge; a display that does not reach
    // the root's bottom adds the gap below it, and the x range keeps the
    // reservation on this display only.
    const int gap = rootHeight - (display.y() + display.height());
    s[3] = static_cast<uint32_t>(std::max(0, gap + height)); // bottom
    s[10] = static_cast<uint32_t>(display.x());              // bottom_start_x
    s[11] = static_cast<uint32_t>(display.x() + display.width() - 1);
    return s;
}

void X11PanelHost::preparePanel(QWidget* panel) {
    xcb_connection_t* c = qtConnection();
    if (!c)
        return;
    QObject::connect(panel, &QObject::destroyed, [this, panel] { applied_.remove(panel); });
    const auto w = static_cast<xcb_window_t>(panel->winId());
    const xcb_atom_t type = atom(c, "_NET_WM_WINDOW_TYPE"), dock = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, type, XCB_ATOM_ATOM, 32, 1, &dock);
    const uint32_t all = 0xFFFFFFFF;
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1, &all);
    xcb_flush(c);
}

void X11PanelHost::reserveBottomEdge(QWidget* panel, const Rect& display, int height) {
    xcb_connection_t* c = qtConnection();
    if (!c)
        return;
    QRect root;
    const QRect inRoot = ScreenSpace::fromPrimaryScreen().toQt(display).toRect();
    std::vector<QRect> others;
    for (auto* s : QGuiApplication::screens()) {
        root = root.united(s->geometry());
        if (s->geometry() != inRoot)
            others.push_back(s->geometry());
    }
    const auto strut = bottomStrut(inRoot, root.y() + root.height(), height, others);
    auto it = applied_.constFind(panel);
    if (it != applied_.constEnd() && *it == strut)
        return; // our own write would come back as an event: write only real changes
    applied_.insert(panel, strut);
    const auto w = static_cast<xcb_window_t>(panel->winId());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, "_NET_WM_STRUT_PARTIAL"), XCB_ATOM_CARDINAL, 32, 12,
                        strut.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, "_NET_WM_STRUT"), XCB_ATOM_CARDINAL, 32, 4, strut.data());
    xcb_flush(c);
}

} // namespace vantorel
