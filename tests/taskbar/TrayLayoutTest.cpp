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
    for (auto* v : {first.get(), second.get()})
        EXPECT_EQ(clockLeftInTray(*v), 58);

    world.change([](AppSettings& s) { s.recordingAddonInstalled = false; });
    EXPECT_EQ(clockLeftInTray(*second), 6);
}
