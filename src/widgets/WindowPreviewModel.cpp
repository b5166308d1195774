#include "widgets/WindowPreviewModel.h"

#include "apps/ActivationController.h"
#include "apps/AppRegistryService.h"
#include "core/ImageScaling.h"
#include "platform/Accessibility.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vantorel {

namespace {
constexpr double kPanelGap = 6;
constexpr double kScreenInset = 4;
constexpr double kHoverMargin = 4;
constexpr double kMinimumWindowSide = 50;
const QSize kPreviewMaxImageSize(kPreviewMaxImageWidth, kPreviewMaxImageHeight);
// Icons stand in the 200 x 120 picture area, scaled down only.
constexpr int kIconImageSide = 64;

Rect grown(const Rect& r, double by) {
    return {r.x - by, r.y - by, r.width + 2 * by, r.height + 2 * by};
}
} // namespace

std::optional<AppHandle> resolvePreviewProcessIdentifier(const AppEntry& entry, const Workspace& workspace) {
    if (const auto app = resolveRunningApplication(entry, workspace))
        return app->handle;
    // The entry's pid names a process; what is previewed is an application.
    if (entry.runningApp)
        return entry.runningApp->handle;
    return std::nullopt;
}

int previewWindowLimit(std::optional<double> displayWidth) {
    if (!displayWidth)
        return 8;
    const double usable = std::max(*displayWidth - 8, 220.0) - 12;
    return std::max(1, static_cast<int>(std::floor(usable / 208)));
}

std::optional<AXWindowTable> readPreviewWindowTable(Accessibility* ax, AppHandle app) {
    if (!ax || !ax->isProcessTrusted(false))
        return std::nullopt;
    const auto windows = readStandardWindows(*ax, app);
    if (!windows)
        return std::nullopt;
    AXWindowTable table;
    for (const auto& w : *windows)
        table[w.id] = AXWindowInfo{w.title, w.isMinimized};
    return table;
}

std::vector<CapturedWindow> captureOnScreenWindows(WindowServer& server, AppHandle app, int limit,
                                                   const std::optional<AXWindowTable>& table, const QImage& icon) {
    std::vector<CapturedWindow> out;
    const auto list = server.windowList({true, true});
    if (!list)
        return out;
    for (const auto& w : *list) {
        if (static_cast<int>(out.size()) >= limit)
            break;
        if (w.owner != app || w.layer.value_or(0) != 0 || w.alpha.value_or(1) <= 0.01 || !w.number || !w.bounds ||
            w.bounds->width <= kMinimumWindowSide || w.bounds->height <= kMinimumWindowSide)
            continue;
        const AXWindowInfo* info = nullptr;
        if (table) {
            auto it = table->find(*w.number);
            if (it == table->end() || it->second.isMinimized)
                continue;
            info = &it->second;
        }
        CapturedWindow c;
        c.title = w.name.value_or(QString()).trimmed();
        if (c.title.isEmpty() && info)
            c.title = info->title;
        c.windowNumber = w.number;
        c.bounds = w.bounds;
        if (auto image = server.captureWindowFitting(*w.number, kPreviewMaxImageSize); image && !image->isNull()) {
            c.image = downscaledForPreview(*image);
            c.hasThumbnail = true;
        } else {
            c.image = icon;
        }
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<CapturedWindow> minimizedPreviewWindows(const std::optional<AXWindowTable>& table, const QImage& icon,
                                                    WindowServer* server) {
    std::vector<CapturedWindow> out;
    if (!table)
        return out;
    // The table is ordered by number already.
    for (const auto& [number, info] : *table) {
        if (!info.isMinimized)
            continue;
        CapturedWindow c;
        c.title = info.title;
        c.windowNumber = number;
        c.isMinimized = true;
        c.image = icon;
        if (server)
            if (auto last = server->captureWindowFitting(number, kPreviewMaxImageSize); last && !last->isNull()) {
                c.image = downscaledForPreview(*last);
                c.hasThumbnail = true;
            }
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<quint32> existingWindowNumbers(const WindowServer& server, AppHandle app) {
    std::vector<quint32> out;
    const auto list = server.windowList({false, false});
    if (!list)
        return out;
    for (const auto& w : *list)
        if (w.owner == app && w.number)
            out.push_back(*w.number);
    return out;
}

QImage downscaledForPreview(const QImage& image, int maxWidth, int maxHeight) {
    return scaledToFit(image, QSize(maxWidth, maxHeight));
}

QImage previewIconImage(const QIcon& icon) {
    QIcon shown = icon;
    if (shown.isNull())
        shown =
            QIcon::fromTheme(QStringLiteral("window"), QIcon::fromTheme(QStringLiteral("application-x-executable")));
    if (shown.isNull())
        return {};
    return shown.pixmap(QSize(kIconImageSide, kIconImageSide)).toImage();
}

void pruneCachedPreviews(std::map<QString, CachedPreview>& cache, Duration now, Duration ttl) {
    std::erase_if(cache, [&](const auto& entry) { return entry.second.capturedAt < now - ttl; });
}

std::vector<CapturedWindow> stillOwnedWindows(const std::vector<CapturedWindow>& cached,
                                              const std::vector<quint32>& existing) {
    std::vector<CapturedWindow> out;
    for (const auto& w : cached)
        if (w.windowNumber && std::find(existing.begin(), existing.end(), *w.windowNumber) != existing.end())
            out.push_back(w);
    return out;
}

Point previewPanelOrigin(const Rect& button, Size size, const std::optional<Rect>& display) {
    double x = button.midX() - size.width / 2;
    double y = button.maxY() + kPanelGap;
    if (display) {
        x = std::max(x, display->minX() + kScreenInset);
        x = std::min(x, std::max(display->minX() + kScreenInset, display->maxX() - size.width - kScreenInset));
        y = std::min(y, std::max(display->minY() + kScreenInset, display->maxY() - size.height - kScreenInset));
    } else {
        x = std::max(x, kScreenInset);
    }
    return {x, y};
}

bool previewPointerHasLeft(Point pointer, const Rect& panel, const std::optional<Rect>& button) {
    if (grown(panel, kHoverMargin).contains(pointer))
        return false;
    return !(button && grown(*button, kHoverMargin).contains(pointer));
}

QString previewLabelText(const CapturedWindow& window) {
    QString text = window.title.isEmpty() ? QStringLiteral("Untitled Window") : window.title;
    if (window.isMinimized)
        text += QStringLiteral(" (minimized)");
    return text;
}

PreviewColors previewColors(ResolvedTheme look) {
    if (look == ResolvedTheme::Dark)
        return {QColor::fromRgbF(0.12f, 0.12f, 0.13f, 0.96f), QColor::fromRgbF(1, 1, 1, 0.1f),
                QColor::fromRgbF(1, 1, 1, 0.9f), QColor::fromRgbF(1, 1, 1, 0.85f), QColor(255, 69, 58, 245)};
    return {QColor::fromRgbF(0.95f, 0.95f, 0.96f, 0.96f), QColor::fromRgbF(0, 0, 0, 0.07f),
            QColor::fromRgbF(0, 0, 0, 0.8f), QColor::fromRgbF(0, 0, 0, 0.85f), QColor(255, 59, 48, 245)};
}

} // namespace vantorel
