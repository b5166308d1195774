#include "taskbar/BarGeometry.h"

#include <gtest/gtest.h>

using namespace vantorel;

TEST(BarGeometry, HeightFollowsTheIconScaleBetween55And75) {
    const std::pair<double, int> cases[] = {{100, 55}, {110, 58}, {200, 75}};
    for (auto [percent, height] : cases)
        EXPECT_EQ(barHeight(percent), height) << percent;
}

TEST(BarGeometry, ThePanelCoversTheFullFrameAndOverhangsTheEdgeByOnePoint) {
    const Rect screen{-1920, 120, 1920, 1080};
    EXPECT_EQ(shownPanelFrame(screen, 100), (Rect{-1920, 119, 1920, 56}));
    // Hidden: only the top 6 points stay, 5 of them above the edge.
    const Rect hidden = hiddenPanelFrame(shownPanelFrame(screen, 130));
    EXPECT_EQ(hidden.maxY(), 125); // the display starts at 120
    EXPECT_EQ(hidden.height, 66);
}

TEST(TargetScreens, AreSortedByBottomThenLeftAndPreferTheMainDisplay) {
    const vantorel::Display left{2, {-1280, 0, 1280, 1024}, {}};
    const vantorel::Display main{1, {0, 0, 1440, 900}, {}};
    const vantorel::Display above{3, {0, 900, 1440, 900}, {}};
    const vantorel::Display lower{4, {1440, -300, 1920, 1080}, {}};
    const std::vector<vantorel::Display> all{above, main, lower, left};

    std::vector<quint32> order;
    for (const auto& d : targetScreens(all, 1, true))
        order.push_back(*d.displayNumber);
    EXPECT_EQ(order, (std::vector<quint32>{4, 2, 1, 3}));

    // An unknown main display falls back to the first in order.
    EXPECT_EQ(targetScreens(all, 99, false).at(0).displayNumber, 4u);
}
