#include "recording/TrayGlyphButton.h"

#include "app/SettingsService.h"
#include "app/ThemeService.h"

#include <QMouseEvent>
#include <QPainter>

namespace vantorel {

TrayGlyphButton::TrayGlyphButton(const SettingsService& settings, const ThemeService& theme, QWidget* parent)
    : HoverWidget(parent), settings_(settings), theme_(theme) {
    setAttribute(Qt::WA_Hover);
}

ResolvedTheme TrayGlyphButton::look() const { return theme_.resolve(settings_.current().appearanceMode); }

void TrayGlyphButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    drawButton(p, QRectF(rect()));
}

void TrayGlyphButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClicked)
        onClicked();
}

} // namespace vantorel
