#pragma once

#include "platform/Theme.h"

#include <QColor>
#include <QRectF>
#include <QString>

class QFont;
class QWidget;

namespace vantorel {

// Drawing numbers for these views are given with the origin at the bottom
// left and y up; this turns such a rectangle into the widget's own top-left
// coordinates.
QRectF unflipped(const QRectF& bottomLeftRect, qreal viewHeight);

// The accent colour of the given look (today's cell, the update dot).
QColor accentColor(ResolvedTheme look);

// A font of the system family at a size in points (logical pixels) and weight.
QFont systemFont(qreal size, int weight);

// A custom-drawn control as assistive technologies see it: a button with a
// label read when asked, an optional value and a press action.
class AccessibleControl {
public:
    virtual ~AccessibleControl() = default;
    virtual QString accessibilityLabel() const = 0;
    virtual QString accessibilityHelp() const = 0;
    virtual QString accessibilityValue() const { return {}; }
    // Returns whether the press was handled.
    virtual bool accessibilityPerformPress() = 0;

    // Makes Qt's accessibility layer use the interface for every widget that
    // derives from AccessibleControl. Idempotent.
    static void installFactory();
};

} // namespace vantorel
