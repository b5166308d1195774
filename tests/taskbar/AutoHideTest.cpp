// The hiding bar and the windows kept clear of it, on the simulated desktop:
// the pointer, popups and menus that keep the bar up, full-screen windows,
// several displays, clamping a maximised window and moving windows aside for
// a revealed bar, and every path that gives them their frames back.
#include "taskbar/AutoHide.h"
#include "support/TaskbarFixture.h"
#include "taskbar/TrayView.h"
#include "taskbar/WindowClearance.h"
#include "widgets/ClockView.h"
#include "widgets/StartButtonView.h"

#include <QMenu>
#include <QTest>

using namespace vantorel;
using vantorel::test::kExternal;
using vantorel::test::kLaptop;

namespace {

// The panel at 100 %: a 55-point bar and the point below the edge; hidden, 5 points stay on screen.
const Rect kShown{0, -1, 1440, 56};
const Rect kHidden{0, -51, 1440, 56};
const Point kAway{700, 500};
const Point kBottom{700, 3};

class AutoHide : public test::TaskbarFixture {
protected:
    AutoHide() {
        desktop.setDisplays({kLaptop}, 1);
        desktop.setPointer(kAway);
        persistence.savePinnedApps({});
    }

    void autoHide(bool on) {
        change([on](AppSettings& s) { s.autoHideTaskbar = on; });
    }
    // One pass of the pointer poll, then one of the window-state check.
    void tick() { scheduler.advance(80ms); }
    void second() { scheduler.advance(1000ms); }
    void pointAt(Point p) {
        desktop.setPointer(p);
        tick();
    }
    // A regular application with one window, in front.
    quint32 frontWindow(const QString& name, Rect bounds) {
        const qint64 pid = desktop.launch("com.example." + name, name);
        const quint32 w = desktop.addWindow(pid, name, bounds);
        desktop.activate(pid);
        return w;
    }
    Rect bounds(quint32 w) { return desktop.window(w)->bounds; }
};

} // namespace

TEST_F(AutoHide, TheBarSlidesToAStripAndComesBackNearTheBottomEdge) {
    make();
    autoHide(true);
    EXPECT_EQ(panel()->frame(), kHidden);

    // Over the strip, within 23 points of the bottom edge, it comes back; 24 points up it does not.
    pointAt({700, 24});
    EXPECT_EQ(panel()->frame(), kHidden);
    pointAt({700, 22});
    EXPECT_EQ(panel()->frame(), kShown);

    // A shown bar allows 18 points of slack above its top edge (55).
    pointAt({700, 72});
    second();
    EXPECT_EQ(panel()->frame(), kShown) << "the one-second check keeps the decision";
    pointAt({700, 74});
    EXPECT_EQ(panel()->frame(), kHidden);

    // Placement honours the stored state: a new icon size keeps a hidden bar hidden.
    change([](AppSettings& s) { s.iconScalePercent = 160; });
    EXPECT_EQ(panel()->frame(), (Rect{0, -71, 1440, 76}));
}

TEST_F(AutoHide, TheStartMenuPreviewsAndMenusKeepTheBarUpUntilTheyClose) {
    const qint64 editor = desktop.launch(QStringLiteral("com.example.Editor"), "Editor");
    desktop.addWindow(editor, "draft", {100, 100, 800, 600});
    make();
    autoHide(true);
    TaskbarView* view = controller->taskbarView("1");

    // The start menu: opened from the revealed bar, the pointer then leaves it.
    pointAt(kBottom);
    QTest::mouseClick(view->startBtn(), Qt::LeftButton, {}, QPoint(30, 27));
    ASSERT_TRUE(controller->isLauncherOpen());
    pointAt(kAway);
    scheduler.advance(400ms);
    EXPECT_EQ(panel()->frame(), kShown);
    controller->toggleLauncher(view->startBtn());
    ASSERT_FALSE(controller->isLauncherOpen());
    tick();
    EXPECT_EQ(panel()->frame(), kHidden);

    // A window preview, with the pointer gone up into it, far above the bar's slack.
    pointAt(kBottom);
    ASSERT_NE(hover(QStringLiteral("com.example.Editor")), nullptr);
    ASSERT_TRUE(controller->previewPanel().isShown());
    const Rect preview = controller->previewPanel().panel()->frame();
    ASSERT_GT(preview.maxY() - 4, 55 + 18);
    pointAt({preview.midX(), preview.maxY() - 4});
    scheduler.advance(400ms);
    EXPECT_TRUE(controller->previewPanel().isShown());
    EXPECT_EQ(panel()->frame(), kShown);
    pointAt(kAway);
    tick();
    EXPECT_FALSE(controller->previewPanel().isShown());
    EXPECT_EQ(panel()->frame(), kHidden);

    // A menu of ours: the poll goes on inside its loop and keeps the bar up.
    pointAt(kBottom);
    Rect whileOpen;
    controller->presentMenu = [&](QMenu&, QWidget*) {
        desktop.setPointer(kAway);
        scheduler.advance(400ms);
        whileOpen = panel()->frame();
    };
    controller->showStartButtonMenu(view->startBtn());
    EXPECT_EQ(whileOpen, kShown);
    tick();
    EXPECT_EQ(panel()->frame(), kHidden);
}

