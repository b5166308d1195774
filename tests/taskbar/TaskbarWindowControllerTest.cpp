#include "taskbar/TaskbarWindowController.h"
#include "apps/AppRegistryService.h"
#include "platform/sim/SimDemo.h"
#include "support/TaskbarFixture.h"
#include "widgets/LauncherPanelController.h"
#include "widgets/LauncherView.h"
#include "widgets/StartButtonView.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <set>

#ifdef VANTOREL_HAVE_QT_PLATFORM_HEADERS
#include <qpa/qplatformnativeinterface.h>
#endif

using namespace vantorel;
using vantorel::test::kExternal;
using vantorel::test::kLaptop;

namespace {

const vantorel::Display kAbove{3, {0, 900, 1920, 1080}, {0, 900, 1920, 1080}};

class Taskbar : public test::TaskbarFixture {
protected:
    Taskbar() { desktop.setDisplays({kLaptop, kExternal}, 1); }

    // Every panel of ours that is on screen, by the display it stands on.
    static std::vector<TaskbarPanel*> visiblePanels() {
        std::vector<TaskbarPanel*> out;
        for (auto* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<TaskbarPanel*>(w); p && p->isVisible())
                out.push_back(p);
        return out;
    }

    void expectOnePanelPerTarget(std::size_t expected) {
        const auto panels = visiblePanels();
        ASSERT_EQ(panels.size(), expected);
        std::set<std::pair<double, double>> origins;
        for (auto* p : panels)
            origins.insert({p->frame().x, p->frame().y});
        EXPECT_EQ(origins.size(), expected) << "two panels on one display";
        EXPECT_EQ(controller->taskbarViewCount(), expected);
    }

    // Opens the start button's menu of a view with a right press. The menu runs
    // a loop of its own, as the real one does: `change` runs in it, then, once
    // the loop has turned again (deleting what was deleted later), `check`.
    void pressMenuOpen(TaskbarView* view, std::function<void()> change, std::function<void()> check) {
        controller->presentMenu = [change, check](QMenu&, QWidget*) {
            QEventLoop menuLoop;
            QTimer::singleShot(0, &menuLoop, change);
            QTimer::singleShot(0, &menuLoop, [&menuLoop, check] {
                QTimer::singleShot(0, &menuLoop, [&menuLoop, check] {
                    check();
                    menuLoop.quit();
                });
            });
            menuLoop.exec();
        };
        QTest::mousePress(view->startBtn(), Qt::RightButton, {}, QPoint(30, 27));
    }
};

} // namespace

TEST_F(Taskbar, OnePanelOnThePrimaryDisplayAndOneOnEachOtherInAllDisplaysModeWhereClicksWorkToo) {
    const qint64 editor = desktop.launch(QStringLiteral("com.example.Editor"), "Editor");
    desktop.addWindow(editor, "draft", {100, 100, 800, 600}, true);
    desktop.activate(desktop.launch(QStringLiteral("com.apple.mail"), "Mail"));
    make();
    expectOnePanelPerTarget(1);

    change([](AppSettings& s) { s.showOnAllDisplays = true; });
    expectOnePanelPerTarget(2);
    TaskbarPanel* extra = controller->extraPanel("2");
    ASSERT_NE(extra, nullptr);
    AppButton* button = controller->taskbarView("2")->appRail->button("com.example.Editor");
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    EXPECT_TRUE(desktop.app(editor)->info.isActive);
    EXPECT_FALSE(desktop.app(editor)->windows.front().minimized);

    // No displays reported changes nothing.
    desktop.setDisplays({}, std::nullopt);
    expectOnePanelPerTarget(2);
    desktop.setDisplays({kLaptop, kExternal}, 1);
    change([](AppSettings& s) { s.showOnAllDisplays = false; });
    expectOnePanelPerTarget(1);
}

TEST_F(Taskbar, ThePrimaryMovingOntoAnExtraPanelsDisplayLeavesOnePanelThere) {
    change([](AppSettings& s) { s.showOnAllDisplays = true; });
    desktop.setDisplays({kLaptop, kExternal, kAbove}, 1);
    make();
    expectOnePanelPerTarget(3);
    TaskbarView* oldPrimaryView = controller->taskbarView("1");

    // The external display becomes the lowest one: it is now first in order and the main display.
    vantorel::Display lowered = kExternal;
    lowered.frame.y = -200;
    controller->visibleByScreenID()["2"] = false;
    desktop.setDisplays({kLaptop, lowered, kAbove}, 2);
    EXPECT_EQ(controller->primaryScreenID(), "2");
    expectOnePanelPerTarget(3);
    EXPECT_EQ(controller->extraPanel("2"), nullptr);
    EXPECT_EQ(panel()->frame(), (Rect{1440, -201, 2560, 56}));
    EXPECT_NE(controller->extraPanel("1"), nullptr);
    EXPECT_NE(controller->taskbarView("2"), oldPrimaryView);
    // The stale auto-hide state of the old extra panel went with it.
    const auto& visible = controller->visibleByScreenID();
    EXPECT_TRUE(!visible.count("2") || visible.at("2"));
}

