#include "core/ManualScheduler.h"
#include "widgets/CalendarView.h"
#include "widgets/Popover.h"

#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace vantorel;

namespace {

const QLocale kSundayFirst(QLocale::English, QLocale::UnitedStates);
const QLocale kMondayFirst(QLocale::German, QLocale::Germany);

CalendarMonth month(int year, int m, Qt::DayOfWeek first) { return {QDate(year, m, 1), first}; }

void wheel(QWidget* w, QPoint delta) {
    QWheelEvent event(QPointF(100, 100), w->mapToGlobal(QPointF(100, 100)), QPoint(), delta, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(w, &event);
}

} // namespace

TEST(CalendarMonthTest, TheLocaleDecidesTheFirstWeekday) {
    EXPECT_EQ(month(2026, 2, Qt::Sunday).weeks(), 4) << "28 days from a Sunday";
    // With Monday first, March 2026 (a Sunday) starts in column 6.
    ManualScheduler scheduler(QDateTime(QDate(2026, 3, 14), QTime(10, 0)));
    CalendarView view(scheduler, ResolvedTheme::Light, kMondayFirst);
    EXPECT_EQ(view.weekdaySymbols().front(), kMondayFirst.standaloneDayName(Qt::Monday, QLocale::NarrowFormat));
    EXPECT_EQ(view.model().firstColumn(), 6);
}

TEST(CalendarViewTest, ArrowsWrapTheYearAndOneMonthPerWheelEventAndThePopoverFollowsTheRows) {
    ManualScheduler scheduler(QDateTime(QDate(2021, 12, 24), QTime(10, 0)));
    auto* view = new CalendarView(scheduler, ResolvedTheme::Light, kSundayFirst);
    Popover popover(view);
    popover.setContentSize(view->sizeHint());
    EXPECT_EQ(popover.size(), QSize(240, 210)); // December 2021: 5 rows

    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(230, 20)); // "›"
    EXPECT_EQ(view->displayedMonth(), QDate(2022, 1, 1));
    EXPECT_EQ(popover.size(), QSize(240, 238)); // January 2022: 6 rows

    // Only the arrows change the month: not the header's middle (44 to W - 44) nor the grid.
    for (const QPoint at : {QPoint(44, 20), QPoint(196, 20), QPoint(230, 120)})
        QTest::mouseClick(view, Qt::LeftButton, {}, at);
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(43, 39));
    EXPECT_EQ(view->displayedMonth(), QDate(2021, 12, 1));

    wheel(view, QPoint(0, -120 * 10)); // towards the user: forward, one month whatever the amount
    EXPECT_EQ(view->displayedMonth(), QDate(2022, 1, 1));
    wheel(view, QPoint(0, 3)); // away: back
    EXPECT_EQ(view->displayedMonth(), QDate(2021, 12, 1));
    wheel(view, QPoint(-240, 0)); // horizontal to the left: the next month
    EXPECT_EQ(view->displayedMonth(), QDate(2022, 1, 1));
}