TEST_F(AutoHide, WhereMotionIsAnnouncedThePollRestsWhileNothingChanges) {
    desktop.announcesMotion = true;
    make();
    autoHide(true);
    ASSERT_EQ(panel()->frame(), kHidden);
    // Sliding, then one tick that finds what the last one did.
    tick();
    EXPECT_TRUE(controller->hasRevealTimer()) << "no rest while the panel slides";
    tick();
    EXPECT_TRUE(controller->revealPollRests());
    EXPECT_FALSE(controller->hasRevealTimer());
    EXPECT_TRUE(desktop.hasMotionRequest());
    int reads = 0;
    desktop.pointerSource = [&, here = desktop.location()] { return ++reads, here; };
    second();
    second();
    EXPECT_TRUE(controller->revealPollRests()) << "the one-second check finds nothing new";
    EXPECT_EQ(reads, 2) << "with one read of the pointer a second";
    desktop.pointerSource = nullptr;

    // A popup opening without the pointer moving brings the bar up at once, and
    // keeps the poll running until it closes.
    TaskbarView* view = controller->taskbarView("1");
    view->tray()->clock()->showCalendar();
    EXPECT_EQ(panel()->frame(), kShown);
    EXPECT_TRUE(controller->hasRevealTimer());
    // The pointer is away from it: the calendar closes by itself.
    scheduler.advance(400ms);
    ASSERT_EQ(ClockView::openCalendarCount(), 0);
    EXPECT_EQ(panel()->frame(), kHidden);

    scheduler.advance(240ms);
    ASSERT_TRUE(controller->revealPollRests());

    // A pointer warped to the edge: no motion is announced; the one-second check finds it.
    desktop.pointerSource = [] { return kBottom; };
    second();
    EXPECT_EQ(panel()->frame(), kShown);

    // Auto-hide off: no poll and no request left behind.
    autoHide(false);
    EXPECT_FALSE(controller->revealPollRests());
    EXPECT_FALSE(controller->hasRevealTimer());
    EXPECT_FALSE(desktop.hasMotionRequest());
    EXPECT_EQ(panel()->frame(), kShown);
}

TEST(FullscreenLike, OnlyTheFrontmostApplicationsWindowsNeverThisProgram) {
    SimDesktop desktop;
    desktop.setDisplays({kLaptop, kExternal}, 1);
    const Platform platform = desktop.platform();
    const qint64 app = desktop.launch(QStringLiteral("com.example.Game"), "Game");
    const quint32 w = desktop.addWindow(app, "level 1", {0, 0, 1440, 900});
    EXPECT_FALSE(hasFullscreenLikeWindow(platform)) << "not in front";
    desktop.activate(app);
    EXPECT_TRUE(hasFullscreenLikeWindow(platform));
    // The menu bar left visible: an ordinary maximised window.
    desktop.window(w)->bounds = {0, 25, 1440, 875};
    EXPECT_FALSE(hasFullscreenLikeWindow(platform));
    // Within 10 points of a display's frame, on any display (the external one hangs below the main one's top).
    desktop.window(w)->bounds = {1445, -535, 2550, 1440};
    EXPECT_TRUE(hasFullscreenLikeWindow(platform));

    // Never this program.
    desktop.terminate(app);
    const qint64 self = desktop.launch(QStringLiteral("com.vantorel.app"), "Vantorel");
    desktop.window(desktop.addWindow(self, "Settings", {0, 0, 1440, 900}))->fullScreen = true;
    desktop.activate(self);
    EXPECT_FALSE(hasFullscreenLikeWindow(platform));
}