TEST_F(Taskbar, PanelsOfADisplayThatGoesWhileTheirMenuIsOpenLiveUntilItCloses) {
    change([](AppSettings& s) { s.showOnAllDisplays = true; });
    make();
    QPointer<TaskbarPanel> extra = controller->extraPanel("2");
    bool aliveWhileOpen = false, shownWhileOpen = true;
    pressMenuOpen(
        controller->taskbarView("2"), [&] { desktop.setDisplays({kLaptop}, 1); },
        [&] {
            aliveWhileOpen = !extra.isNull();
            shownWhileOpen = extra && extra->isVisible();
        });
    EXPECT_TRUE(controller->extraPanelIds().empty());
    EXPECT_EQ(controller->menuTrackingDepth(), 0);
    EXPECT_TRUE(aliveWhileOpen) << "deleted under the menu opened from it";
    EXPECT_FALSE(shownWhileOpen);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(extra) << "gone once the menu has closed";

    // The primary panel stays, but its view goes when the main display changes.
    QPointer<TaskbarView> oldPrimaryView = controller->taskbarView("1");
    bool viewAliveWhileOpen = false;
    pressMenuOpen(
        oldPrimaryView, [&] { desktop.setDisplays({kExternal}, 2); },
        [&] { viewAliveWhileOpen = !oldPrimaryView.isNull(); });
    EXPECT_TRUE(viewAliveWhileOpen);
    EXPECT_EQ(panel()->contentView(), controller->taskbarView("2"));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(oldPrimaryView);
}

#ifdef VANTOREL_HAVE_QT_PLATFORM_HEADERS
namespace {
// Qt's offscreen screens, changed at run time as a display change does;
// restored when it goes.
class OffscreenScreens {
public:
    OffscreenScreens() {
        auto* native = QGuiApplication::platformNativeInterface();
        if (QGuiApplication::platformName() != QLatin1String("offscreen") || !native)
            return;
        get_ = reinterpret_cast<QJsonObject (*)(QPlatformNativeInterface*)>(
            native->nativeResourceForIntegration("configuration"));
        set_ = reinterpret_cast<void (*)(const QJsonObject&, QPlatformNativeInterface*)>(
            native->nativeResourceForIntegration("setConfiguration"));
        if (get_ && set_)
            original_ = get_(native);
    }
    ~OffscreenScreens() {
        if (!available())
            return;
        QJsonObject now = original_;
        now[QStringLiteral("synchronousWindowSystemEvents")] = true;
        apply(now);
        apply(original_);
    }
    bool available() const { return !original_.isEmpty(); }
    // Screens as {name, x, y, width, height} in Qt's coordinates; the first stays the primary.
    void set(const std::vector<std::tuple<QString, int, int, int, int>>& screens) {
        QJsonArray list;
        for (const auto& [name, x, y, w, h] : screens)
            list.append(QJsonObject{{QStringLiteral("name"), name},
                                    {QStringLiteral("x"), x},
                                    {QStringLiteral("y"), y},
                                    {QStringLiteral("width"), w},
                                    {QStringLiteral("height"), h}});
        QJsonObject config = original_;
        config[QStringLiteral("screens")] = list;
        config[QStringLiteral("synchronousWindowSystemEvents")] = true;
        apply(config);
    }

private:
    void apply(const QJsonObject& config) { set_(config, QGuiApplication::platformNativeInterface()); }
    QJsonObject (*get_)(QPlatformNativeInterface*) = nullptr;
    void (*set_)(const QJsonObject&, QPlatformNativeInterface*) = nullptr;
    QJsonObject original_;
};
} // namespace

TEST_F(Taskbar, ThePanelFollowsTheMainDisplayWhenItGrowsOrAnotherComesLeftOfIt) {
    OffscreenScreens screens;
    if (!screens.available())
        GTEST_SKIP() << "needs Qt's offscreen platform";
    const QString primary = QGuiApplication::primaryScreen()->name();
    screens.set({{primary, 0, 0, 1920, 1080}});
    // The displays follow Qt's screens, as in the demo.
    mirrorQtScreens(desktop, 0);
    make();
    TaskbarPanel* panel = controller->window();
    EXPECT_EQ(panel->geometry(), QRect(0, 1080 - 55, 1920, 56));

    // Taller: the same frame against the display's bottom-left corner, lower on screen.
    screens.set({{primary, 0, 0, 1920, 1200}});
    EXPECT_EQ(panel->frame(), (Rect{0, -1, 1920, 56}));
    EXPECT_EQ(panel->geometry(), QRect(0, 1200 - 55, 1920, 56));

    // A display left of it pushes the main display to the right.
    screens.set({{primary, 1280, 0, 1920, 1200}, {QStringLiteral("left"), 0, 0, 1280, 1024}});
    EXPECT_EQ(panel->frame(), (Rect{0, -1, 1920, 56}));
    EXPECT_EQ(panel->geometry(), QRect(1280, 1200 - 55, 1920, 56));
}
#endif

