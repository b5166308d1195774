// The hiding bar on a real desktop, on real time: the pointer moved through
// XTEST, the panel's frame and strut as the X server has them, real xterms in
// full screen or covering the display, and the bar's pixels read back from
// the root window.
#include "apps/AppButton.h"
#include "platform/x11/X11PanelHost.h"
#include "x11desktop/X11TaskbarFixture.h"

#include <QPixmap>

using namespace vantorel;
using vantorel::test::run;
using vantorel::test::waitUntil;

namespace {

// 1440 x 900: the panel is 56 high and stands one point below the edge.
constexpr int kShownY = 900 - 55;
constexpr int kHiddenY = 900 - 5;
const QColor kTermColour(0x20, 0x40, 0x60);

// Warps the pointer: no device reports that motion.
void pointerTo(int x, int y) {
    run("xdotool", {"mousemove", QString::number(x), QString::number(y)});
}

bool near(QRgb pixel, const QColor& colour) {
    return std::abs(qRed(pixel) - colour.red()) < 12 && std::abs(qGreen(pixel) - colour.green()) < 12 &&
           std::abs(qBlue(pixel) - colour.blue()) < 12;
}

// The light bar's background (0.94, 0.94, 0.95), not a white window.
bool isBarColour(QRgb pixel) {
    auto in = [](int v) { return v >= 228 && v <= 250; };
    return in(qRed(pixel)) && in(qGreen(pixel)) && in(qBlue(pixel));
}

class AutoHideOnX11 : public vantorel::test::X11Taskbar {
protected:
    AutoHideOnX11() { pointerTo(700, 300); }

    void makeTaskbar(bool autoHide) {
        settings.update([autoHide](AppSettings& s) {
            s.appearanceMode = AppearanceMode::Light;
            s.autoHideTaskbar = autoHide;
        });
        // Its pointer poll and one-second check run for real.
        startTaskbar();
    }
    bool panelReaches(int y) {
        return waitUntil([&] { return panelTop() == y; });
    }
    // The bottom value of the panel's _NET_WM_STRUT_PARTIAL.
    int strutBottom() {
        const QString out =
            run("xprop", {"-id", QString::number(controller->window()->winId()), "_NET_WM_STRUT_PARTIAL"});
        const QStringList values = out.section('=', 1).split(',', Qt::SkipEmptyParts);
        return values.size() == 12 ? values[3].trimmed().toInt() : -1;
    }
    QString workArea() { return run("xprop", {"-root", "_NET_WORKAREA"}).section('=', 1).trimmed(); }
    QImage screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }
    // A window's frame as the X server has it now (client and frame extents); empty while unknown.
    QRect frameOf(const QString& title) {
        const X11Window* w = windowTitled(title);
        if (!w)
            return {};
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
        auto size = xreply(xcb_get_geometry_reply(x, xcb_get_geometry(x, w->id), nullptr));
        auto at = xreply(xcb_translate_coordinates_reply(x, xcb_translate_coordinates(x, w->id, root, 0, 0), nullptr));
        if (!size || !at)
            return {};
        return QRect(at->dst_x, at->dst_y, size->width, size->height)
            .adjusted(-int(w->extentLeft), -int(w->extentTop), int(w->extentRight), int(w->extentBottom));
    }
    // An xterm without decorations at this frame (as near as its rows and
    // columns allow), in front.
    void borderlessXterm(const QString& title, const QRect& frame) {
        term(title, "80x24+60+60", {"-b", "0", "-bg", kTermColour.name()});
        ASSERT_TRUE(waitUntil([&] { return windowTitled(title) != nullptr; }));
        const xcb_window_t id = windowTitled(title)->id;
        // Motif's hints, decorations given and none of them, read when the window is mapped again.
        const uint32_t hints[5] = {2, 0, 0, 0, 0};
        xcb_change_property(x, XCB_PROP_MODE_REPLACE, id, atom("_MOTIF_WM_HINTS"), atom("_MOTIF_WM_HINTS"), 32, 5,
                            hints);
        xcb_flush(x);
        const QString w = QString::number(id);
        run("xdotool", {"windowunmap", "--sync", w});
        run("xdotool", {"windowmap", "--sync", w});
        ASSERT_TRUE(waitUntil([&] {
            const X11Window* x = windowTitled(title);
            return x && x->extentTop == 0 && x->extentLeft == 0;
        })) << "still decorated";
        run("xdotool",
            {"windowactivate", "--sync", w, "windowmove", w, QString::number(frame.x()), QString::number(frame.y()),
             "windowsize", w, QString::number(frame.width()), QString::number(frame.height())});
    }
};

} // namespace

