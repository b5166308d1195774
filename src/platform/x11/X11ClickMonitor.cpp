#include "platform/x11/X11ClickMonitor.h"

#include "core/Log.h"
#include "platform/x11/X11Connection.h"

#include <QGuiApplication>
#include <QWindow>
#include <set>
#include <vector>
#include <xcb/xinput.h>

namespace vantorel {

class X11ClickWatch : public ClickMonitor::Watch {
public:
    X11ClickWatch(X11ClickMonitor& monitor, int id) : monitor_(monitor), id_(id) {}
    ~X11ClickWatch() override { monitor_.stopWatching(id_); }

private:
    X11ClickMonitor& monitor_;
    int id_;
};

X11ClickMonitor::X11ClickMonitor(X11Connection& connection) : x_(connection) {
    x_.addEventHandler([this](const xcb_generic_event_t* event) { handle(event); });
}

X11ClickMonitor::~X11ClickMonitor() = default;

bool X11ClickMonitor::isAvailable() {
    if (probed_)
        return opcode_.has_value();
    probed_ = true;
    xcb_connection_t* c = x_.connection();
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_input_id);
    if (!ext || !ext->present)
        return false;
    // Raw events reach every watcher, grab or not, from version 2.1 on.
    auto version = xreply(xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
    if (!version || version->major_version < 2 || (version->major_version == 2 && version->minor_version < 1)) {
        Log::app().info(QStringLiteral("The X server has no raw input events; clicks elsewhere are not seen"));
        return false;
    }
    opcode_ = ext->major_opcode;
    return true;
}

std::unique_ptr<ClickMonitor::Watch> X11ClickMonitor::watchMouseDowns(std::function<void()> onMouseDown) {
    const int id = nextId_++;
    watches_.emplace(id, std::move(onMouseDown));
    select(true);
    return std::make_unique<X11ClickWatch>(*this, id);
}

void X11ClickMonitor::stopWatching(int id) {
    watches_.erase(id);
    if (watches_.empty())
        select(false);
}

void X11ClickMonitor::select(bool on) {
    if (on == selected_ || !isAvailable())
        return;
    selected_ = on;
    struct {
        xcb_input_event_mask_t head;
        uint32_t mask;
    } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, on ? uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS) : 0u};
    xcb_input_xi_select_events(x_.connection(), x_.root(), 1, &mask.head);
    x_.flush();
}

void X11ClickMonitor::handle(const xcb_generic_event_t* event) {
    if (!selected_ || !opcode_ || (event->response_type & ~0x80) != XCB_GE_GENERIC)
        return;
    const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
    if (ge->extension != *opcode_ || ge->event_type != XCB_INPUT_RAW_BUTTON_PRESS)
        return;
    // Left and right; the wheel's buttons (4 to 7) and the middle one do not count.
    const uint32_t button = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(event)->detail;
    if (button != 1 && button != 3)
        return;
    if (pointerIsOverOwnWindow())
        return;
    // A watcher may stop watching, or another start, from its callback.
    std::vector<int> ids;
    for (const auto& [id, fn] : watches_)
        ids.push_back(id);
    for (int id : ids)
        if (auto it = watches_.find(id); it != watches_.end()) {
            auto fn = it->second;
            fn();
        }
}

bool X11ClickMonitor::pointerIsOverOwnWindow() {
    std::set<xcb_window_t> own;
    for (QWindow* w : QGuiApplication::allWindows())
        if (w->handle() && w->isVisible())
            own.insert(static_cast<xcb_window_t>(w->winId()));
    if (own.empty())
        return false;
    // Down from the root through the windows under the pointer: the window
    // manager's frame, then the client inside it, and so on.
    xcb_connection_t* c = x_.connection();
    xcb_window_t at = x_.root();
    for (int depth = 0; at != XCB_NONE && depth < 8; ++depth) {
        if (own.count(at))
            return true;
        auto reply = xreply(xcb_query_pointer_reply(c, xcb_query_pointer(c, at), nullptr));
        if (!reply)
            return false;
        at = reply->child;
    }
    return false;
}

} // namespace vantorel
