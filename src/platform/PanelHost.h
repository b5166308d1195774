#pragma once

#include "core/Geometry.h"

class QWidget;

namespace vantorel {

// What the desktop must be told about our own panels: that they are docks on
// every workspace, how much of their display's bottom edge they reserve so
// that maximised windows stay clear of the bar, and when they must stand
// above a full-screen window.
class PanelHost {
public:
    virtual ~PanelHost() = default;
    // Called once the panel's native window exists.
    virtual void preparePanel(QWidget* panel) = 0;
    // Reserve `height` points along the bottom of `display` (bottom-left
    // space) for the panel; 0 releases the reservation.
    virtual void reserveBottomEdge(QWidget* panel, const Rect& display, int height) = 0;
    // While true the panel shows above every window, a focused full-screen
    // one included; false leaves its stacking to the desktop again.
    virtual void standAboveFullScreen(QWidget* panel, bool above) = 0;
};

} // namespace vantorel