TEST_F(Taskbar, TheAppearanceFollowsTheSettingAndTheSystemOnlyInAuto) {
    make();
    TaskbarView* view = controller->taskbarView("1");
    auto grey = [view] {
        QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        view->render(&image);
        return qGray(image.pixel(10, view->height() / 2));
    };
    EXPECT_GT(grey(), 200);
    desktop.theme.set(ResolvedTheme::Dark);
    EXPECT_LT(grey(), 60) << "auto follows the system";
    change([](AppSettings& s) { s.appearanceMode = AppearanceMode::Light; });
    EXPECT_GT(grey(), 200);
}

TEST_F(Taskbar, RecoveryAfterWakeRebuildsAndTeardownStopsTheTimersAndClosesExtraPanels) {
    change([](AppSettings& s) { s.showOnAllDisplays = true; });
    make();
    panel()->setIgnoresMouseEvents(true);
    panel()->hide();
    Q_EMIT desktop.workspace.didWake();
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_FALSE(panel()->ignoresMouseEvents());

    const int ticking = scheduler.repeatingCount();
    controller->teardown();
    // The window-state timer and the extra panel's clock stop with it.
    EXPECT_EQ(scheduler.repeatingCount(), ticking - 2);
    EXPECT_TRUE(controller->extraPanelIds().empty());
}

TEST_F(Taskbar, TheStartMenuFollowsTheUpdateStateTracksItsDepthAndRunsTheChosenItem) {
    make();
    updates.setConfigured(true);
    QSignalSpy checks(&updates, &UpdateService::checkRequested);
    QStringList shown;
    QString choose = QStringLiteral("Check for Updates…");
    int depthWhileOpen = -1;
    controller->presentMenu = [&](QMenu& menu, QWidget*) {
        depthWhileOpen = controller->menuTrackingDepth();
        shown.clear();
        for (auto* a : menu.actions())
            shown << (a->isSeparator() ? QStringLiteral("-") : a->text());
        for (auto* a : menu.actions())
            if (a->text() == choose)
                a->trigger();
    };
    controller->showStartButtonMenu(controller->window());
    EXPECT_EQ(depthWhileOpen, 1);
    EXPECT_EQ(controller->menuTrackingDepth(), 0);
    EXPECT_EQ(shown, (QStringList{"Settings…", "Check for Updates…", "What's New", "-", "Quit Vantorel"}));
    EXPECT_EQ(checks.count(), 1);

    updates.setAvailableVersion(QStringLiteral("1.2.0"));
    desktop.scriptedAlertAnswers = {1};
    choose = QStringLiteral("Quit Vantorel");
    controller->showStartButtonMenu(controller->window());
    EXPECT_EQ(shown.mid(0, 3), (QStringList{"Install Update 1.2.0…", "-", "Settings…"}));
    EXPECT_EQ(desktop.shownAlerts.size(), 1u) << "Quit asks first";
}

TEST_F(Taskbar, TheStartButtonOpensAFreshLauncherAndTheControllersCloseItsPointsCloseIt) {
    QTemporaryDir apps;
    desktop.applicationFolders = {apps.path()};
    QDir(apps.path()).mkpath("Mail.app");
    make();
    const int ticking = scheduler.repeatingCount();
    TaskbarView* view = controller->taskbarView("1");
    auto click = [&] { QTest::mouseClick(view->startBtn(), Qt::LeftButton, {}, QPoint(30, 27)); };
    auto names = [&] {
        QStringList out;
        for (const auto& a : controller->launcher()->allApps())
            out << a.name;
        return out;
    };

    click();
    ASSERT_TRUE(controller->isLauncherOpen());
    click();
    EXPECT_FALSE(controller->isLauncherOpen()) << "a second click closes it";

    // Every opening reads the installed applications again.
    QDir(apps.path()).mkpath("Maps.app");
    click();
    ASSERT_TRUE(controller->isLauncherOpen());
    EXPECT_EQ(names(), (QStringList{"Mail", "Maps"}));

    desktop.setDisplays({kLaptop}, 1);
    EXPECT_FALSE(controller->isLauncherOpen()) << "panels rebuilt";
    click();
    controller->teardown();
    EXPECT_FALSE(controller->isLauncherOpen());
    EXPECT_EQ(desktop.clickWatchCount(), 0u);
    EXPECT_EQ(controller->launcher(), nullptr);
    EXPECT_EQ(scheduler.repeatingCount(), ticking - 1)
        << "only the window-state timer stopped, no dismiss polling left";
}

