#pragma once

#include "core/Geometry.h"
#include "platform/Platform.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"

#include <optional>
#include <vector>

namespace vantorel {

// Whether the pointer asks for the bar of a display (bottom-left space): in
// the display's columns and at most 6 points above its bottom edge, or within
// the panel's frame grown by 4 points sideways and 18 above and below.
bool pointerWantsBar(const Rect& displayFrame, const Rect& panelFrame, Point pointer);

// Whether a window covers a display (both in the top-left space), every edge
// and size within 10 points.
bool coversDisplay(const Rect& window, const Rect& display);

// Height of the display the top-left space hangs from: the main display,
// else the one at the origin, else the first; 0 without displays.
double mainDisplayHeight(const std::vector<Display>& displays, std::optional<quint32> mainId);

// A display's frame in the top-left space, given the main display's height.
Rect topLeftFrame(const Rect& displayFrame, double mainHeight);

// This program among the running applications: the desktop says so, or it
// carries our identifier (two applications without one count as the same).
bool isThisProgram(const RunningApplication& app, const Platform& platform);

// Whether the frontmost regular application (not this program) shows a window
// in full screen, or an on-screen window larger than 200 x 200 covering a display.
bool hasFullscreenLikeWindow(const Platform& platform);

} // namespace vantorel