TEST_F(AutoHide, WithABarOnEachDisplayOnlyThePointedOneComesUp) {
    desktop.setDisplays({kLaptop, kExternal}, 1);
    change([](AppSettings& s) { s.showOnAllDisplays = true; });
    make();
    autoHide(true);
    TaskbarPanel* external = controller->extraPanel("2");
    ASSERT_NE(external, nullptr);
    pointAt({2000, 2});
    EXPECT_EQ(external->frame(), (Rect{1440, -1, 2560, 56}));
    EXPECT_EQ(panel()->frame(), kHidden);
}

TEST_F(AutoHide, AMaximisedFrontWindowIsClampedOncePerHeight) {
    const quint32 w = frontWindow("Editor", {0, 25, 1440, 875});
    make();
    EXPECT_EQ(bounds(w), (Rect{0, 25, 1440, 820}));

    // Not while the bar hides by itself, nor on a display without a bar.
    desktop.window(w)->bounds = {0, 25, 1440, 866};
    autoHide(true);
    second();
    EXPECT_EQ(bounds(w), (Rect{0, 25, 1440, 866}));
    autoHide(false);
    desktop.setDisplays({kLaptop, kExternal}, 1);
    desktop.window(w)->bounds = {1440, -515, 2560, 1415};
    second();
    EXPECT_EQ(bounds(w), (Rect{1440, -515, 2560, 1415}));
    change([](AppSettings& s) { s.showOnAllDisplays = true; });
    second();
    EXPECT_EQ(bounds(w), (Rect{1440, -515, 2560, 1360}));
}

TEST_F(AutoHide, WindowsCoveringTheDisplayMakeRoomForTheRevealedBarOnce) {
    const qint64 viewer = desktop.launch(QStringLiteral("com.example.Viewer"), "Viewer");
    const quint32 a = desktop.addWindow(viewer, "a", {0, 0, 1440, 900});
    // Two windows without numbers and with one frame share a key.
    const quint32 b = desktop.addWindow(viewer, "b", {0, 0, 1440, 900});
    desktop.window(a)->numberReadable = false;
    desktop.window(b)->numberReadable = false;
    const quint32 c = desktop.addWindow(viewer, "c", {5, 8, 1432, 893});
    const quint32 small = desktop.addWindow(viewer, "small", {0, 0, 1440, 880});
    const qint64 self = desktop.launch(QStringLiteral("com.vantorel.app"), "Vantorel");
    const quint32 own = desktop.addWindow(self, "ours", {0, 0, 1440, 900});
    make();
    autoHide(true);

    pointAt(kBottom);
    EXPECT_EQ(bounds(a), (Rect{0, 0, 1440, 844}));
    EXPECT_EQ(bounds(b), (Rect{0, 0, 1440, 900})) << "same key as the first";
    EXPECT_EQ(bounds(c), (Rect{5, 8, 1432, 837}));
    EXPECT_EQ(bounds(small), (Rect{0, 0, 1440, 880}));
    EXPECT_EQ(bounds(own), (Rect{0, 0, 1440, 900}));

    pointAt(kAway);
    EXPECT_EQ(bounds(c), (Rect{5, 8, 1432, 893}));
}

TEST_F(AutoHide, MovedWindowsGoBackWhenAutoHideEndsOnRecoveryAndOnUnplug) {
    const qint64 viewer = desktop.launch(QStringLiteral("com.example.Viewer"), "Viewer");
    const quint32 onLaptop = desktop.addWindow(viewer, "laptop", {0, 0, 1440, 900});
    const quint32 onExternal = desktop.addWindow(viewer, "external", {1440, -540, 2560, 1440});
    desktop.setDisplays({kLaptop, kExternal}, 1);
    change([](AppSettings& s) { s.showOnAllDisplays = true; });
    make();
    autoHide(true);

    pointAt(kBottom);
    ASSERT_EQ(bounds(onLaptop).height, 844);
    autoHide(false);
    EXPECT_EQ(bounds(onLaptop).height, 900);

    autoHide(true);
    pointAt(kAway);
    pointAt(kBottom);
    ASSERT_EQ(bounds(onLaptop).height, 844);
    Q_EMIT desktop.workspace.didWake();
    EXPECT_EQ(bounds(onLaptop).height, 900);
    // The recovery decides again at its end: the pointer is still at the bottom.
    EXPECT_EQ(panel()->frame(), kShown);

    pointAt({2000, 2});
    ASSERT_EQ(bounds(onExternal).height, 1384);
    desktop.setDisplays({kLaptop}, 1);
    EXPECT_EQ(bounds(onExternal).height, 1440) << "its display went";
}
