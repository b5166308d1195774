#include "apps/AppButtonsRail.h"
#include "support/SimWorld.h"
#include "taskbar/TaskbarView.h"
#include "taskbar/TrayView.h"
#include "widgets/ClockView.h"
#include "widgets/ShowDesktopButton.h"
#include "widgets/StartButtonView.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace vantorel;

TEST(TrayLayoutTest, TrayKeepsItsWidthAndTheRailShrinks) {
    const auto wide = taskbarLayout(QSize(1440, 56), 100);
    EXPECT_EQ(wide.startButton, QRect(0, 0, 61, 56));
    EXPECT_EQ(wide.tray, QRect(1440 - 188, 0, 188, 56));
    EXPECT_EQ(wide.appRail, QRect(61, 0, 1440 - 61 - 1 - 188, 56));
    EXPECT_EQ(wide.separator, QRect(wide.appRail.right() + 1, 14, 1, 28));

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
    EXPECT_EQ(clockLeftInTray(*first), 6);

    world.change([](AppSettings& s) { s.recordingAddonInstalled = true; });
    for (auto* v : {first.get(), second.get()}) {
        EXPECT_EQ(clockLeftInTray(*v), 58);
        EXPECT_EQ(v->tray()->showDesktopBtn()->geometry(), QRect(v->tray()->width() - 8, 0, 8, 55));
    }
    // The tray grows only when its parts no longer fit in 188.
    EXPECT_EQ(first->tray()->width(), std::max(188, first->tray()->fittingWidth()));

    world.change([](AppSettings& s) { s.recordingAddonInstalled = false; });
    EXPECT_EQ(clockLeftInTray(*second), 6);
}
