#include "core/Geometry.h"

#include <gtest/gtest.h>

using namespace vantorel;

TEST(Geometry, ScreenSpaceMapsTheBottomLeftSpaceOntoQtsScreens) {
    // Main display at Qt (1920, 180), 1440x900; a second display to its left, taller.
    const ScreenSpace space(QRectF(1920, 180, 1440, 900));
    EXPECT_EQ(space.toQt(Rect{0, -1, 1440, 56}), QRectF(1920, 1025, 1440, 56));
    EXPECT_EQ(space.fromQt(QRectF(0, 0, 1920, 1200)), (Rect{-1920, -120, 1920, 1200}));
    EXPECT_EQ(space.toQt(Point{0, 0}), QPointF(1920, 1080));
    EXPECT_EQ(space.fromQt(space.toQt(Point{33, 44})), (Point{33, 44}));
}
