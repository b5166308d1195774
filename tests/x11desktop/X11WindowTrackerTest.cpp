#include "core/Scheduler.h"
#include "platform/x11/X11WindowTracker.h"
#include "support/PrivateDesktop.h"

#include <QProcess>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace vantorel;
using vantorel::test::waitUntil;

extern vantorel::test::PrivateDesktop* g_desktop;

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

void xdotool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    p.waitForFinished(5000);
}

} // namespace

TEST(X11WindowTracker, FollowsARealClientFromMapToClose) {
    Tracking t;
    ASSERT_TRUE(t.x && t.tracker);
    QSignalSpy changed(t.tracker.get(), &X11WindowTracker::changed);

    QProcess* term = g_desktop->spawn("xterm", {"-title", "tracked", "-geometry", "80x24+100+120"});
    ASSERT_TRUE(waitUntil([&] { return t.byTitle("tracked") && t.byTitle("tracked")->viewable; }, 5000));
    const X11Window* w = t.byTitle("tracked");
    EXPECT_EQ(w->pid, term->processId());
    EXPECT_EQ(w->wmClass, "XTerm");
    EXPECT_EQ(w->wmInstance, "xterm");
    EXPECT_TRUE(w->hasType(t.x->ewmh()->_NET_WM_WINDOW_TYPE_NORMAL) || w->types.empty());
    // openbox decorates: the frame is larger than the client and contains it.
    EXPECT_GT(w->extentTop, 0u);
    EXPECT_TRUE(w->frame().contains(w->client));
    EXPECT_TRUE(waitUntil([&] { return changed.count() > 0; }));

    // A title set twice in a row arrives as its last value.
    const xcb_window_t id = w->id;
    xdotool({"set_window", "--name", "first", QString::number(id)});
    xdotool({"set_window", "--name", "renamed", QString::number(id)});
    EXPECT_TRUE(waitUntil([&] { return t.tracker->window(id) && t.tracker->window(id)->title == "renamed"; }));

    // Minimised: unmapped, iconic, hidden state.
    xdotool({"windowminimize", "--sync", QString::number(id)});
    EXPECT_TRUE(waitUntil([&] {
        const X11Window* m = t.tracker->window(id);
        return m && !m->viewable && m->iconic;
    }));

    term->kill();
    term->waitForFinished();
    EXPECT_TRUE(waitUntil([&] { return t.tracker->window(id) == nullptr; }));
    EXPECT_EQ(std::count(t.tracker->stacking().begin(), t.tracker->stacking().end(), id), 0);
}
