#include "widgets/CalendarView.h"

#include "core/Scheduler.h"
#include "widgets/Popover.h"
#include "widgets/ViewSupport.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <cmath>

namespace vantorel {

int CalendarMonth::firstColumn() const { return (month.dayOfWeek() - int(firstDayOfWeek) + 7) % 7; }

int CalendarMonth::weeks() const { return (firstColumn() + month.daysInMonth() + 6) / 7; }

QRectF CalendarMonth::dayCell(int day, double viewHeight) const {
    const int k = firstColumn() + day - 1;
    return QRectF((k % 7) * kCellW + kHPad, viewHeight - kHeaderH - kDayNamesH - (k / 7 + 1) * kCellH, kCellW, kCellH);
}

QString monthYearFormat(const QLocale& locale) {
    // Split the format into fields (runs of one pattern letter), quoted text
    // and separators; drop the day fields with the separator that follows them.
    const QString format = locale.dateFormat(QLocale::LongFormat);
    struct Token {
        QString text;
        QChar field; // 0 for literal text
    };
    std::vector<Token> tokens;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        qsizetype j = i + 1;
        if (c == u'\'') {
            while (j < format.size() && format[j] != u'\'')
                ++j;
            tokens.push_back({format.mid(i, j + 1 - i), QChar()});
            i = j + 1;
            continue;
        }
        const bool field = QStringLiteral("dMyg").contains(c);
        while (j < format.size() && (field ? format[j] == c : !QStringLiteral("dMyg'").contains(format[j])))
            ++j;
        tokens.push_back({format.mid(i, j - i), field ? c : QChar()});
        i = j;
    }
    QString out;
    bool skipSeparator = false;
    for (const auto& t : tokens) {
        if (t.field == u'd') {
            skipSeparator = true;
            continue;
        }
        if (t.field.isNull() && skipSeparator) {
            skipSeparator = false;
            continue;
        }
        skipSeparator = false;
        // A numeric month stays numeric ("yyyy年M月"); a named one is the full name.
        out += t.field == u'M' && t.text.size() >= 3 ? QStringLiteral("MMMM") : t.text;
    }
    out = out.trimmed();
    while (!out.isEmpty() && QStringLiteral(",.-/ ").contains(out.back()))
        out.chop(1);
    if (!out.contains(u'M') || !out.contains(u'y'))
        return QStringLiteral("MMMM yyyy");
    return out;
}

CalendarView::CalendarView(const Scheduler& scheduler, ResolvedTheme look, const QLocale& locale, QWidget* parent)
    : QWidget(parent), scheduler_(scheduler), look_(look), locale_(locale) {
    model_.firstDayOfWeek = locale_.firstDayOfWeek();
    setDisplayedMonth(scheduler_.currentDateTime().date());
    resize(sizeHint());
}

void CalendarView::setDisplayedMonth(QDate day) {
    model_.month = QDate(day.year(), day.month(), 1);
    update();
}

QString CalendarView::title() const {
    // Stand-alone month names read right in a title ("Januar 2026", not a genitive form).
    QString format = monthYearFormat(locale_);
    const QString name = locale_.standaloneMonthName(model_.month.month(), QLocale::LongFormat);
    format.replace(QStringLiteral("MMMM"), QLatin1Char('\'') + QString(name).replace(u'\'', QStringLiteral("''")) +
                                               QLatin1Char('\''));
    return locale_.toString(model_.month, format);
}

QStringList CalendarView::weekdaySymbols() const {
    QStringList names;
    for (int i = 0; i < 7; ++i)
        names << locale_.standaloneDayName((int(model_.firstDayOfWeek) - 1 + i) % 7 + 1, QLocale::NarrowFormat);
    return names;
}

int CalendarView::highlightedDay() const {
    const QDate today = scheduler_.currentDateTime().date();
    if (today.year() == model_.month.year() && today.month() == model_.month.month())
        return today.day();
    return 0;
}

void CalendarView::navigate(int months) {
    const QDate next = model_.month.addMonths(months);
    if (!next.isValid())
        return;
    model_.month = next;
    update();
    if (Popover* popover = Popover::enclosing(this))
        popover->setContentSize(sizeHint());
}

void CalendarView::mouseReleaseEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (at.y() >= CalendarMonth::kHeaderH)
        return;
    if (at.x() < 44)
        navigate(-1);
    else if (at.x() > width() - 44)
        navigate(+1);
}

void CalendarView::wheelEvent(QWheelEvent* event) {
    QPoint delta = event->pixelDelta();
    if (delta.isNull())
        delta = event->angleDelta();
    if (std::abs(delta.x()) >= std::abs(delta.y())) {
        if (delta.x() == 0) {
            event->ignore();
            return;
        }
        navigate(delta.x() > 0 ? -1 : +1);
    } else {
        navigate(delta.y() > 0 ? -1 : +1);
    }
    event->accept();
}

void CalendarView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double W = width();
    const double H = height();
    // Inside a popover that follows the system, the look may change while open.
    const Popover* popover = Popover::enclosing(this);
    const ResolvedTheme look = popover ? popover->look() : look_;
    const bool dark = look == ResolvedTheme::Dark;
    const QColor label = dark ? QColor::fromRgbF(1, 1, 1, 0.85f) : QColor::fromRgbF(0, 0, 0, 0.85f);
    const QColor secondary = dark ? QColor::fromRgbF(1, 1, 1, 0.55f) : QColor::fromRgbF(0, 0, 0, 0.5f);
    auto rectUp = [H](double x, double y, double w, double h) { return unflipped(QRectF(x, y, w, h), H); };
    const double headerY = H - CalendarMonth::kHeaderH;

    p.setPen(label);
    p.setFont(systemFont(13, QFont::DemiBold));
    p.drawText(rectUp(0, headerY, W, CalendarMonth::kHeaderH), Qt::AlignCenter, title());

    p.setFont(systemFont(14, QFont::Normal));
    p.drawText(rectUp(12, headerY, 16, CalendarMonth::kHeaderH), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("\u2039"));
    p.drawText(rectUp(W - CalendarMonth::kHPad - 16, headerY, 16, CalendarMonth::kHeaderH),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("\u203A"));

    p.setPen(secondary);
    p.setFont(systemFont(10, QFont::Medium));
    const auto names = weekdaySymbols();
    for (int i = 0; i < names.size(); ++i)
        p.drawText(rectUp(i * CalendarMonth::kCellW + CalendarMonth::kHPad, headerY - CalendarMonth::kDayNamesH,
                          CalendarMonth::kCellW, CalendarMonth::kDayNamesH),
                   Qt::AlignCenter, names[i]);

    const int today = highlightedDay();
    const QFont regular = systemFont(12, QFont::Normal);
    const QFont bold = systemFont(12, QFont::DemiBold);
    for (int day = 1; day <= model_.month.daysInMonth(); ++day) {
        const QRectF cell = unflipped(model_.dayCell(day, H), H);
        if (day == today) {
            QPainterPath path;
            path.addRoundedRect(cell.adjusted(3, 2, -3, -2), 4, 4);
            p.fillPath(path, accentColor(look));
            p.setPen(Qt::white);
            p.setFont(bold);
        } else {
            p.setPen(label);
            p.setFont(regular);
        }
        p.drawText(cell, Qt::AlignCenter, QString::number(day));
    }
}

} // namespace vantorel
