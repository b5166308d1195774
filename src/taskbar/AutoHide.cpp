#include "taskbar/AutoHide.h"

#include "platform/Accessibility.h"
#include "platform/BundleInfo.h"
#include "platform/WindowServer.h"

#include <cmath>

namespace vantorel {

namespace {

constexpr double kRevealZone = 6;
constexpr double kNearSides = 4;
constexpr double kNearAboveBelow = 18;
constexpr double kCoverTolerance = 10;
constexpr double kFullscreenMinimum = 200;
} // namespace

bool pointerWantsBar(const Rect& display, const Rect& panel, Point m) {
    const bool inRevealZone = display.minX() <= m.x && m.x <= display.maxX() && m.y <= display.minY() + kRevealZone;
    const Rect near{panel.x - kNearSides, panel.y - kNearAboveBelow, panel.width + 2 * kNearSides,
                    panel.height + 2 * kNearAboveBelow};
    return inRevealZone || near.contains(m);
}

bool coversDisplay(const Rect& w, const Rect& d) {
    return std::abs(w.x - d.x) <= kCoverTolerance && std::abs(w.y - d.y) <= kCoverTolerance &&
           std::abs(w.width - d.width) <= kCoverTolerance && std::abs(w.height - d.height) <= kCoverTolerance;
}

double mainDisplayHeight(const std::vector<Display>& displays, std::optional<quint32> mainId) {
    for (const auto& d : displays)
        if (mainId && d.displayNumber == mainId)
            return d.frame.height;
    for (const auto& d : displays)
        if (d.frame.x == 0 && d.frame.y == 0)
            return d.frame.height;
    return displays.empty() ? 0 : displays.front().frame.height;
}

Rect topLeftFrame(const Rect& frame, double mainHeight) {
    return flipped(frame, mainHeight);
}

bool isThisProgram(const RunningApplication& app, const Platform& p) {
    if (p.workspace && app.handle == p.workspace->currentApplication())
        return true;
    const std::optional<QString> own = p.bundle ? p.bundle->identifier() : std::nullopt;
    return app.bundleIdentifier == own;
}

bool hasFullscreenLikeWindow(const Platform& p) {
    if (!p.workspace)
        return false;
    const auto front = p.workspace->frontmostApplication();
    if (!front || front->activationPolicy != ActivationPolicy::Regular || isThisProgram(*front, p))
        return false;

    if (p.accessibility && p.accessibility->isProcessTrusted(false)) {
        Accessibility& ax = *p.accessibility;
        const AXElement app = ax.applicationElement(front->handle);
        auto fullScreen = [&](const AXElement& w) { return ax.copyAttribute(w, AX::kFullScreen).as<bool>() == true; };
        if (const auto focused = ax.copyAttribute(app, AX::kFocusedWindow).as<AXElement>();
            focused && fullScreen(*focused))
            return true;
        if (const auto windows = ax.copyAttribute(app, AX::kWindows).as<std::vector<AXElement>>())
            for (const AXElement& w : *windows)
                if (fullScreen(w))
                    return true;
    }

    if (!p.windowServer || !p.screens)
        return false;
    const auto list = p.windowServer->windowList({.onScreenOnly = true, .excludeDesktopElements = true});
    if (!list)
        return false;
    const auto displays = p.screens->displays();
    const double mainHeight = mainDisplayHeight(displays, p.screens->mainDisplayId());
    for (const WindowListEntry& w : *list) {
        // The application's windows, by handle: on some desktops one process hosts several applications.
        if (w.owner != front->handle || !w.bounds)
            continue;
        const Rect& b = *w.bounds;
        if (!(b.width > kFullscreenMinimum && b.height > kFullscreenMinimum))
            continue;
        for (const auto& d : displays)
            if (coversDisplay(b, topLeftFrame(d.frame, mainHeight)))
                return true;
    }
    return false;
}

} // namespace vantorel
