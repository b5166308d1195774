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

TEST(X11WindowTracker, AClientWhoseFrameAloneIsHiddenOrShownIsSeenSo) {
    Tracking t;
    ASSERT_TRUE(t.x && t.tracker);
    g_desktop->spawn("xterm", {"-title", "framed", "-geometry", "40x8+100+120"});
    ASSERT_TRUE(waitUntil([&] { return t.byTitle("framed") && t.byTitle("framed")->viewable; }));
    const xcb_window_t id = t.byTitle("framed")->id;

    // A window manager maps a client inside its frame before it maps the
    // frame, and hides frames alone: the client hears of neither. Done here to
    // the manager's own frame, with its map no longer redirected to the manager.
    auto other = X11Connection::open();
    ASSERT_TRUE(other);
    xcb_connection_t* c = other->connection();
    xcb_window_t frame = id;
    for (;;) {
        auto tree = xreply(xcb_query_tree_reply(c, xcb_query_tree(c, frame), nullptr));
        ASSERT_TRUE(tree);
        if (tree->parent == tree->root)
            break;
        frame = tree->parent;
    }
    ASSERT_NE(frame, id) << "the window manager framed the client";
    const uint32_t overrideRedirect = 1;
    xcb_change_window_attributes(c, frame, XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
    xcb_unmap_window(c, frame);
    other->flush();
    EXPECT_TRUE(waitUntil([&] { return t.tracker->window(id) && !t.tracker->window(id)->viewable; }));
    xcb_map_window(c, frame);
    other->flush();
    EXPECT_TRUE(waitUntil([&] { return t.tracker->window(id) && t.tracker->window(id)->viewable; }));
}
