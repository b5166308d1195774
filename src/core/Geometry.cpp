#include "core/Geometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace vantorel {

Rect Rect::intersected(const Rect& o) const {
    const double left = std::max(x, o.x);
    const double bottom = std::max(y, o.y);
    const double right = std::min(maxX(), o.maxX());
    const double top = std::min(maxY(), o.maxY());
    if (right <= left || top <= bottom)
        return {};
    return {left, bottom, right - left, top - bottom};
}

QString toString(const Rect& r) {
    return QStringLiteral("(%1, %2, %3 x %4)").arg(r.x).arg(r.y).arg(r.width).arg(r.height);
}

Point flipped(Point p, double mainDisplayHeight) { return {p.x, mainDisplayHeight - p.y}; }

Rect flipped(const Rect& r, double mainDisplayHeight) {
    return {r.x, mainDisplayHeight - r.y - r.height, r.width, r.height};
}

ScreenSpace ScreenSpace::fromPrimaryScreen() {
    if (auto* screen = QGuiApplication::primaryScreen())
        return ScreenSpace(screen->geometry());
    return ScreenSpace(QRectF());
}

QRectF ScreenSpace::toQt(const Rect& r) const {
    return {main_.x() + r.x, main_.y() + main_.height() - r.y - r.height, r.width, r.height};
}

QPointF ScreenSpace::toQt(Point p) const { return {main_.x() + p.x, main_.y() + main_.height() - p.y}; }

Rect ScreenSpace::fromQt(const QRectF& q) const {
    return {q.x() - main_.x(), main_.y() + main_.height() - q.y() - q.height(), q.width(), q.height()};
}

Point ScreenSpace::fromQt(const QPointF& q) const { return {q.x() - main_.x(), main_.y() + main_.height() - q.y()}; }

} // namespace vantorel
