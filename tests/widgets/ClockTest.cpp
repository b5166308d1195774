#include "support/SimWorld.h"
#include "widgets/CalendarView.h"
#include "widgets/ClockView.h"
#include "widgets/Popover.h"

#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace vantorel;

namespace {

const QLocale kLocale(QLocale::English, QLocale::UnitedStates);

struct ClockTest : ::testing::Test {
    test::SimWorld world;
    QWidget window; // stands in for the panel the clock lives in

    std::unique_ptr<ClockView> makeClock(QPoint at = QPoint(300, 500)) {
        auto clock = std::make_unique<ClockView>(world.settings, world.theme, world.scheduler, world.desktop, kLocale,
                                                 &window);
        clock->setGeometry(QRect(at, QSize(120, 56)));
        return clock;
    }
    void SetUp() override {
        window.setGeometry(0, 0, 800, 600);
        window.show();
        ASSERT_EQ(ClockView::openCalendarCount(), 0);
    }
    void TearDown() override { EXPECT_EQ(ClockView::openCalendarCount(), 0); }

    // Puts the pointer at a point given in Qt's global coordinates.
    void pointAt(QPoint global) {
        world.desktop.setPointer(ScreenSpace::fromPrimaryScreen().fromQt(QPointF(global)));
    }
    QPoint globalCentre(QWidget* w) { return w->mapToGlobal(w->rect().center()); }
};

} // namespace

TEST_F(ClockTest, TicksEverySecondWithTheLocaleShortFormats) {
    auto clock = makeClock();
    EXPECT_EQ(clock->timeText(), QStringLiteral("9:00 AM"));
    world.scheduler.advance(59s);
    EXPECT_EQ(clock->timeText(), QStringLiteral("9:00 AM"));
    world.scheduler.advance(1s);
    EXPECT_EQ(clock->timeText(), QStringLiteral("9:01 AM"));
}

TEST_F(ClockTest, AClickTogglesTheCalendarAboveTheClockWhichStaysWhileThePointerIsOverEither) {
    auto clock = makeClock();
    pointAt(globalCentre(clock.get()));
    QTest::mouseClick(clock.get(), Qt::LeftButton, {}, QPoint(60, 28));
    Popover* popover = clock->calendarPopover();
    ASSERT_NE(popover, nullptr);
    const QRect clockGlobal(clock->mapToGlobal(QPoint(0, 0)), clock->size());
    EXPECT_EQ(popover->geometry().bottom(), clockGlobal.top() - 1 - Popover::kGap);
    world.scheduler.advance(400ms);
    ASSERT_EQ(clock->calendarPopover(), popover);

    // Across the gap: the 4-point margins meet.
    pointAt(QPoint(clockGlobal.center().x(), clockGlobal.top() - 2));
    world.scheduler.advance(80ms);
    pointAt(globalCentre(popover));
    world.scheduler.advance(400ms);
    EXPECT_EQ(clock->calendarPopover(), popover);

    QTest::mouseClick(clock.get(), Qt::LeftButton, {}, QPoint(60, 28));
    EXPECT_EQ(clock->calendarPopover(), nullptr);
    EXPECT_FALSE(clock->isPollingForDismiss());

    // Away from both, it closes on the next tick.
    clock->showCalendar();
    pointAt(QPoint(5, 5));
    world.scheduler.advance(79ms);
    EXPECT_NE(clock->calendarPopover(), nullptr);
    world.scheduler.advance(1ms);
    EXPECT_EQ(clock->calendarPopover(), nullptr);
}

TEST_F(ClockTest, CalendarThatShrinksUnderThePointerStaysOpen) {
    world.scheduler.advance(std::chrono::hours(24 * 26)); // January 31st: the next month is a short February
    auto clock = makeClock();
    pointAt(globalCentre(clock.get()));
    clock->showCalendar();
    Popover* popover = clock->calendarPopover();
    const QRect tall = popover->geometry();
    // Click "›" in the header: February 2026 needs one row less, the header moves down.
    const QPoint next(tall.right() - 10, tall.top() + 20);
    pointAt(next);
    QTest::mouseClick(clock->calendar(), Qt::LeftButton, {}, clock->calendar()->mapFromGlobal(next));
    ASSERT_EQ(clock->calendar()->displayedMonth(), QDate(2026, 2, 1));
    ASSERT_LT(popover->geometry().height(), tall.height());
    ASSERT_FALSE(popover->geometry().adjusted(-4, -4, 4, 4).contains(next));
    world.scheduler.advance(400ms);
    EXPECT_EQ(clock->calendarPopover(), popover);

    pointAt(QPoint(next.x(), tall.top() - 10));
    world.scheduler.advance(80ms);
    EXPECT_EQ(clock->calendarPopover(), nullptr);
}

TEST_F(ClockTest, OpenCalendarCountAcrossSeveralClocksNeverGoesNegative) {
    auto left = makeClock(QPoint(100, 500));
    auto right = makeClock(QPoint(500, 500));
    pointAt(globalCentre(left.get()));
    left->showCalendar();
    right->showCalendar();
    EXPECT_EQ(ClockView::openCalendarCount(), 2);
    left->closeCalendar();
    left->closeCalendar();
    EXPECT_EQ(ClockView::openCalendarCount(), 1);
    right->closeCalendar();
    right->closeCalendar();
    EXPECT_EQ(ClockView::openCalendarCount(), 0);

    // A clock that goes away with its calendar open gives its count back.
    left->showCalendar();
    EXPECT_EQ(ClockView::openCalendarCount(), 1);
    left.reset();
    EXPECT_EQ(ClockView::openCalendarCount(), 0);
    // Its tick and its dismiss poll went with it; the right clock still ticks.
    EXPECT_EQ(world.scheduler.repeatingCount(), 1);
}
