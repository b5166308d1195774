#include "recording/SummariesFolderButton.h"

#include <QPainter>
#include <QPainterPath>

namespace vantorel {

SummariesFolderButton::SummariesFolderButton(const SettingsService& settings, const ThemeService& theme,
                                             QWidget* parent)
    : TrayGlyphButton(settings, theme, parent) {
    setToolTip(QStringLiteral("Open Summaries Folder"));
    setAccessibleName(toolTip());
}

void SummariesFolderButton::drawGlyph(QPainter& p, const QRectF& sq) {
    // A folder with a tab, 14 wide in a 20-point square.
    const double w = sq.width() * 0.7;
    const double h = sq.height() * 0.52;
    const QRectF body(sq.center().x() - w / 2, sq.center().y() - h / 2 + 1, w, h);
    QPainterPath path;
    path.moveTo(body.left(), body.top() - 2);
    path.lineTo(body.left() + w * 0.38, body.top() - 2);
    path.lineTo(body.left() + w * 0.48, body.top());
    path.lineTo(body.right(), body.top());
    path.lineTo(body.right(), body.bottom());
    path.lineTo(body.left(), body.bottom());
    path.closeSubpath();
    p.setPen(QPen(glyphColor(), 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

} // namespace vantorel
