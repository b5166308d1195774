#pragma once

#include "core/Scheduler.h"
#include "widgets/ViewSupport.h"

#include <QLocale>
#include <QDateTime>
#include <QWidget>
#include <memory>

class QLabel;

namespace vantorel {

class CalendarView;
class Pointer;
class Popover;
class SettingsService;
class ThemeService;

// The locale's short time format without seconds (only the C locale has them).
QString shortTimeFormat(const QLocale& locale);

// The tray's clock: the time over the date, refreshed every second. A click
// opens a month calendar above it that stays while the pointer is over the
// clock or the calendar.
class ClockView : public QWidget, public AccessibleControl {
    Q_OBJECT
public:
    ClockView(const SettingsService& settings, const ThemeService& theme, Scheduler& scheduler, const Pointer& pointer,
              const QLocale& locale = QLocale(), QWidget* parent = nullptr);
    ~ClockView() override;

    // Calendars open from all clocks; keeps the bar shown while at least one is.
    static int openCalendarCount() { return openCalendarCount_; }

    void applyTheme();
    void toggleCalendar();
    void showCalendar();
    void closeCalendar();

    QString timeText() const;
    QString dateText() const;
    Popover* calendarPopover() const { return calendarPopover_.get(); }
    CalendarView* calendar() const;
    bool isPollingForDismiss() const { return calendarDismissTimer_.isActive(); }
    // Narrowest width that shows both lines with their margins.
    int fittingWidth() const;

    QString accessibilityLabel() const override { return timeText() + QStringLiteral(", ") + dateText(); }
    QString accessibilityHelp() const override { return QStringLiteral("Shows a calendar"); }
    bool accessibilityPerformPress() override;

    static constexpr Duration kTickInterval = 1000ms;
    static constexpr Duration kDismissPollInterval = 80ms;
    static constexpr double kHoverMargin = 4;

Q_SIGNALS:
    // The narrowest width changed (a longer time or date text).
    void fittingWidthChanged();
    // The calendar opened (it keeps the bar shown).
    void calendarShown();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void tick();
    void layoutLabels();
    void startCalendarDismissPolling();
    bool pointerIsOverClockOrCalendar() const;

    static int openCalendarCount_;

    const SettingsService& settings_;
    const ThemeService& theme_;
    Scheduler& scheduler_;
    const Pointer& pointer_;
    QLocale locale_;
    QLabel* timeLabel_;
    QLabel* dateLabel_;
    ScheduledTask timer_;
    std::unique_ptr<Popover> calendarPopover_;
    ScheduledTask calendarDismissTimer_;
    int lastFittingWidth_ = 0;
    QString timeFormat_; // the locale's short time without seconds, worked out once
    QDateTime shownMinute_;
};

} // namespace vantorel
