#include "core/Geometry.h"

#include <gtest/gtest.h>

using namespace vantorel;

TEST(Geometry, FlippingBetweenTheTwoSpacesIsItsOwnInverse) {
    const double mainHeight = 900;
    // A window 100 high whose top edge is 50 below the main display's top.
    const Rect topLeft{10, 50, 200, 100};
    const Rect bottomLeft = flipped(topLeft, mainHeight);
    EXPECT_EQ(bottomLeft, (Rect{10, 750, 200, 100}));
    EXPECT_EQ(flipped(bottomLeft, mainHeight), topLeft);
    EXPECT_EQ(flipped(Point{5, 0}, mainHeight), (Point{5, 900}));
}

TEST(Geometry, ScreenSpaceMapsTheBottomLeftSpaceOntoQtsScreens) {
    // Main display at Qt (1920, 180), 1440x900; a second display to its left, taller.
    const ScreenSpace space(QRectF(1920, 180, 1440, 900));
    EXPECT_EQ(space.toQt(Rect{0, -1, 1440, 56}), QRectF(1920, 1025, 1440, 56));
    EXPECT_EQ(space.fromQt(QRectF(0, 0, 1920, 1200)), (Rect{-1920, -120, 1920, 1200}));
    EXPECT_EQ(space.toQt(Point{0, 0}), QPointF(1920, 1080));
    EXPECT_EQ(space.fromQt(space.toQt(Point{33, 44})), (Point{33, 44}));
}