TEST_F(Taskbar, AHoverShowsTheRunningApplicationsPreviewUntilAMenuARebuildOrANoticeClosesIt) {
    persistence.savePinnedApps({"com.example.Idle"});
    desktop.install("com.example.Idle", "/Applications/Idle.app");
    const qint64 editor = desktop.launch(QStringLiteral("com.example.Editor"), "Editor");
    desktop.addWindow(editor, "draft", {100, 100, 800, 600});
    const qint64 helper = desktop.launch(QStringLiteral("com.example.Helper"), "Helper");
    make();
    const QString key = "com.example.Editor";

    hover("com.example.Idle");
    EXPECT_FALSE(controller->isPreviewOpen()) << "nothing to preview for an application that does not run";

    AppButton* button = hover(key);
    ASSERT_TRUE(controller->isPreviewOpen());
    // The hover's end leaves it to the pointer polling: the pointer may be on its way up.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    scheduler.advance(160ms);
    EXPECT_TRUE(controller->isPreviewOpen());

    QTest::mousePress(button, Qt::RightButton, {}, button->rect().center());
    EXPECT_FALSE(controller->isPreviewOpen()) << "closed before the application menu";

    // The card of an application without windows quits it.
    hover("com.example.Helper");
    auto* card = qobject_cast<PreviewCardView*>(controller->previewPanel().panel()->content());
    ASSERT_NE(card, nullptr);
    QTest::mousePress(card->quitButton(), Qt::LeftButton, {}, QPoint(11, 11));
    EXPECT_EQ(desktop.app(helper), nullptr);
    EXPECT_FALSE(controller->isPreviewOpen());

    const std::vector<std::pair<const char*, std::function<void()>>> closers{
        {"rebuild", [&] { desktop.setDisplays({kLaptop}, 1); }},
        {"screens asleep", [&] { Q_EMIT desktop.workspace.screensDidSleep(); }},
        {"teardown", [&] { controller->teardown(); }},
    };
    for (const auto& [what, close] : closers) {
        hover(key);
        ASSERT_TRUE(controller->isPreviewOpen()) << what;
        close();
        EXPECT_FALSE(controller->isPreviewOpen()) << what;
        EXPECT_FALSE(controller->previewPanel().isPollingForDismiss()) << what;
    }
}

TEST_F(Taskbar, ARightClickOpensTheApplicationMenuAtTheClickInTheChosenLook) {
    const qint64 editor = desktop.launch(QStringLiteral("com.example.Editor"), QStringLiteral("Editor"));
    desktop.addWindow(editor, QStringLiteral("Draft"), {100, 100, 400, 300});
    settings.update([](AppSettings& s) { s.appearanceMode = AppearanceMode::Dark; });
    make();
    const AppEntry entry = controller->taskbarView("1")->appRail->button(QStringLiteral("com.example.Editor"))->entry();
    int depthWhileOpen = -1;
    QPoint at;
    QColor background;
    QStringList shown;
    bool previewOverMenu = true;
    controller->presentMenu = [&](QMenu& menu, QWidget*) {
        depthWhileOpen = controller->menuTrackingDepth();
        at = menu.property("popupAt").toPoint();
        background = menu.palette().color(QPalette::Window);
        for (auto* a : menu.actions())
            shown << (a->isSeparator() ? QStringLiteral("-") : a->text());
        // A hover that began with the click ends while the menu is open.
        ASSERT_TRUE(hover(QStringLiteral("com.example.Editor")));
        previewOverMenu = controller->isPreviewOpen();
        menu.actions().front()->trigger();
    };
    const QMouseEvent press(QEvent::MouseButtonPress, QPointF(4, 4), QPointF(321, 876), Qt::RightButton,
                            Qt::RightButton, Qt::NoModifier);
    controller->taskbarView("1")->appRail->onAppButtonRightClicked(entry, press);
    EXPECT_EQ(depthWhileOpen, 1);
    EXPECT_FALSE(previewOverMenu) << "no preview over an open menu";
    EXPECT_EQ(controller->menuTrackingDepth(), 0);
    EXPECT_EQ(at, QPoint(321, 876));
    EXPECT_EQ(background, ThemeService::palette(ResolvedTheme::Dark).color(QPalette::Window));
    EXPECT_EQ(shown.mid(0, 4), QStringList({"Hide", "-", "New Window", "Close All Windows"}));
    EXPECT_TRUE(desktop.app(editor)->info.isHidden) << "the chosen item ran";
}
