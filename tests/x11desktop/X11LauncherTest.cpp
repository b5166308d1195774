// The launcher on a real desktop: opened by a click on the start button
// (pointer and keys through XTEST), typed into without a click, launching a
// fixture application, closing on Escape and on a click in another
// application, which still gets that click.
#include "core/ManualScheduler.h"
#include "widgets/LauncherPanelController.h"
#include "widgets/LauncherView.h"
#include "widgets/Popover.h"
#include "widgets/StartButtonView.h"
#include "x11desktop/X11TaskbarFixture.h"

#include <QApplication>

using namespace vantorel;
using vantorel::test::waitUntil;
using vantorel::test::xdotool;

namespace {

// Notices a mouse release anywhere in a window of ours.
struct ReleaseSeen : QObject {
    explicit ReleaseSeen(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonRelease && o->isWidgetType() &&
            static_cast<QWidget*>(o)->window() == window_)
            seen = true;
        return false;
    }
    QWidget* window_;
    bool seen = false;
};

// The taskbar on the real desktop. Its own time stands still, so nothing but
// the click monitor can close the launcher when another application is clicked.
class LauncherOnX11 : public vantorel::test::X11Taskbar {
protected:
    LauncherOnX11() {
        QFile f(qEnvironmentVariable("XDG_DATA_HOME") + "/applications/org.vantorel.LaunchMe.desktop");
        f.open(QIODevice::WriteOnly);
        f.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Launch Me\nExec=%1 --window LaunchMe "
                               "\"Launched window\"\nStartupNotify=true\nStartupWMClass=LaunchMe\n")
                    .arg(VANTOREL_X_CLIENT)
                    .toUtf8());
    }
    ~LauncherOnX11() override { stopTaskbar(); } // before the time it runs on goes

    void makeTaskbar(AppearanceMode mode = AppearanceMode::Light) {
        settings.update([mode](AppSettings& s) { s.appearanceMode = mode; });
        startTaskbar(&taskbarTime);
        ASSERT_TRUE(waitUntil([&] { return startButton()->isVisible(); }));
    }
    StartButtonView* startButton() { return controller->taskbarView(*controller->primaryScreenID())->startBtn(); }
    static void click(QPoint global, int times = 1) {
        xdotool({"mousemove", QString::number(global.x()), QString::number(global.y()), "click", "--repeat",
                 QString::number(times), "--delay", "60", "1"});
    }
    void clickStartButton() { click(startButton()->mapToGlobal(startButton()->rect().center())); }
    Popover* popover() { return controller->launcher() ? controller->launcher()->popover() : nullptr; }
    // Open, on screen, and the window with the keyboard.
    bool launcherTakesTheKeyboard() {
        return waitUntil([&] {
            Popover* p = popover();
            return controller->isLauncherOpen() && p->windowHandle() && p->windowHandle()->isExposed() &&
                   QGuiApplication::focusWindow() == p->windowHandle();
        });
    }
    QString typedText() {
        auto* l = controller->launcher();
        return l && l->searchField() ? l->searchField()->text() : QString();
    }

    ManualScheduler taskbarTime;
};

} // namespace

TEST_F(LauncherOnX11, AClickOnTheStartButtonOpensItTypingNeedsNoClickAndReturnLaunches) {
    ASSERT_TRUE(backend);
    makeTaskbar(AppearanceMode::Dark);
    clickStartButton();
    ASSERT_TRUE(launcherTakesTheKeyboard()) << "open: " << controller->isLauncherOpen();
    xdotool({"type", "--delay", "30", "launch m"});
    ASSERT_TRUE(waitUntil([&] { return typedText() == "launch m"; })) << qPrintable(typedText());
    ASSERT_EQ(controller->launcher()->filteredApps().size(), 1u);
    // Below the row the popover shows its own background, as the screen has it.
    popover()->repaint();
    QCoreApplication::processEvents();
    const QPoint below(popover()->geometry().center().x(), popover()->geometry().bottom() - 30);
    const QColor background = QGuiApplication::primaryScreen()->grabWindow(0).toImage().pixelColor(below);
    EXPECT_EQ(background.rgb(), launcherColors(ResolvedTheme::Dark).background.rgb()) << qPrintable(background.name());

    // Return launches it and closes the launcher.
    xdotool({"key", "Return"});
    EXPECT_TRUE(waitUntil([&] { return !controller->isLauncherOpen(); }));
    ASSERT_TRUE(
        waitUntil([&] { return windowTitled("Launched window") && windowTitled("Launched window")->viewable; }, 15000));
    backend->workspace().terminate(groupWithTitle("Launched window")->info.handle);

    // Escape closes it.
    clickStartButton();
    ASSERT_TRUE(launcherTakesTheKeyboard());
    xdotool({"key", "Escape"});
    EXPECT_TRUE(waitUntil([&] { return !controller->isLauncherOpen(); }));
}

TEST_F(LauncherOnX11, AClickOnAnotherWindowClosesItAndStillReachesThatWindow) {
    ASSERT_TRUE(backend);
    term("click target", "30x4+500+300", {"-e", "sh", "-c", "echo vantorel; exec sleep 600"});
    ASSERT_TRUE(waitUntil([&] { return windowTitled("click target") && windowTitled("click target")->viewable; }));
    const X11Window* target = windowTitled("click target");
    const xcb_window_t targetId = target->id;
    const QPoint word = target->client.topLeft() + QPoint(14, 7);
    makeTaskbar();
    auto& x = backend->tracker().connection();
    auto primaryOwner = [&] {
        auto reply = xreply(xcb_get_selection_owner_reply(
            x.connection(), xcb_get_selection_owner(x.connection(), XCB_ATOM_PRIMARY), nullptr));
        return reply ? reply->owner : static_cast<xcb_window_t>(XCB_NONE);
    };
    ASSERT_EQ(primaryOwner(), static_cast<xcb_window_t>(XCB_NONE));

    // A click on our own bar is no click elsewhere. Once the bar has seen it,
    // a round trip on the backend's connection brings its raw event too.
    clickStartButton();
    ASSERT_TRUE(launcherTakesTheKeyboard());
    ReleaseSeen seen(startButton()->window());
    click(startButton()->window()->mapToGlobal(QPoint(400, 20)));
    ASSERT_TRUE(waitUntil([&] { return seen.seen; }));
    std::free(xcb_get_input_focus_reply(x.connection(), xcb_get_input_focus(x.connection()), nullptr));
    x.drain();
    EXPECT_TRUE(controller->isLauncherOpen());

    // A double click on the word: the terminal selects it only if the first
    // click, the one that closed the launcher, reached it too.
    click(word, 2);
    EXPECT_TRUE(waitUntil([&] { return !controller->isLauncherOpen(); }));
    ASSERT_TRUE(waitUntil([&] { return primaryOwner() != XCB_NONE; }));
    const uint32_t clientBits = ~xcb_get_setup(x.connection())->resource_id_mask;
    EXPECT_EQ(primaryOwner() & clientBits, targetId & clientBits) << "the terminal owns the selection";
    EXPECT_TRUE(waitUntil([&] {
        const X11AppGroup* g = groupWithTitle("click target");
        return g && g->info.isActive;
    })) << "and took the focus";
}
