#include "taskbar/BarGeometry.h"

#include <gtest/gtest.h>

using namespace vantorel;

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
