#pragma once

#include "core/Geometry.h"
#include "platform/Screens.h"

#include <QString>
#include <vector>

namespace vantorel {

// Height of the bar for an icon size in percent (55 ... 75).
int barHeight(double iconScalePercent);

// The panel's frame on a display (bottom-left space): the full width of the
// display's frame, one point taller than the bar and one point below the edge.
Rect shownPanelFrame(const Rect& screenFrame, double iconScalePercent);
// The same frame slid down so that only its top 6 points stay on the display.
Rect hiddenPanelFrame(const Rect& shownFrame);

// The display number in decimal, or "left,bottom,widthxheight" without one.
QString screenId(const Display& display);
// A double in its default decimal form: 0.0, 1440.0, 0.5.
QString defaultDecimal(double value);

// Displays sorted by bottom edge then left edge; with allDisplays every one,
// otherwise only the preferred primary (the main display, or the first).
std::vector<Display> targetScreens(std::vector<Display> displays, std::optional<quint32> mainDisplayId,
                                   bool allDisplays);

} // namespace vantorel
