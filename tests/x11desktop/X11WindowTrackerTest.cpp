#include "core/Scheduler.h"
#include "platform/x11/X11WindowTracker.h"
#include "x11desktop/X11DesktopFixture.h"

#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

using namespace vantorel;
using vantorel::test::waitUntil;
using vantorel::test::xdotool;

namespace {

struct Tracking {
    std::unique_ptr<X11Connection> x = X11Connection::open();
    QtScheduler scheduler;
    std::unique_ptr<X11WindowTracker> tracker;
    Tracking() {
        if (x)
            tracker = std::make_unique<X11WindowTracker>(*x, scheduler);
    }
    const X11Window* byTitle(const QString& title) const {
        for (xcb_window_t id : tracker->stacking())
            if (const X11Window* w = tracker->window(id); w && w->title == title)
                return w;
        return nullptr;
    }
};

} // namespace

TEST(X11WindowTracker, FollowsARealClientFromMapToClose) {
    Tracking t;
    ASSERT_TRUE(t.x && t.tracker);
    QProcess* term = g_desktop->spawn("xterm", {"-title", "tracked", "-geometry", "80x24+100+120"});
    ASSERT_TRUE(waitUntil([&] { return t.byTitle("tracked") && t.byTitle("tracked")->viewable; }));
    const X11Window* w = t.byTitle("tracked");

    // A title set twice in a row arrives as its last value.
    const xcb_window_t id = w->id;
    xdotool({"set_window", "--name", "first", QString::number(id)});
    xdotool({"set_window", "--name", "renamed", QString::number(id)});
    EXPECT_TRUE(waitUntil([&] { return t.tracker->window(id) && t.tracker->window(id)->title == "renamed"; }));

    // Moved, the window's new place comes only in the window manager's
    // synthetic notice, which counts from outside xterm's border.
    xdotool({"windowmove", "--sync", QString::number(id), "300", "200"});
    auto* c = t.x->connection();
    auto onServer = [&] {
        auto r =
            xreply(xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, id, t.x->root(), 0, 0), nullptr));
        return r ? QPoint(r->dst_x, r->dst_y) : QPoint();
    };
    EXPECT_TRUE(
        waitUntil([&] { return t.tracker->window(id) && t.tracker->window(id)->client.topLeft() == onServer(); }));
    term->kill();
    EXPECT_TRUE(waitUntil([&] { return t.tracker->window(id) == nullptr; }));
}

TEST(X11WindowTracker, AWindowIdTheServerHandsOnIsReadAsTheNewWindow) {
    Tracking t;
    ASSERT_TRUE(t.x && t.tracker);
    QProcess* first = g_desktop->spawn(VANTOREL_X_CLIENT, {"--window", "reused", "first owner"});
    ASSERT_TRUE(waitUntil([&] { return t.byTitle("first owner") && t.byTitle("first owner")->viewable; }));
    const xcb_window_t id = t.byTitle("first owner")->id;

    // The first client goes and the next one gets its id, all before the
    // tracker looks again: our own event loop does not turn meanwhile.
    first->kill();
    first->waitForFinished();
    QString title;
    for (int attempt = 0; attempt < 10 && title != "second owner"; ++attempt) {
        QProcess* next = g_desktop->spawn(VANTOREL_X_CLIENT, {"--window", "reused", "second owner"});
        QProcess probe;
        for (int i = 0; i < 100; ++i) {
            probe.start("xprop", {"-id", QString::number(id), "_NET_WM_NAME"});
            probe.waitForFinished();
            title = QString::fromUtf8(probe.readAllStandardOutput()).section(u'"', 1, 1);
            if (title == "second owner")
                break;
            QThread::msleep(20);
        }
        if (title != "second owner") {
            next->kill(); // another id this time; the server gives the freed one to the next client
            next->waitForFinished();
        }
    }
    if (title != "second owner")
        GTEST_SKIP() << "the server gave the new window another id";
    EXPECT_TRUE(waitUntil([&] {
        const X11Window* w = t.tracker->window(id);
        return w && w->title == "second owner";
    }));
}

TEST(X11WindowTracker, AClientListedBeforeItsFrameIsMappedIsSeenOnceTheFrameShows) {
    Tracking t;
    ASSERT_TRUE(t.x && t.tracker);
    // Playing a window manager that maps the client inside its frame, lists
    // it, and only then maps the frame: the client hears of nothing more.
    auto wm = X11Connection::open();
    ASSERT_TRUE(wm);
    xcb_connection_t* c = wm->connection();
    const xcb_window_t frame = xcb_generate_id(c), client = xcb_generate_id(c);
    const uint32_t overrideRedirect = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, frame, wm->root(), 40, 40, 200, 120, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, client, frame, 0, 20, 200, 100, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_ewmh_set_wm_name(wm->ewmh(), client, 6, "framed");
    xcb_map_window(c, client);
    auto list = xreply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, wm->root(), wm->ewmh()->_NET_CLIENT_LIST_STACKING, XCB_ATOM_WINDOW, 0, 1024), nullptr));
    ASSERT_TRUE(list);
    std::vector<xcb_window_t> ids(static_cast<const xcb_window_t*>(xcb_get_property_value(list.get())),
                                  static_cast<const xcb_window_t*>(xcb_get_property_value(list.get())) +
                                      xcb_get_property_value_length(list.get()) / 4);
    ids.push_back(client);
    xcb_ewmh_set_client_list_stacking(wm->ewmh(), 0, uint32_t(ids.size()), ids.data());
    wm->flush();
    ASSERT_TRUE(waitUntil([&] { return t.byTitle("framed") != nullptr; }));
    EXPECT_FALSE(t.byTitle("framed")->viewable);

    xcb_map_window(c, frame);
    wm->flush();
    EXPECT_TRUE(waitUntil([&] { return t.byTitle("framed") && t.byTitle("framed")->viewable; }));
    xcb_destroy_window(c, frame);
    wm->flush();
}
