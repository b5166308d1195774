#include "platform/x11/X11WindowTracker.h"

#include <QTimer>
#include <algorithm>
#include <cstring>
#include <xcb/res.h>
#include <xcb/xcb_icccm.h>

namespace vantorel {

namespace {

QString propertyString(const xcb_get_property_reply_t* r, xcb_atom_t utf8) {
    if (!r || r->format != 8)
        return {};
    const int len = xcb_get_property_value_length(r);
    const char* data = static_cast<const char*>(xcb_get_property_value(r));
    QByteArray bytes(data, len);
    if (const int nul = bytes.indexOf('\0'); nul >= 0)
        bytes.truncate(nul);
    return r->type == utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

std::vector<uint32_t> propertyCardinals(const xcb_get_property_reply_t* r) {
    if (!r || r->format != 32)
        return {};
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(r));
    return std::vector<uint32_t>(data, data + xcb_get_property_value_length(r) / 4);
}

xcb_get_property_cookie_t getProperty(xcb_connection_t* c, xcb_window_t w, xcb_atom_t atom, uint32_t longs = 1024) {
    return xcb_get_property(c, 0, w, atom, XCB_ATOM_ANY, 0, longs);
}

} // namespace

bool X11Window::hasState(xcb_atom_t a) const { return std::find(states.begin(), states.end(), a) != states.end(); }
bool X11Window::hasType(xcb_atom_t a) const { return std::find(types.begin(), types.end(), a) != types.end(); }

QRect X11Window::frame() const {
    return QRect(client.x() - static_cast<int>(extentLeft), client.y() - static_cast<int>(extentTop),
                 client.width() + static_cast<int>(extentLeft + extentRight),
                 client.height() + static_cast<int>(extentTop + extentBottom));
}

X11WindowTracker::X11WindowTracker(X11Connection& x, Scheduler& scheduler, QObject* parent)
    : QObject(parent), x_(x), scheduler_(scheduler) {
    // Substructure: a window manager maps a client before its frame, and hides
    // and shows frames alone (desktops); the client hears of neither.
    const uint32_t rootMask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x_.connection(), x_.root(), XCB_CW_EVENT_MASK, &rootMask);
    x_.addEventHandler([this](const xcb_generic_event_t* e) { onEvent(e); });
    synchronize();
}

const X11Window* X11WindowTracker::window(xcb_window_t id) const {
    auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : &it->second;
}

bool X11WindowTracker::isOnCurrentDesktop(const X11Window& w) const {
    return !w.desktop || *w.desktop == 0xFFFFFFFFu || *w.desktop == currentDesktop_;
}

void X11WindowTracker::synchronize() {
    listDirty_ = activeDirty_ = desktopDirty_ = true;
    for (auto& [id, w] : windows_)
        dirty_[id] = All;
    runPass();
}

void X11WindowTracker::flushPending() {
    x_.drain();
    if (passScheduled_ || listDirty_ || activeDirty_ || desktopDirty_ || !dirty_.empty())
        runPass();
}

uint32_t X11WindowTracker::propForAtom(xcb_atom_t a) const {
    auto* e = const_cast<X11Connection&>(x_).ewmh();
    const auto& atoms = x_.atoms();
    if (a == e->_NET_WM_PID)
        return Pid;
    if (a == e->_NET_WM_NAME || a == XCB_ATOM_WM_NAME)
        return Title;
    if (a == XCB_ATOM_WM_CLASS)
        return Class;
    if (a == e->_NET_WM_WINDOW_TYPE)
        return Type;
    if (a == e->_NET_WM_STATE)
        return State;
    if (a == XCB_ATOM_WM_TRANSIENT_FOR)
        return Transient;
    if (a == e->_NET_FRAME_EXTENTS)
        return Extents | Geometry;
    if (a == atoms.NET_WM_WINDOW_OPACITY)
        return Opacity;
    if (a == e->_NET_WM_DESKTOP)
        return Desktop;
    if (a == atoms.GTK_APPLICATION_ID || a == atoms.KDE_NET_WM_DESKTOP_FILE)
        return AppId;
    if (a == atoms.WM_STATE)
        return WmState | Attributes;
    return 0;
}