TEST_F(AutoHideOnX11, TheBarFollowsThePointerAndReservesNothingWhileItHides) {
    makeTaskbar(true);
    ASSERT_TRUE(panelReaches(kHiddenY)) << "the bar slides down to its strip";
    // The pointer still, the poll rests until it moves.
    ASSERT_TRUE(waitUntil([&] { return controller->revealPollRests(); }));
    EXPECT_FALSE(controller->hasRevealTimer());
    EXPECT_TRUE(waitUntil([&] { return workArea().startsWith("0, 0, 1440, 900"); })) << workArea().toStdString();
    const QImage hidden = screen();
    EXPECT_TRUE(isBarColour(hidden.pixel(700, 897))) << "the 5-point strip";
    EXPECT_FALSE(isBarColour(hidden.pixel(700, 880)));

    // From rest, the mouse moving to the bottom row of pixels brings it up; leaving lets it go.
    movePointer({700, 899});
    ASSERT_TRUE(panelReaches(kShownY));
    movePointer({700, 300});
    ASSERT_TRUE(panelReaches(kHiddenY));

    // Off again: the bar stays, reserves its height, and nothing polls the pointer.
    settings.update([](AppSettings& s) { s.autoHideTaskbar = false; });
    EXPECT_TRUE(panelReaches(kShownY));
    EXPECT_FALSE(controller->hasRevealTimer());
    EXPECT_TRUE(waitUntil([&] { return strutBottom() == 55; }));
}

