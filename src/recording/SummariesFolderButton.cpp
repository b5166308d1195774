#include "recording/SummariesFolderButton.h"

#include "recording/RecordingService.h"

#include <QPainter>
#include <QPainterPath>

namespace vantorel {

FolderGlyphColors folderGlyphColors(ResolvedTheme look) {
    if (look == ResolvedTheme::Dark)
        return {QColor::fromRgbF(0, 0, 0, 0.92f), QColor::fromRgbF(0, 0, 0, 0.78f), QColor::fromRgbF(1, 1, 1, 0.55f),
                QColor::fromRgbF(1, 1, 1, 0.1f)};
    return {QColor::fromRgbF(0.97f, 0.97f, 0.97f), QColor::fromRgbF(0.88f, 0.88f, 0.88f),
            QColor::fromRgbF(0, 0, 0, 0.55f), QColor::fromRgbF(0, 0, 0, 0.08f)};
}

FolderGlyphGeometry folderGlyphGeometry(const QRectF& bounds) {
    // The numbers are for a view whose origin is at the bottom left.
    const double h = bounds.height();
    const QRectF r = bounds.adjusted(1.5, 1.5, -1.5, -1.5);
    const QRectF body(r.left() + 2, r.top() + 4, r.width() - 4, r.height() - 7);
    const QRectF tab(body.left() + 1, body.bottom() - 3.4, body.width() * 0.44, 3);
    const QRectF front(body.left() + 0.8, body.top() + 0.8, body.width() - 1.6, body.height() * 0.56);
    const double creaseY = h - (front.bottom() + 0.4);
    return {r, unflipped(body, h), unflipped(tab, h), unflipped(front, h),
            QLineF(body.left() + 1.2, creaseY, body.right() - 1.2, creaseY)};
}

SummariesFolderButton::SummariesFolderButton(const SettingsService& settings, const ThemeService& theme,
                                             RecordingService* recording, QWidget* parent)
    : TrayGlyphButton(settings, theme, parent), recording_(recording) {
    AccessibleControl::installFactory();
    setToolTip(QStringLiteral("Open recording summaries folder"));
    setAccessibleName(accessibilityLabel());
    onClicked = [this] { accessibilityPerformPress(); };
}

bool SummariesFolderButton::accessibilityPerformPress() {
    if (!recording_)
        return false;
    recording_->openSummariesFolder();
    return true;
}

void SummariesFolderButton::drawButton(QPainter& p, const QRectF& bounds) {
    const auto c = folderGlyphColors(look());
    const auto g = folderGlyphGeometry(bounds);
    if (isHovered()) {
        QPainterPath hover;
        hover.addRoundedRect(g.hover, 4, 4);
        p.fillPath(hover, c.hover);
    }
    auto part = [&p, &c](const QRectF& rect, double radius, const QColor& fill, double lineWidth) {
        p.setPen(QPen(c.outline, lineWidth));
        p.setBrush(fill);
        p.drawRoundedRect(rect, radius, radius);
    };
    part(g.body, 1.9, c.main, 0.9);
    part(g.tab, 1, c.main, 0.85);
    part(g.front, 1.3, c.front, 0.8);
    QColor crease = c.outline;
    crease.setAlphaF(0.75f);
    p.setPen(QPen(crease, 0.8));
    p.drawLine(g.crease);
}

} // namespace vantorel