void X11WindowTracker::onEvent(const xcb_generic_event_t* ev) {
    auto* e = x_.ewmh();
    switch (ev->response_type & ~0x80) {
    case XCB_PROPERTY_NOTIFY: {
        const auto* p = reinterpret_cast<const xcb_property_notify_event_t*>(ev);
        if (p->window == x_.root()) {
            if (p->atom == e->_NET_CLIENT_LIST_STACKING || p->atom == e->_NET_CLIENT_LIST)
                listDirty_ = true;
            else if (p->atom == e->_NET_ACTIVE_WINDOW)
                activeDirty_ = true;
            else if (p->atom == e->_NET_CURRENT_DESKTOP)
                desktopDirty_ = true;
            else
                return;
            schedulePass();
        } else if (windows_.count(p->window)) {
            if (p->atom == x_.atoms().NET_WM_ICON) {
                Q_EMIT windowIconChanged(p->window);
                markDirty(p->window, 0); // nothing to read, but the change is announced
            } else if (const uint32_t prop = propForAtom(p->atom)) {
                markDirty(p->window, prop);
            }
        }
        break;
    }
    case XCB_CONFIGURE_NOTIFY: {
        const auto* c = reinterpret_cast<const xcb_configure_notify_event_t*>(ev);
        auto it = windows_.find(c->window);
        if (it == windows_.end())
            break;
        if (ev->response_type & 0x80) {
            // The window manager's synthetic notice gives the outer corner of
            // the border the client asked for, in root coordinates; the client
            // area starts inside it even when the manager took the border away.
            it->second.client = QRect(c->x + c->border_width, c->y + c->border_width, c->width, c->height);
            changedSinceAnnounce_ = true;
            schedulePass();
        } else {
            markDirty(c->window, Geometry);
        }
        break;
    }
    case XCB_MAP_NOTIFY: {
        const auto* m = reinterpret_cast<const xcb_map_notify_event_t*>(ev);
        if (m->event == x_.root() && !windows_.count(m->window))
            recheckViewable(false);
        else
            markDirty(m->window, Attributes | Geometry);
        break;
    }
    case XCB_UNMAP_NOTIFY: {
        const auto* u = reinterpret_cast<const xcb_unmap_notify_event_t*>(ev);
        if (u->event == x_.root() && !windows_.count(u->window))
            recheckViewable(true);
        else
            markDirty(u->window, Attributes);
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const xcb_window_t id = reinterpret_cast<const xcb_destroy_notify_event_t*>(ev)->window;
        if (windows_.count(id)) {
            // Forgotten now, not when the list says so: the server may hand
            // the same id to another client's window before the next pass.
            forget(id);
            listDirty_ = true;
            schedulePass();
        }
        break;
    }
    default:
        break;
    }
}

void X11WindowTracker::markDirty(xcb_window_t w, uint32_t props) {
    if (!windows_.count(w))
        return;
    dirty_[w] |= props;
    schedulePass();
}

void X11WindowTracker::recheckViewable(bool viewable) {
    // A top-level window that is not one of ours changed: a frame, perhaps of
    // a client whose map state we read while it was still unviewable.
    for (const auto& [id, w] : windows_)
        if (w.viewable == viewable)
            markDirty(id, Attributes);
}

void X11WindowTracker::schedulePass() {
    if (passScheduled_)
        return;
    passScheduled_ = true;
    // One pass per turn of the event loop, after every queued event was read.
    QTimer::singleShot(0, this, [this] {
        if (passScheduled_)
            runPass();
    });
}

void X11WindowTracker::runPass() {
    passScheduled_ = false;
    if (listDirty_ || activeDirty_ || desktopDirty_)
        readRoot(std::exchange(listDirty_, false), std::exchange(activeDirty_, false),
                 std::exchange(desktopDirty_, false));
    if (!dirty_.empty()) {
        auto dirty = std::move(dirty_);
        dirty_.clear();
        readWindows(dirty);
    }
    if (changedSinceAnnounce_)
        announce();
}

