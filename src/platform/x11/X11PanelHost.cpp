#include "platform/x11/X11PanelHost.h"

#include "core/KeepAlive.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <cstring>
#include <xcb/xcb.h>

namespace vantorel {

namespace {

// Holds a panel's content in an unmanaged window above everything while the
// panel stands above full-screen windows; follows the panel's frame and
// visibility. Lives as a child of the panel.
class PanelCover : public QObject {
public:
    explicit PanelCover(QWidget* panel) : QObject(panel), panel_(panel) { panel->installEventFilter(this); }
    ~PanelCover() override {
        // The panel goes: its content goes with it, once no menu runs for it.
        if (window_) {
            window_->hide();
            deleteWhenReleased(window_.data());
        }
    }

    void setAbove(bool above) {
        if (above == above_)
            return;
        above_ = above;
        if (above) {
            if (!window_)
                window_ = makeWindow();
            window_->setGeometry(panel_->geometry());
            move(panel_, window_);
            if (panel_->isVisible())
                showRaised();
        } else if (window_) {
            move(window_, panel_);
            window_->hide();
        }
    }
    QWidget* window() const { return above_ ? window_.data() : nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != panel_ || !above_ || !window_)
            return false;
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
            window_->setGeometry(panel_->geometry());
            break;
        case QEvent::Show:
            showRaised();
            break;
        case QEvent::Hide:
            window_->hide();
            break;
        case QEvent::ChildAdded:
            // A new content view: adopted once its owner has finished setting it up.
            QTimer::singleShot(0, this, [this] {
                if (above_ && window_)
                    move(panel_, window_);
            });
            break;
        default:
            break;
        }
        return false;
    }

private:
    static QWidget* makeWindow() {
        auto* w = new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint |
                                           Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                                           Qt::NoDropShadowWindowHint);
        w->setAttribute(Qt::WA_ShowWithoutActivating);
        w->setAttribute(Qt::WA_X11DoNotAcceptFocus);
        w->setAttribute(Qt::WA_TranslucentBackground);
        w->setAttribute(Qt::WA_NoSystemBackground);
        w->setFocusPolicy(Qt::NoFocus);
        w->setWindowTitle(QStringLiteral("Vantorel Taskbar (above full screen)"));
        return w;
    }
    void showRaised() {
        window_->show();
        window_->raise();
    }
    // Every widget inside `from` (not the windows it owns) goes to `to`, in place.
    static void move(QWidget* from, QWidget* to) {
        const QObjectList children = from->children();
        for (QObject* child : children) {
            auto* widget = qobject_cast<QWidget*>(child);
            if (!widget || widget->isWindow())
                continue;
            const QRect geometry = widget->geometry();
            const bool shown = !widget->isHidden();
            widget->setParent(to);
            widget->setGeometry(geometry);
            if (shown)
                widget->show();
        }
    }

    QWidget* panel_;
    QPointer<QWidget> window_;
    bool above_ = false;
};

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

void X11PanelHost::standAboveFullScreen(QWidget* panel, bool above) {
    auto it = covers_.find(panel);
    if (it == covers_.end()) {
        if (!above)
            return;
        // The cover is the panel's child and goes with it.
        it = covers_.emplace(panel, new PanelCover(panel)).first;
        QObject::connect(panel, &QObject::destroyed, [this, panel] { covers_.erase(panel); });
    }
    static_cast<PanelCover*>(it->second)->setAbove(above);
}

QWidget* X11PanelHost::coverOf(QWidget* panel) const {
    auto it = covers_.find(panel);
    return it == covers_.end() ? nullptr : static_cast<PanelCover*>(it->second)->window();
}

} // namespace vantorel
