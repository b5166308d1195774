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
#include <QRegularExpression>
#include <cstdio>

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
        reportFile = reports.filePath("launched");
        const QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=Launch Me\nExec=%1 --report %2 "
                                             "--window LaunchMe \"Launched window\"\nStartupNotify=true\n"
                                             "StartupWMClass=LaunchMe\nKeywords=fixture;\n")
                                  .arg(VANTOREL_X_CLIENT, reportFile);
        QFile f(qEnvironmentVariable("XDG_DATA_HOME") + "/applications/org.vantorel.LaunchMe.desktop");
        f.open(QIODevice::WriteOnly);
        f.write(entry.toUtf8());
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
    QString screenshot(const QString& name) {
        Popover* p = popover();
        p->repaint(); // what was typed last may not be drawn yet
        const QRect around = p->geometry().united(startButton()->window()->geometry()).adjusted(-8, -8, 8, 0);
        return vantorel::test::savedImage(QGuiApplication::primaryScreen()->grabWindow(0).toImage().copy(around), name);
    }

    QTemporaryDir reports;
    QString reportFile;
    ManualScheduler taskbarTime;
};

} // namespace

TEST_F(LauncherOnX11, AClickOnTheStartButtonOpensItTypingNeedsNoClickAndReturnLaunches) {
    ASSERT_TRUE(backend);
    makeTaskbar();
    clickStartButton();
    ASSERT_TRUE(launcherTakesTheKeyboard()) << "open: " << controller->isLauncherOpen();
    QStringList names;
    for (const auto& app : controller->launcher()->allApps())
        names << app.name;
    EXPECT_TRUE(names.contains("Launch Me")) << qPrintable(names.join(", "));
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(names, sorted) << "the fixture entries, sorted";

    xdotool({"type", "--delay", "30", "launch m"});
    ASSERT_TRUE(waitUntil([&] { return typedText() == "launch m"; })) << qPrintable(typedText());
    ASSERT_EQ(controller->launcher()->filteredApps().size(), 1u);
    screenshot("vantorel-launcher-light.png");

    xdotool({"key", "Return"});
    EXPECT_TRUE(waitUntil([&] { return !controller->isLauncherOpen(); }));
    ASSERT_TRUE(
        waitUntil([&] { return windowTitled("Launched window") && windowTitled("Launched window")->viewable; }, 15000));
    QFile report(reportFile);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QString line = QString::fromUtf8(report.readAll()).trimmed();
    EXPECT_TRUE(line.startsWith("startup-id vantorel-")) << qPrintable(line);
    EXPECT_TRUE(line.contains(QRegularExpression("_TIME[1-9][0-9]*$"))) << qPrintable(line);
    backend->workspace().terminate(groupWithTitle("Launched window")->info.handle);

    // Opened again it reads the entries again; in light and dark it draws its own background.
    for (auto mode : {AppearanceMode::Light, AppearanceMode::Dark}) {
        if (mode == AppearanceMode::Dark) {
            stopTaskbar();
            makeTaskbar(mode);
        }
        clickStartButton();
        ASSERT_TRUE(launcherTakesTheKeyboard());
        xdotool({"type", "--delay", "30", "office"});
        ASSERT_TRUE(waitUntil([&] { return typedText() == "office"; }));
        ASSERT_EQ(controller->launcher()->filteredApps().size(), 2u) << "Office Calc and Office Writer";
        QCoreApplication::processEvents();
        const bool dark = mode == AppearanceMode::Dark;
        const QImage shot(screenshot(dark ? "vantorel-launcher-dark.png" : "vantorel-launcher-light-query.png"));
        const QRect inShot = popover()->geometry().translated(-popover()->geometry().topLeft() + QPoint(8, 8));
        // Below the two rows the popover shows its own background.
        const QColor background = shot.pixelColor(inShot.center().x(), inShot.bottom() - 30);
        EXPECT_EQ(background.rgb(), launcherColors(dark ? ResolvedTheme::Dark : ResolvedTheme::Light).background.rgb())
            << qPrintable(background.name());
        // Escape closes it.
        xdotool({"key", "Escape"});
        ASSERT_TRUE(waitUntil([&] { return !controller->isLauncherOpen(); }));
    }
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