TEST_F(AutoHideOnX11, MaximisedAndFullScreenXtermsAroundTheShownBar) {
    makeTaskbar(false);
    ASSERT_TRUE(waitUntil([&] { return workArea().startsWith("0, 0, 1440, 845"); }));
    QProcess* maximised = term("Maximised", "80x24+60+60");
    ASSERT_TRUE(waitUntil([&] { return windowTitled("Maximised") != nullptr; }));

    // Maximised by the window manager: clear of the bar already, left as it is.
    run("wmctrl", {"-r", "Maximised", "-b", "add,maximized_vert,maximized_horz"});
    ASSERT_TRUE(waitUntil([&] { return frameOf("Maximised") == QRect(0, 0, 1440, 845); }));
    waitUntil([] { return false; }, 2500);
    EXPECT_EQ(frameOf("Maximised"), QRect(0, 0, 1440, 845));
    maximised->kill();
    ASSERT_TRUE(waitUntil([&] { return !windowTitled("Maximised"); }));

    // One that sized itself over the bar (871 high: 67 rows) is shortened to
    // end on the bar's top edge (845: 65 rows), once for that height.
    const QString title = "Ignores the work area";
    borderlessXterm(title, QRect(0, 0, 1440, 871));
    EXPECT_TRUE(waitUntil([&] { return frameOf(title) == QRect(0, 0, 1440, 845); }));
    const QString id = QString::number(windowTitled(title)->id);
    run("xdotool", {"windowsize", id, "1440", "871"});
    ASSERT_TRUE(waitUntil([&] { return frameOf(title).height() == 871; }));
    waitUntil([] { return false; }, 2500);
    EXPECT_EQ(frameOf(title), QRect(0, 0, 1440, 871)) << "sized back by the user: left so";
    run("xdotool", {"windowminimize", "--sync", id});

    // A full-screen window hides the bar, which the bottom edge brings back above it.
    QProcess* video = term("Full screen video", "80x24+100+100", {"-bg", kTermColour.name()});
    ASSERT_TRUE(waitUntil([&] { return windowTitled("Full screen video") != nullptr; }));
    run("wmctrl", {"-r", "Full screen video", "-b", "add,fullscreen"});
    ASSERT_TRUE(waitUntil([&] { return frameOf("Full screen video") == QRect(0, 0, 1440, 900); }));
    ASSERT_TRUE(panelReaches(kHiddenY)) << "hidden for the full-screen window";
    EXPECT_TRUE(controller->fullscreenLikeActive());
    EXPECT_EQ(strutBottom(), 55) << "the reservation stays: dropping it would resize maximised windows behind";
    // Hidden, the bar is left below the full-screen window: its strip does not show.
    ASSERT_TRUE(waitUntil([&] { return near(screen().pixel(700, 897), kTermColour); }));
    EXPECT_EQ(static_cast<X11PanelHost*>(platform.panels)->coverOf(controller->window()), nullptr);

    // At the bottom edge the bar shows over the video, in pixels.
    pointerTo(700, 899);
    ASSERT_TRUE(waitUntil([&] {
        const QImage s = screen();
        return isBarColour(s.pixel(700, 848)) && isBarColour(s.pixel(1000, 896));
    })) << "the revealed bar is not visible above the full-screen window";

    pointerTo(700, 300);
    EXPECT_TRUE(waitUntil([&] { return near(screen().pixel(700, 848), kTermColour); }));
    EXPECT_TRUE(panelReaches(kHiddenY));

    // Leaving full screen brings the bar back for good, in its usual stacking.
    run("wmctrl", {"-r", "Full screen video", "-b", "remove,fullscreen"});
    EXPECT_TRUE(panelReaches(kShownY));
    EXPECT_TRUE(waitUntil([&] { return !controller->hasRevealTimer(); }));
    EXPECT_EQ(static_cast<X11PanelHost*>(platform.panels)->coverOf(controller->window()), nullptr);
    EXPECT_TRUE(waitUntil([&] { return isBarColour(screen().pixel(700, 848)); }));

    // Back in full screen, the revealed bar takes clicks: the video's own button minimises it.
    run("wmctrl", {"-r", "Full screen video", "-b", "add,fullscreen"});
    ASSERT_TRUE(panelReaches(kHiddenY));
    pointerTo(700, 899);
    ASSERT_TRUE(waitUntil([&] { return isBarColour(screen().pixel(700, 848)); }));
    AppButton* button = nullptr;
    for (QWidget* w : rail().arrangedViews())
        if (auto* b = qobject_cast<AppButton*>(w); b && b->entry().pid == video->processId())
            button = b;
    ASSERT_NE(button, nullptr);
    const QPoint at = button->mapToGlobal(button->rect().center());
    run("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
    EXPECT_TRUE(waitUntil([&] {
        const X11Window* w = windowTitled("Full screen video");
        return w && backend->workspace().isMinimized(*w);
    }));
}

TEST_F(AutoHideOnX11, AnUndecoratedXtermCoveringTheDisplayMakesRoomForTheRevealedBar) {
    const QString title = "Covering";
    // Within 10 points of the display: 897, the window manager keeps an xterm to whole rows of 13.
    borderlessXterm(title, QRect(0, 0, 1440, 900));
    ASSERT_TRUE(waitUntil([&] { return frameOf(title) == QRect(0, 0, 1440, 897); }));

    makeTaskbar(true);
    ASSERT_TRUE(panelReaches(kHiddenY));
    // Shortened by the panel's 56 points: asked for 841, it takes the 64 rows that fit.
    auto clearOfTheBar = [&] {
        const QRect f = frameOf(title);
        return f.topLeft() == QPoint(0, 0) && f.width() == 1440 && f.height() <= 897 - 56 && f.height() > 897 - 56 - 13;
    };
    pointerTo(700, 899);
    EXPECT_TRUE(panelReaches(kShownY));
    EXPECT_TRUE(waitUntil(clearOfTheBar));
    pointerTo(700, 300);
    EXPECT_TRUE(panelReaches(kHiddenY));
    EXPECT_TRUE(waitUntil([&] { return frameOf(title) == QRect(0, 0, 1440, 897); }));

    pointerTo(700, 899);
    EXPECT_TRUE(waitUntil(clearOfTheBar));
    // What quitting runs.
    stopTaskbar();
    EXPECT_TRUE(waitUntil([&] { return frameOf(title) == QRect(0, 0, 1440, 897); }));
}
