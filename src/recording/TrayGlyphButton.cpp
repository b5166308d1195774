#include "recording/TrayGlyphButton.h"

#include "app/SettingsService.h"
#include "app/ThemeService.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace vantorel {

TrayGlyphButton::TrayGlyphButton(const SettingsService& settings, const ThemeService& theme, QWidget* parent)
    : QWidget(parent), settings_(settings), theme_(theme) {
    setAttribute(Qt::WA_Hover);
}

ResolvedTheme TrayGlyphButton::look() const { return theme_.resolve(settings_.current().appearanceMode); }

QColor TrayGlyphButton::glyphColor() const {
    return look() == ResolvedTheme::Dark ? QColor::fromRgbF(1, 1, 1, 0.85f) : QColor::fromRgbF(0, 0, 0, 0.75f);
}

void TrayGlyphButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF square = QRectF(rect());
    if (hovered_) {
        QPainterPath path;
        path.addRoundedRect(square, 4, 4);
        p.fillPath(path, look() == ResolvedTheme::Dark ? QColor::fromRgbF(1, 1, 1, 0.12f)
                                                       : QColor::fromRgbF(0, 0, 0, 0.08f));
    }
    drawGlyph(p, square);
}

void TrayGlyphButton::enterEvent(QEnterEvent*) {
    hovered_ = true;
    update();
}

void TrayGlyphButton::leaveEvent(QEvent*) {
    hovered_ = false;
    update();
}

void TrayGlyphButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClicked)
        onClicked();
}

} // namespace vantorel
