#include "widgets/Popover.h"

#include <QGuiApplication>
#include <QScreen>
#include <gtest/gtest.h>

using namespace vantorel;

namespace {
struct PopoverTest : ::testing::Test {
    QWidget window;
    QRect screen = QGuiApplication::primaryScreen()->geometry();
    void SetUp() override {
        window.setGeometry(screen.x(), screen.bottom() - 99, screen.width(), 100);
        window.show();
    }
    QWidget* anchorAt(int x, int width) {
        auto* anchor = new QWidget(&window);
        anchor->setGeometry(x, 40, width, 60);
        return anchor;
    }
    static QRect globalRect(QWidget* w) { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }
};
} // namespace

TEST_F(PopoverTest, StandsCentredAboveItsAnchorGrowsUpwardAndStaysOnTheScreen) {
    QWidget* anchor = anchorAt(200, 100);
    Popover popover(new QWidget);
    popover.setContentSize(QSize(240, 210));
    popover.show(anchor);
    const QRect a = globalRect(anchor);
    EXPECT_NEAR(popover.geometry().center().x(), a.center().x(), 1);
    popover.setContentSize(QSize(240, 238));
    EXPECT_EQ(popover.height(), 238);
    EXPECT_EQ(popover.geometry().bottom(), a.top() - 1 - Popover::kGap) << "keeps standing on the anchor";

    for (const auto& [anchorX, anchorWidth] : {std::pair{screen.width() - 80, 70}, std::pair{0, 40}}) {
        Popover edge(new QWidget);
        edge.setContentSize(QSize(240, 100));
        edge.show(anchorAt(anchorX, anchorWidth));
        if (anchorX)
            EXPECT_EQ(edge.geometry().right(), screen.right() - Popover::kScreenMargin);
        else
            EXPECT_EQ(edge.geometry().left(), screen.left() + Popover::kScreenMargin);
    }
}
