#include "platform/x11/X11ClickMonitor.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11RawInput.h"

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

X11ClickMonitor::X11ClickMonitor(X11Connection& connection, X11RawInput& rawInput) : x_(connection), raw_(rawInput) {
    x_.addEventHandler([this](const xcb_generic_event_t* event) { handle(event); });
}

X11ClickMonitor::~X11ClickMonitor() = default;

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
    if (on == selected_)
        return;
    selected_ = on;
    raw_.select(XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS, on);
}

void X11ClickMonitor::handle(const xcb_generic_event_t* event) {
    if (!selected_ || raw_.eventType(event) != XCB_INPUT_RAW_BUTTON_PRESS)
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
