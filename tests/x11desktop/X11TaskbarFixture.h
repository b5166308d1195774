#pragma once

// The taskbar on a real desktop: the X11 backend on the private Xvfb and
// openbox, real X clients, and the pointer moved and pressed through XTEST as
// a user's would be.
#include "apps/AppButtonsRail.h"
#include "platform/x11/X11UserTime.h"
#include "support/ProgramOnDesktop.h"
#include "taskbar/TaskbarPanel.h"
#include "taskbar/TaskbarView.h"
#include "x11desktop/X11DesktopFixture.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <cstring>
#include <xcb/xtest.h>

namespace vantorel::test {

// The taskbar on the real desktop, with settings and pins kept in memory.
class X11Taskbar : public X11Desktop, protected TaskbarOnDesktop {
protected:
    X11Taskbar() : TaskbarOnDesktop(backend->platform()) { x = xcb_connect(nullptr, nullptr); }
    ~X11Taskbar() override {
        stopTaskbar();
        for (xcb_generic_event_t* e : pending)
            std::free(e);
        xcb_disconnect(x);
        waitUntil([] { return false; }, 300); // the window manager lets go of the panel
    }

    // The taskbar on the desktop's real time, or on time a test stands still.
    void startTaskbar(Scheduler* time = nullptr) {
        TaskbarOnDesktop::startTaskbar(time ? *time : scheduler);
        // The window manager places a new window first; the panel moves to the bottom (or its hidden strip) after.
        TaskbarPanel* panel = controller->window();
        ASSERT_TRUE(waitUntil([&] {
            if (!panel->isVisible() || !panel->windowHandle() || !panel->windowHandle()->isExposed())
                return false;
            const int y = panelTop();
            return y >= QGuiApplication::primaryScreen()->geometry().height() - 55 && panel->geometry().y() == y;
        }));
    }
    void stopTaskbar() {
        TaskbarOnDesktop::stopTaskbar();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // The top of the panel on the root window, as the X server has it.
    int panelTop() {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
        auto at = xreply(xcb_translate_coordinates_reply(
            x, xcb_translate_coordinates(x, static_cast<xcb_window_t>(controller->window()->winId()), root, 0, 0),
            nullptr));
        return at ? at->dst_y : -1;
    }
    AppButtonsRail& rail() { return *controller->taskbarView(*controller->primaryScreenID())->appRail; }
    AppButton* button(const QString& key) { return rail().button(key); }
    static QString windowKey(const QString& id, xcb_window_t window) { return id + "#" + QString::number(window); }

    // The pointer goes to a point of the root window.
    void movePointer(QPoint at) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
        xcb_test_fake_input(x, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, static_cast<int16_t>(at.x()),
                            static_cast<int16_t>(at.y()), 0);
        xcb_flush(x);
    }
    void pressLeftButton() {
        xcb_test_fake_input(x, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(x);
    }
    void releaseLeftButton() {
        xcb_test_fake_input(x, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(x);
    }
    void clickAt(QPoint at) {
        movePointer(at);
        pressLeftButton();
        releaseLeftButton();
    }
    // The pointer goes to the button's middle, the left button down and up.
    void click(AppButton* b) {
        ASSERT_NE(b, nullptr);
        // The row may still be laying out a button that just came.
        ASSERT_TRUE(waitUntil([&] { return b->isVisible() && b->width() > 0; }));
        clickAt(b->mapToGlobal(b->rect().center()));
    }
    // What is sent to the root window from now on (requests to the window
    // manager, startup announcements), as anyone watching the root sees it.
    void watchRoot() {
        // Requests the backend sent before now must not reach the watch: the
        // server orders requests per connection only, so first a round trip on the backend's.
        xcb_connection_t* own = backend->tracker().connection().connection();
        std::free(xcb_get_input_focus_reply(own, xcb_get_input_focus(own), nullptr));
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
        std::free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr));
        while (xcb_generic_event_t* e = xcb_poll_for_event(x))
            std::free(e);
    }
    xcb_atom_t atom(const char* name) {
        auto reply = xreply(xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, std::strlen(name), name), nullptr));
        return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }
    // The messages sent to the root since watchRoot(), in order.
    std::vector<xcb_client_message_event_t> rootMessages() {
        std::vector<xcb_client_message_event_t> out;
        while (xcb_generic_event_t* e = !pending.empty() ? pending.front() : xcb_poll_for_event(x)) {
            if (!pending.empty())
                pending.erase(pending.begin());
            if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE)
                out.push_back(*reinterpret_cast<xcb_client_message_event_t*>(e));
            std::free(e);
        }
        return out;
    }
    // The X server's time now: the stamp of a property change on a window of our own.
    xcb_timestamp_t serverTime() {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
        if (!clock) {
            clock = xcb_generate_id(x);
            const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
            xcb_create_window(x, XCB_COPY_FROM_PARENT, clock, root, -10, -10, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                              XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
        }
        xcb_change_property(x, XCB_PROP_MODE_APPEND, clock, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
        xcb_flush(x);
        for (;;) {
            xcb_generic_event_t* e = xcb_wait_for_event(x);
            if (!e)
                return 0;
            if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
                const auto* p = reinterpret_cast<xcb_property_notify_event_t*>(e);
                if (p->window == clock) {
                    const xcb_timestamp_t t = p->time;
                    std::free(e);
                    return t;
                }
            }
            pending.push_back(e); // for rootMessages()
        }
    }
    xcb_window_t active() { return backend->tracker().activeWindow(); }
    bool shown(const QString& title) {
        const X11Window* w = windowTitled(title);
        return w && w->viewable && !w->iconic;
    }
    bool minimised(const QString& title) {
        const X11Window* w = windowTitled(title);
        return w && !w->viewable;
    }
    bool activate(const QString& title) {
        const X11Window* w = windowTitled(title);
        if (!w)
            return false;
        const xcb_window_t id = w->id;
        backend->workspace().requestActivate(id);
        // Until the workspace, not only the tracker, has seen the change.
        return waitUntil([&] {
            const X11AppGroup* g = groupWithTitle(title);
            return active() == id && g && g->info.isActive && g->windows.front() == id;
        });
    }
    QString startupIdOf(xcb_window_t window) {
        auto reply = xreply(xcb_get_property_reply(
            x, xcb_get_property(x, 0, window, atom("_NET_STARTUP_ID"), XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr));
        if (!reply)
            return {};
        return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                 xcb_get_property_value_length(reply.get()));
    }

    xcb_connection_t* x = nullptr;
    xcb_window_t clock = 0;
    // Events read while waiting for the server's time, in order.
    std::vector<xcb_generic_event_t*> pending;
};

inline const QString kTerm = QStringLiteral("org.vantorel.TestTerm.desktop");

} // namespace vantorel::test
