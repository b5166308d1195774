#pragma once

#include "core/Geometry.h"
#include "platform/Accessibility.h"
#include "platform/Platform.h"
#include "platform/Screens.h"

#include <QString>
#include <map>
#include <optional>
#include <vector>

namespace vantorel {

// The new height of a maximised window (top-left space) so that it ends on
// the top edge of a bar `barHeight` high on the display, or nothing: not
// maximised (under 93 % of the width, 84 % of the height, or its top more
// than 64 points down), already ending above the bar, or left under 200 points.
std::optional<double> clampedHeight(const Rect& window, const Rect& display, int barHeight);

// The height of a window that covers a display while the bar is revealed:
// shortened by the whole panel (bar and overhang), never below 120.
double heightBesideBar(double height, int barHeight);

// Names a window across reads: "pid:number", or without a number the
// process and the frame truncated to integers, "pid:x:y:width:height".
QString windowKey(qint64 pid, std::optional<quint32> number, const Rect& frame);

// A window moved aside for a revealed bar, and the frame it goes back to.
struct AdjustedWindowState {
    AXElement window;
    QString screenID;
    Point originalOrigin;
    Size originalSize;
};

// Keeps other applications' windows clear of the bar through the
// accessibility interface: clamps the maximised front window once under a
// bar that stays, and shortens windows covering a display while a hidden bar
// is revealed there, until it hides again.
class WindowClearance {
public:
    explicit WindowClearance(const Platform& platform) : platform_(platform) {}

    // The frontmost application's focused window, when maximised on one of
    // the target displays, ends on the bar's top edge (once per window and height).
    void clampMaximizedFrontWindow(const std::vector<Display>& targetDisplays, int barHeight);
    // Every window covering the display is shortened by the panel's height and recorded.
    void adjustFullscreenLikeWindows(const Display& display, const QString& screenID, int barHeight);
    // The recorded windows of a display (every display without an id) get their frames back.
    void restoreAdjustedWindows(const std::optional<QString>& screenID);

    const std::map<QString, AdjustedWindowState>& adjustedWindows() const { return adjusted_; }
    const std::optional<QString>& lastClampAttempt() const { return lastClampAttempt_; }

private:
    std::optional<Rect> axFrame(const AXElement& window) const;
    bool setAXFrame(const AXElement& window, Point origin, Size size) const;
    QString windowKey(const AXElement& window, qint64 pid, const Rect& frame) const;
    Rect topLeft(const Display& display) const;

    const Platform& platform_;
    std::map<QString, AdjustedWindowState> adjusted_;
    std::optional<QString> lastClampAttempt_;
};

} // namespace vantorel
