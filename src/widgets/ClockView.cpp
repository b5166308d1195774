#include "widgets/ClockView.h"

#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "core/Geometry.h"
#include "platform/Screens.h"
#include "widgets/CalendarView.h"
#include "widgets/Popover.h"

#include <QLabel>
#include <QRegularExpression>
#include <QMouseEvent>
#include <algorithm>

namespace vantorel {

int ClockView::openCalendarCount_ = 0;

QString shortTimeFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::ShortFormat);
    static const QRegularExpression seconds(QStringLiteral("[^Hhmap ]?s+"));
    return format.remove(seconds);
}

ClockView::ClockView(const SettingsService& settings, const ThemeService& theme, Scheduler& scheduler,
                     const Pointer& pointer, const QLocale& locale, QWidget* parent)
    : QWidget(parent), settings_(settings), theme_(theme), scheduler_(scheduler), pointer_(pointer), locale_(locale),
      timeLabel_(new QLabel(this)), dateLabel_(new QLabel(this)), timeFormat_(shortTimeFormat(locale)) {
    AccessibleControl::installFactory();
    setAccessibleDescription(accessibilityHelp());
    for (QLabel* label : {timeLabel_, dateLabel_}) {
        label->setAlignment(Qt::AlignCenter);
        label->setTextInteractionFlags(Qt::NoTextInteraction);
        label->setAttribute(Qt::WA_TransparentForMouseEvents);
        label->setAutoFillBackground(false);
    }
    timeLabel_->setFont(systemFont(13, QFont::Medium));
    dateLabel_->setFont(systemFont(10, QFont::Normal));
    applyTheme();
    tick();
    // A little tolerance lets the tick share its wake-up with the taskbar's own one-second check.
    timer_ = scheduler_.every(kTickInterval, 250ms, this, [this] { tick(); });
}

ClockView::~ClockView() {
    timer_.cancel();
    closeCalendar();
}

QString ClockView::timeText() const { return timeLabel_->text(); }
QString ClockView::dateText() const { return dateLabel_->text(); }

CalendarView* ClockView::calendar() const {
    return calendarPopover_ ? static_cast<CalendarView*>(calendarPopover_->content()) : nullptr;
}

void ClockView::applyTheme() {
    const bool dark = theme_.resolve(settings_.current().appearanceMode) == ResolvedTheme::Dark;
    auto colour = [](QLabel* label, QColor c) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, c);
        label->setPalette(p);
    };
    colour(timeLabel_, dark ? QColor::fromRgbF(1, 1, 1, 0.85f) : QColor::fromRgbF(0, 0, 0, 0.8f));
    colour(dateLabel_, dark ? QColor::fromRgbF(1, 1, 1, 0.6f) : QColor::fromRgbF(0, 0, 0, 0.55f));
}

void ClockView::tick() {
    const QDateTime now = scheduler_.currentDateTime();
    // The texts show minutes at most: within one, there is nothing to format.
    const QDateTime minute(now.date(), QTime(now.time().hour(), now.time().minute()));
    if (minute == shownMinute_)
        return;
    shownMinute_ = minute;
    const QString time = locale_.toString(now.time(), timeFormat_);
    const QString date = locale_.toString(now.date(), QLocale::ShortFormat);
    if (time == timeLabel_->text() && date == dateLabel_->text())
        return;
    timeLabel_->setText(time);
    dateLabel_->setText(date);
    layoutLabels();
    const int fitting = fittingWidth();
    if (fitting != lastFittingWidth_) {
        lastFittingWidth_ = fitting;
        updateGeometry();
        Q_EMIT fittingWidthChanged();
    }
}

int ClockView::fittingWidth() const {
    return std::max(timeLabel_->sizeHint().width(), dateLabel_->sizeHint().width()) + 12;
}

void ClockView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutLabels();
}

void ClockView::layoutLabels() {
    const QSize t = timeLabel_->sizeHint();
    const QSize d = dateLabel_->sizeHint();
    // The time's centre stands 7 above the middle, the date 2 below the time.
    const int timeTop = qRound(height() / 2.0 - 7 - t.height() / 2.0);
    timeLabel_->setGeometry((width() - t.width()) / 2, timeTop, t.width(), t.height());
    dateLabel_->setGeometry((width() - d.width()) / 2, timeTop + t.height() + 2, d.width(), d.height());
}

void ClockView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        toggleCalendar();
}

bool ClockView::accessibilityPerformPress() {
    toggleCalendar();
    return true;
}

void ClockView::toggleCalendar() {
    if (calendarPopover_)
        closeCalendar();
    else
        showCalendar();
}

void ClockView::showCalendar() {
    if (calendarPopover_)
        return;
    const AppearanceMode mode = settings_.current().appearanceMode;
    auto* view = new CalendarView(scheduler_, theme_.resolve(mode), locale_);
    calendarPopover_ = std::make_unique<Popover>(view);
    const ThemeService* theme = &theme_;
    calendarPopover_->systemLook = [theme] { return theme->currentSystemTheme(); };
    calendarPopover_->setAppearance(ThemeService::windowAppearance(mode));
    calendarPopover_->setContentSize(view->sizeHint());
    calendarPopover_->show(this);
    ++openCalendarCount_;
    startCalendarDismissPolling();
    Q_EMIT calendarShown();
}

void ClockView::closeCalendar() {
    calendarDismissTimer_.cancel();
    calendarDismissTimer_ = {};
    if (!calendarPopover_)
        return;
    auto popover = std::move(calendarPopover_);
    popover->close();
    openCalendarCount_ = std::max(0, openCalendarCount_ - 1);
}

void ClockView::startCalendarDismissPolling() {
    calendarDismissTimer_.cancel();
    QPointer<Popover> popover = calendarPopover_.get();
    calendarDismissTimer_ = scheduler_.every(kDismissPollInterval, 0ms, this, [this, popover] {
        if (!popover || !popover->isShown()) {
            closeCalendar();
            return;
        }
        if (!pointerIsOverClockOrCalendar())
            closeCalendar();
    });
}

bool ClockView::pointerIsOverClockOrCalendar() const {
    const Point at = pointer_.location();
    const ScreenSpace space = ScreenSpace::fromPrimaryScreen();
    auto grown = [](Rect r) {
        return Rect{r.x - kHoverMargin, r.y - kHoverMargin, r.width + 2 * kHoverMargin, r.height + 2 * kHoverMargin};
    };
    if (window()->isVisible()) {
        const Rect clock = space.fromQt(QRectF(mapToGlobal(QPointF(0, 0)), QSizeF(size())));
        if (grown(clock).contains(at))
            return true;
    }
    if (calendarPopover_ && calendarPopover_->isVisible()) {
        const Rect calendar = space.fromQt(QRectF(calendarPopover_->coveredFrame()));
        if (grown(calendar).contains(at))
            return true;
    }
    return false;
}

} // namespace vantorel