void X11WindowTracker::readRoot(bool list, bool active, bool desktop) {
    auto* c = x_.connection();
    auto* e = x_.ewmh();
    xcb_get_property_cookie_t listCookie{}, mappingCookie{}, activeCookie{}, desktopCookie{};
    if (list) {
        listCookie = getProperty(c, x_.root(), e->_NET_CLIENT_LIST_STACKING, 65536);
        mappingCookie = getProperty(c, x_.root(), e->_NET_CLIENT_LIST, 65536);
    }
    if (active)
        activeCookie = getProperty(c, x_.root(), e->_NET_ACTIVE_WINDOW);
    if (desktop)
        desktopCookie = getProperty(c, x_.root(), e->_NET_CURRENT_DESKTOP);

    if (list) {
        auto reply = xreply(xcb_get_property_reply(c, listCookie, nullptr));
        const auto ids = propertyCardinals(reply.get());
        std::vector<xcb_window_t> stacking(ids.begin(), ids.end());
        auto mappingReply = xreply(xcb_get_property_reply(c, mappingCookie, nullptr));
        const auto mapped = propertyCardinals(mappingReply.get());
        if (!std::equal(mapped.begin(), mapped.end(), mappingOrder_.begin(), mappingOrder_.end()))
            changedSinceAnnounce_ = true;
        mappingOrder_.assign(mapped.begin(), mapped.end());
        std::unordered_map<xcb_window_t, uint32_t> added;
        for (xcb_window_t id : stacking)
            if (!windows_.count(id))
                added[id] = All;
        std::vector<xcb_window_t> removed;
        for (const auto& [id, w] : windows_)
            if (std::find(stacking.begin(), stacking.end(), id) == stacking.end())
                removed.push_back(id);
        if (stacking != stacking_)
            changedSinceAnnounce_ = true;
        stacking_ = std::move(stacking);
        for (xcb_window_t id : removed)
            forget(id);
        if (!added.empty()) {
            // Select first, then read: a change between the two is not lost.
            const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            for (const auto& [id, props] : added) {
                xcb_change_window_attributes(c, id, XCB_CW_EVENT_MASK, &mask);
                windows_[id].id = id;
            }
            readWindows(added);
            for (const auto& [id, props] : added)
                if (windows_.count(id))
                    Q_EMIT windowAdded(id);
        }
    }
    if (active) {
        auto reply = xreply(xcb_get_property_reply(c, activeCookie, nullptr));
        const auto v = propertyCardinals(reply.get());
        const xcb_window_t a = v.empty() ? 0 : v.front();
        if (a != active_) {
            active_ = a;
            changedSinceAnnounce_ = true;
        }
    }
    if (desktop) {
        auto reply = xreply(xcb_get_property_reply(c, desktopCookie, nullptr));
        const auto v = propertyCardinals(reply.get());
        const uint32_t d = v.empty() ? 0 : v.front();
        if (d != currentDesktop_) {
            currentDesktop_ = d;
            changedSinceAnnounce_ = true;
        }
    }
}

