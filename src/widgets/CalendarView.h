#pragma once

#include "platform/Theme.h"

#include <QDate>
#include <QLocale>
#include <QWidget>
#include <functional>

namespace vantorel {

class Scheduler;

// The arithmetic of one displayed month.
struct CalendarMonth {
    static constexpr int kCellW = 32;
    static constexpr int kCellH = 28;
    static constexpr int kHeaderH = 40;
    static constexpr int kDayNamesH = 22;
    static constexpr int kHPad = 8;
    static constexpr int kWidth = 7 * kCellW + 2 * kHPad; // 240

    QDate month; // the first day of the month
    Qt::DayOfWeek firstDayOfWeek = Qt::Monday;

    // Column (0-6) of day 1.
    int firstColumn() const;
    // Rows needed: 4, 5 or 6.
    int weeks() const;
    int height() const { return weeks() * kCellH + kHeaderH + kDayNamesH + 8; }
    // Cell of a day, bottom-left origin in a view of the given height.
    QRectF dayCell(int day, double viewHeight) const;
};

// A date format for the month and year alone in the locale's order, taken
// from its long date format with the day and weekday removed.
QString monthYearFormat(const QLocale& locale);

// The month calendar shown above the clock. Navigates by the arrows in the
// header and by the scroll wheel, one month per event.
class CalendarView : public QWidget {
    Q_OBJECT
public:
    CalendarView(const Scheduler& scheduler, ResolvedTheme look, const QLocale& locale = QLocale(),
                 QWidget* parent = nullptr);

    QDate displayedMonth() const { return model_.month; }
    CalendarMonth model() const { return model_; }
    int weeksInDisplayedMonth() const { return model_.weeks(); }
    int contentHeight() const { return model_.height(); }
    QSize sizeHint() const override { return {CalendarMonth::kWidth, contentHeight()}; }

    QString title() const;
    // Very short weekday names starting at the locale's first weekday.
    QStringList weekdaySymbols() const;
    // The day highlighted as today in the displayed month, 0 when today is elsewhere.
    int highlightedDay() const;

    void setDisplayedMonth(QDate anyDayOfMonth);
    void navigate(int months);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    const Scheduler& scheduler_;
    ResolvedTheme look_;
    QLocale locale_;
    CalendarMonth model_;
};

} // namespace vantorel
