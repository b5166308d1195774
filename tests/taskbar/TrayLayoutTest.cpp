#include "apps/AppButtonsRail.h"
#include "recording/RecordingButton.h"
#include "recording/SummariesFolderButton.h"
#include "support/SimWorld.h"
#include "taskbar/TaskbarView.h"
#include "taskbar/TrayView.h"
#include "widgets/ClockView.h"
#include "widgets/ShowDesktopButton.h"
#include "widgets/StartButtonView.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace vantorel;

TEST(TrayLayoutTest, AddOnButtonsTakeTheirPlaceOrNone) {
    const QSize tray(200, 56);
    const auto with = trayLayout(true, tray, 70);
    EXPECT_EQ(with.folder, QRect(6, 18, 20, 20));
    EXPECT_EQ(with.record, QRect(30, 18, 20, 20));
    EXPECT_EQ(with.clock.left(), 58);
    EXPECT_EQ(with.clock.right() + 1, 200 - 8 - 4);
    EXPECT_EQ(with.showDesktop, QRect(192, 0, 8, 56));

    const auto without = trayLayout(false, tray, 70);
    EXPECT_EQ(without.folder.width(), 0);
    EXPECT_EQ(without.record.width(), 0);
    EXPECT_EQ(without.clock.left(), 6);
    EXPECT_EQ(without.clock.right() + 1, 188);
    EXPECT_EQ(without.clock.height(), 56);

    EXPECT_EQ(trayFittingWidth(true, 70), 58 + 70 + 12);
    EXPECT_EQ(trayFittingWidth(false, 70), 6 + 70 + 12);
}

TEST(TrayLayoutTest, TrayKeepsItsWidthAndTheRailShrinks) {
    const auto wide = taskbarLayout(QSize(1440, 56), 100);
    EXPECT_EQ(wide.startButton, QRect(0, 0, 61, 56));
    EXPECT_EQ(wide.tray, QRect(1440 - 188, 0, 188, 56));
    EXPECT_EQ(wide.appRail, QRect(61, 0, 1440 - 61 - 1 - 188, 56));
    EXPECT_EQ(wide.separator, QRect(wide.appRail.right() + 1, 14, 1, 28));

    const auto fitting = taskbarLayout(QSize(1440, 56), 230);
    EXPECT_EQ(fitting.tray.width(), 230) << "a wider tray takes its fitting width";

    const auto narrow = taskbarLayout(QSize(220, 56), 100);
    EXPECT_EQ(narrow.tray.width(), 188);
    EXPECT_EQ(narrow.appRail.width(), 0);
}

namespace {

struct TaskbarViewTest : ::testing::Test {
    test::SimWorld world;
    std::unique_ptr<TaskbarView> make(int width = 1440) {
        auto view = std::make_unique<TaskbarView>(world.dependencies());
        view->resize(width, 55);
        view->show(); // a hidden widget gets its resize only when shown
        return view;
    }
    static int clockLeftInTray(const TaskbarView& v) { return v.tray()->clock()->geometry().left(); }
};

} // namespace

TEST_F(TaskbarViewTest, InstallingTheAddOnShowsItsButtonsInEveryTray) {
    auto first = make();
    auto second = make(1024);
    for (auto* v : {first.get(), second.get()}) {
        EXPECT_FALSE(v->tray()->summariesFolderBtn()->isVisible());
        EXPECT_EQ(clockLeftInTray(*v), 6);
    }
    const int trayWithout = first->tray()->width();

    world.change([](AppSettings& s) { s.recordingAddonInstalled = true; });
    for (auto* v : {first.get(), second.get()}) {
        EXPECT_TRUE(v->tray()->summariesFolderBtn()->isVisible());
        EXPECT_TRUE(v->tray()->recordBtn()->isVisible());
        EXPECT_EQ(clockLeftInTray(*v), 58);
        EXPECT_EQ(v->tray()->recordBtn()->geometry(), QRect(30, 17, 20, 20));
        EXPECT_EQ(v->tray()->showDesktopBtn()->geometry(), QRect(v->tray()->width() - 8, 0, 8, 55));
    }
    // The tray grows only when its parts no longer fit in 188.
    const int fitting = first->tray()->fittingWidth();
    EXPECT_EQ(first->tray()->width(), std::max(188, fitting));
    EXPECT_GE(first->tray()->width(), trayWithout);
    EXPECT_EQ(first->tray()->geometry().right(), 1439);

    world.change([](AppSettings& s) { s.recordingAddonInstalled = false; });
    for (auto* v : {first.get(), second.get()}) {
        EXPECT_FALSE(v->tray()->recordBtn()->isVisible());
        EXPECT_EQ(clockLeftInTray(*v), 6);
    }
}

TEST_F(TaskbarViewTest, NarrowBarShrinksTheRailNotTheTray) {
    auto view = make(200);
    EXPECT_EQ(view->tray()->width(), 188);
    EXPECT_EQ(view->appRail->width(), 0);
    view->resize(900, 55);
    EXPECT_EQ(view->tray()->width(), 188);
    EXPECT_EQ(view->appRail->geometry(), QRect(61, 0, 900 - 61 - 1 - 188, 55));
    EXPECT_EQ(view->separator()->geometry(), QRect(61 + 650, 13, 1, 28));
}

TEST_F(TaskbarViewTest, StartButtonPassesItselfAsTheAnchor) {
    auto view = make();
    QWidget* clicked = nullptr;
    QWidget* rightClicked = nullptr;
    view->onStartButtonClicked = [&](QWidget* anchor) { clicked = anchor; };
    view->onStartButtonRightClicked = [&](QWidget* anchor) { rightClicked = anchor; };
    QTest::mousePress(view->startBtn(), Qt::RightButton, {}, QPoint(30, 27));
    EXPECT_EQ(rightClicked, view->startBtn());
    EXPECT_EQ(clicked, nullptr);
    QTest::mouseClick(view->startBtn(), Qt::LeftButton, {}, QPoint(30, 27));
    EXPECT_EQ(clicked, view->startBtn());
}

TEST_F(TaskbarViewTest, BackgroundFollowsTheLook) {
    auto view = make(400);
    auto sample = [&] {
        QImage image(view->size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        view->render(&image, QPoint(), QRegion(), QWidget::DrawChildren); // without the window's own fill
        return std::pair{image.pixelColor(100, 30), image.pixelColor(100, 0)};
    };
    const auto light = taskbarColors(ResolvedTheme::Light);
    const auto dark = taskbarColors(ResolvedTheme::Dark);
    auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 &&
               std::abs(a.blue() - b.blue()) <= 2;
    };

    auto [body, line] = sample();
    EXPECT_TRUE(near(body, light.background)) << body.name().toStdString();
    EXPECT_LT(line.lightness(), body.lightness()) << "a darker line along the top";

    world.desktop.theme.set(ResolvedTheme::Dark); // auto follows the system
    view->applySettings();
    std::tie(body, line) = sample();
    EXPECT_TRUE(near(body, dark.background)) << body.name().toStdString();
    EXPECT_GT(line.lightness(), body.lightness()) << "a lighter line along the top";

    world.change([](AppSettings& s) { s.appearanceMode = AppearanceMode::Light; });
    view->applySettings();
    std::tie(body, line) = sample();
    EXPECT_TRUE(near(body, light.background)) << body.name().toStdString();
}