void X11WindowTracker::readWindows(const std::unordered_map<xcb_window_t, uint32_t>& dirty) {
    auto* c = x_.connection();
    auto* e = x_.ewmh();
    const auto& atoms = x_.atoms();

    struct Pending {
        xcb_window_t id;
        uint32_t props;
        xcb_get_property_cookie_t pid, netName, name, cls, type, state, transient, extents, opacity, desktop, gtkId,
            kdeId, wmState;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
        xcb_get_window_attributes_cookie_t attributes;
    };
    std::vector<Pending> pending;
    pending.reserve(dirty.size());
    // Send every request first, then collect: one round trip for the whole batch.
    for (const auto& [id, props] : dirty) {
        if (!windows_.count(id))
            continue;
        Pending p{};
        p.id = id;
        p.props = props;
        if (props & Pid)
            p.pid = getProperty(c, id, e->_NET_WM_PID);
        if (props & Title) {
            p.netName = getProperty(c, id, e->_NET_WM_NAME);
            p.name = getProperty(c, id, XCB_ATOM_WM_NAME);
        }
        if (props & Class)
            p.cls = getProperty(c, id, XCB_ATOM_WM_CLASS);
        if (props & Type)
            p.type = getProperty(c, id, e->_NET_WM_WINDOW_TYPE);
        if (props & State)
            p.state = getProperty(c, id, e->_NET_WM_STATE);
        if (props & Transient)
            p.transient = getProperty(c, id, XCB_ATOM_WM_TRANSIENT_FOR);
        if (props & Extents)
            p.extents = getProperty(c, id, e->_NET_FRAME_EXTENTS);
        if (props & Opacity)
            p.opacity = getProperty(c, id, atoms.NET_WM_WINDOW_OPACITY);
        if (props & Desktop)
            p.desktop = getProperty(c, id, e->_NET_WM_DESKTOP);
        if (props & AppId) {
            p.gtkId = getProperty(c, id, atoms.GTK_APPLICATION_ID);
            p.kdeId = getProperty(c, id, atoms.KDE_NET_WM_DESKTOP_FILE);
        }
        if (props & WmState)
            p.wmState = getProperty(c, id, atoms.WM_STATE);
        if (props & Geometry) {
            p.geometry = xcb_get_geometry(c, id);
            p.origin = xcb_translate_coordinates(c, id, x_.root(), 0, 0);
        }
        if (props & Attributes)
            p.attributes = xcb_get_window_attributes(c, id);
        pending.push_back(p);
    }

    std::vector<xcb_window_t> clientPidNeeded;
    std::vector<xcb_window_t> vanished;
    // A map state merely confirmed (our own popups come and go) is no news.
    bool changed = false;
    for (const auto& p : pending) {
        X11Window& w = windows_[p.id];
        bool gone = false;
        auto prop = [&](xcb_get_property_cookie_t cookie) {
            xcb_generic_error_t* err = nullptr;
            auto r = xreply(xcb_get_property_reply(c, cookie, &err));
            if (err) {
                gone = gone || err->error_code == XCB_WINDOW;
                std::free(err);
            }
            return r;
        };
        if (p.props & Pid) {
            const auto v = propertyCardinals(prop(p.pid).get());
            w.pid = !v.empty() && v.front() > 0 ? std::optional<qint64>(v.front()) : std::nullopt;
            clientPidNeeded.push_back(p.id);
        }
        if (p.props & Title) {
            const QString net = propertyString(prop(p.netName).get(), atoms.UTF8_STRING);
            const QString plain = propertyString(prop(p.name).get(), atoms.UTF8_STRING);
            w.title = net.isEmpty() ? plain : net;
        }
        if (p.props & Class) {
            auto r = prop(p.cls);
            if (r && r->format == 8) {
                const QByteArray raw(static_cast<const char*>(xcb_get_property_value(r.get())),
                                     xcb_get_property_value_length(r.get()));
                const auto parts = raw.split('\0');
                w.wmInstance = QString::fromLocal8Bit(parts.value(0));
                w.wmClass = QString::fromLocal8Bit(parts.value(1));
            } else {
                w.wmInstance.clear();
                w.wmClass.clear();
            }
        }
        if (p.props & Type) {
            const auto v = propertyCardinals(prop(p.type).get());
            w.types.assign(v.begin(), v.end());
        }
        if (p.props & State) {
            const auto v = propertyCardinals(prop(p.state).get());
            w.states.assign(v.begin(), v.end());
        }
        if (p.props & Transient) {
            const auto v = propertyCardinals(prop(p.transient).get());
            w.transientFor = v.empty() ? 0 : v.front();
        }
        if (p.props & Extents) {
            const auto v = propertyCardinals(prop(p.extents).get());
            if (v.size() >= 4) {
                w.extentLeft = v[0];
                w.extentRight = v[1];
                w.extentTop = v[2];
                w.extentBottom = v[3];
            } else {
                w.extentLeft = w.extentRight = w.extentTop = w.extentBottom = 0;
            }
        }
        if (p.props & Opacity) {
            const auto v = propertyCardinals(prop(p.opacity).get());
            w.opacity = v.empty() ? std::nullopt : std::optional<double>(v.front() / 4294967295.0);
        }
        if (p.props & Desktop) {
            const auto v = propertyCardinals(prop(p.desktop).get());
            w.desktop = v.empty() ? std::nullopt : std::optional<uint32_t>(v.front());
        }
        if (p.props & AppId) {
            const QString gtk = propertyString(prop(p.gtkId).get(), atoms.UTF8_STRING);
            const QString kde = propertyString(prop(p.kdeId).get(), atoms.UTF8_STRING);
            w.applicationId = gtk.isEmpty() ? kde : gtk;
        }
        if (p.props & WmState) {
            const auto v = propertyCardinals(prop(p.wmState).get());
            w.iconic = !v.empty() && v.front() == XCB_ICCCM_WM_STATE_ICONIC;
        }
        if (p.props & Geometry) {
            xcb_generic_error_t* err = nullptr;
            auto g = xreply(xcb_get_geometry_reply(c, p.geometry, &err));
            if (err) {
                gone = true;
                std::free(err);
            }
            auto o = xreply(xcb_translate_coordinates_reply(c, p.origin, &err));
            if (err) {
                gone = true;
                std::free(err);
            }
            if (g && o)
                w.client = QRect(o->dst_x, o->dst_y, g->width, g->height);
        }
        if (p.props & Attributes) {
            xcb_generic_error_t* err = nullptr;
            auto a = xreply(xcb_get_window_attributes_reply(c, p.attributes, &err));
            if (err) {
                gone = true;
                std::free(err);
            }
            if (a && std::exchange(w.viewable, a->map_state == XCB_MAP_STATE_VIEWABLE) != w.viewable)
                changed = true;
        }
        if (gone)
            vanished.push_back(p.id);
        changed = changed || p.props != Attributes;
    }

    if (!clientPidNeeded.empty()) {
        // The X-Resource extension tells which local process holds the window's
        // connection; it stands in for a missing _NET_WM_PID and checks a present one.
        std::vector<std::pair<xcb_window_t, xcb_res_query_client_ids_cookie_t>> cookies;
        for (xcb_window_t id : clientPidNeeded) {
            xcb_res_client_id_spec_t spec{id, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            cookies.emplace_back(id, xcb_res_query_client_ids(c, 1, &spec));
        }
        for (const auto& [id, cookie] : cookies) {
            auto r = xreply(xcb_res_query_client_ids_reply(c, cookie, nullptr));
            std::optional<qint64> pid;
            if (r) {
                for (auto it = xcb_res_query_client_ids_ids_iterator(r.get()); it.rem; xcb_res_client_id_value_next(&it))
                    if (it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID &&
                        xcb_res_client_id_value_value_length(it.data) >= 1)
                        pid = *xcb_res_client_id_value_value(it.data);
            }
            if (auto w = windows_.find(id); w != windows_.end()) {
                w->second.clientPid = pid;
                if (!w->second.pid)
                    w->second.pid = pid;
            }
        }
    }

    // Gone between the list and the query: simply left out.
    for (xcb_window_t id : vanished)
        forget(id);
    if (changed)
        changedSinceAnnounce_ = true;
}

void X11WindowTracker::forget(xcb_window_t id) {
    // The one removal path: everything known about the window goes.
    windows_.erase(id);
    dirty_.erase(id);
    stacking_.erase(std::remove(stacking_.begin(), stacking_.end(), id), stacking_.end());
    mappingOrder_.erase(std::remove(mappingOrder_.begin(), mappingOrder_.end(), id), mappingOrder_.end());
    changedSinceAnnounce_ = true;
    Q_EMIT windowRemoved(id);
}

void X11WindowTracker::announce() {
    if (announcement_.isActive())
        return;
    announcement_ = scheduler_.after(debounce, this, [this] {
        changedSinceAnnounce_ = false;
        Q_EMIT changed();
    });
}

} // namespace vantorel
