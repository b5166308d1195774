#include "taskbar/WindowClearance.h"

#include "platform/Accessibility.h"
#include "platform/Workspace.h"
#include "taskbar/AutoHide.h"

#include <algorithm>
#include <cmath>

namespace vantorel {

namespace {

constexpr double kMaximizedWidth = 0.93;
constexpr double kMaximizedHeight = 0.84;
constexpr double kMaximizedTopSlack = 64;
constexpr double kClampedMinimum = 200;
constexpr double kAdjustedMinimum = 120;

QString truncated(double v) {
    return QString::number(static_cast<qint64>(std::trunc(v)));
}
} // namespace

std::optional<double> clampedHeight(const Rect& f, const Rect& d, int barHeight) {
    const bool maximized = f.width >= kMaximizedWidth * d.width && f.height >= kMaximizedHeight * d.height &&
                           f.minY() <= d.minY() + kMaximizedTopSlack;
    if (!maximized)
        return std::nullopt;
    const double limit = d.maxY() - barHeight;
    if (limit + 1 >= f.maxY())
        return std::nullopt;
    const double height = limit - f.minY();
    if (height < kClampedMinimum)
        return std::nullopt;
    return height;
}

double heightBesideBar(double height, int barHeight) {
    // The panel stands one point below the edge: it takes its whole height.
    return std::max(height - (barHeight + 1), kAdjustedMinimum);
}

QString windowKey(qint64 pid, std::optional<quint32> number, const Rect& f) {
    if (number && *number != 0)
        return QString::number(pid) + u':' + QString::number(*number);
    return QStringList{QString::number(pid), truncated(f.x), truncated(f.y), truncated(f.width), truncated(f.height)}
        .join(u':');
}

std::optional<Rect> WindowClearance::axFrame(const AXElement& window) const {
    Accessibility& ax = *platform_.accessibility;
    const auto origin = ax.copyAttribute(window, AX::kPosition).as<Point>();
    const auto size = ax.copyAttribute(window, AX::kSize).as<Size>();
    if (!origin || !size)
        return std::nullopt;
    return Rect{origin->x, origin->y, size->width, size->height};
}

bool WindowClearance::setAXFrame(const AXElement& window, Point origin, Size size) const {
    Accessibility& ax = *platform_.accessibility;
    const bool moved = ax.setAttribute(window, AX::kPosition, origin) == AXError::Success;
    const bool sized = ax.setAttribute(window, AX::kSize, size) == AXError::Success;
    return moved && sized;
}

QString WindowClearance::windowKey(const AXElement& window, qint64 pid, const Rect& frame) const {
    return vantorel::windowKey(pid, platform_.accessibility->windowNumber(window), frame);
}

Rect WindowClearance::topLeft(const Display& display) const {
    const auto displays = platform_.screens->displays();
    const double mainHeight =
        displays.empty() ? display.frame.height : mainDisplayHeight(displays, platform_.screens->mainDisplayId());
    return topLeftFrame(display.frame, mainHeight);
}

void WindowClearance::clampMaximizedFrontWindow(const std::vector<Display>& targets, int barHeight) {
    if (!platform_.accessibility || !platform_.workspace || !platform_.accessibility->isProcessTrusted(false))
        return;
    Accessibility& ax = *platform_.accessibility;
    const auto front = platform_.workspace->frontmostApplication();
    if (!front || front->activationPolicy != ActivationPolicy::Regular || isThisProgram(*front, platform_))
        return;
    const auto window = ax.copyAttribute(ax.applicationElement(front->handle), AX::kFocusedWindow).as<AXElement>();
    if (!window || ax.copyAttribute(*window, AX::kFullScreen).as<bool>() == true)
        return;
    const auto frame = axFrame(*window);
    if (!frame)
        return;
    const Point centre{frame->midX(), frame->midY()};
    const auto display =
        std::find_if(targets.begin(), targets.end(), [&](const Display& d) { return topLeft(d).contains(centre); });
    if (display == targets.end())
        return;
    const auto height = clampedHeight(*frame, topLeft(*display), barHeight);
    if (!height)
        return;
    // Once per window and height: a window the user sizes back to this height stays so.
    const QString key = windowKey(*window, front->pid, *frame) + u'@' + truncated(frame->height);
    if (lastClampAttempt_ == key)
        return;
    lastClampAttempt_ = key;
    setAXFrame(*window, frame->origin(), {frame->width, *height});
}

void WindowClearance::adjustFullscreenLikeWindows(const Display& display, const QString& screenID, int barHeight) {
    if (!platform_.accessibility || !platform_.workspace || !platform_.accessibility->isProcessTrusted(false))
        return;
    Accessibility& ax = *platform_.accessibility;
    const Rect d = topLeft(display);
    for (const RunningApplication& app : platform_.workspace->runningApplications()) {
        if (app.activationPolicy != ActivationPolicy::Regular || app.isTerminated || isThisProgram(app, platform_))
            continue;
        const auto windows =
            ax.copyAttribute(ax.applicationElement(app.handle), AX::kWindows).as<std::vector<AXElement>>();
        if (!windows)
            continue;
        for (const AXElement& window : *windows) {
            const auto frame = axFrame(window);
            if (!frame || !coversDisplay(*frame, d))
                continue;
            const QString key = windowKey(window, app.pid, *frame);
            if (adjusted_.count(key))
                continue;
            if (setAXFrame(window, frame->origin(), {frame->width, heightBesideBar(frame->height, barHeight)}))
                adjusted_.emplace(key, AdjustedWindowState{window, screenID, frame->origin(), frame->size()});
        }
    }
}

void WindowClearance::restoreAdjustedWindows(const std::optional<QString>& screenID) {
    if (adjusted_.empty() || !platform_.accessibility)
        return;
    Accessibility& ax = *platform_.accessibility;
    for (auto it = adjusted_.begin(); it != adjusted_.end();) {
        if (screenID && it->second.screenID != *screenID) {
            ++it;
            continue;
        }
        // A window that closed meanwhile fails quietly; its record goes all the same.
        ax.setAttribute(it->second.window, AX::kPosition, it->second.originalOrigin);
        ax.setAttribute(it->second.window, AX::kSize, it->second.originalSize);
        it = adjusted_.erase(it);
    }
}

} // namespace vantorel
