#include "taskbar/BarGeometry.h"

#include <gtest/gtest.h>

using namespace vantorel;

TEST(BarGeometry, HeightFollowsTheIconScaleBetween55And75) {
    const std::pair<double, int> cases[] = {{50, 55}, {60, 55}, {100, 55}, {110, 58}, {130, 65},
                                            {159, 75}, {160, 75}, {161, 75}, {200, 75}};
    for (auto [percent, height] : cases)
        EXPECT_EQ(barHeight(percent), height) << percent;
}

TEST(BarGeometry, ThePanelCoversTheFullFrameAndOverhangsTheEdgeByOnePoint) {
    const Rect screen{-1920, 120, 1920, 1080};
    EXPECT_EQ(shownPanelFrame(screen, 100), (Rect{-1920, 119, 1920, 56}));
    EXPECT_EQ(shownPanelFrame(screen, 160), (Rect{-1920, 119, 1920, 76}));
    // Hidden: only the top 6 points stay, 5 of them above the edge.
    const Rect hidden = hiddenPanelFrame(shownPanelFrame(screen, 130));
    EXPECT_EQ(hidden.maxY(), 125); // the display starts at 120
    EXPECT_EQ(hidden.height, 66);
}

TEST(ScreenId, IsTheDisplayNumberOrTheFrame) {
    EXPECT_EQ(screenId({69733378u, {0, 0, 1440, 900}, {}}), "69733378");
    EXPECT_EQ(screenId({std::nullopt, {0, 0, 1440, 900}, {}}), "0.0,0.0,1440.0x900.0");
    EXPECT_EQ(screenId({std::nullopt, {-1280.5, 900, 1280, 1024}, {}}), "-1280.5,900.0,1280.0x1024.0");
}

TEST(TargetScreens, AreSortedByBottomThenLeftAndPreferTheMainDisplay) {
    const vantorel::Display left{2, {-1280, 0, 1280, 1024}, {}};
    const vantorel::Display main{1, {0, 0, 1440, 900}, {}};
    const vantorel::Display above{3, {0, 900, 1440, 900}, {}};
    const vantorel::Display lower{4, {1440, -300, 1920, 1080}, {}};
    const std::vector<vantorel::Display> all{above, main, lower, left};

    const auto everyDisplay = targetScreens(all, 1, true);
    ASSERT_EQ(everyDisplay.size(), 4u);
    EXPECT_EQ(everyDisplay[0].displayNumber, 4u);
    EXPECT_EQ(everyDisplay[1].displayNumber, 2u);
    EXPECT_EQ(everyDisplay[2].displayNumber, 1u);
    EXPECT_EQ(everyDisplay[3].displayNumber, 3u);

    const auto primaryOnly = targetScreens(all, 1, false);
    ASSERT_EQ(primaryOnly.size(), 1u);
    EXPECT_EQ(primaryOnly[0].displayNumber, 1u);
    // An unknown main display falls back to the first in order.
    EXPECT_EQ(targetScreens(all, 99, false).at(0).displayNumber, 4u);
    EXPECT_EQ(targetScreens(all, std::nullopt, false).at(0).displayNumber, 4u);
    EXPECT_TRUE(targetScreens({}, 1, false).empty());
}
