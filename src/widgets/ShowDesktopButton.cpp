#include "widgets/ShowDesktopButton.h"

#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "platform/BundleInfo.h"
#include "platform/Workspace.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace vantorel {

namespace {

// A read that fails counts as false.
bool readsTrue(Accessibility& ax, const AXElement& e, const QString& attribute) {
    return ax.copyAttribute(e, attribute).as<bool>().value_or(false);
}
} // namespace

ShowDesktopController::ShowDesktopController(Workspace& workspace, Accessibility& accessibility,
                                             const BundleInfo* bundle, Scheduler& scheduler, QObject* parent)
    : QObject(parent), workspace_(workspace), ax_(accessibility), bundle_(bundle), scheduler_(scheduler) {}

std::vector<AppHandle> ShowDesktopController::regularApplications() const {
    const std::optional<QString> own = bundle_ ? bundle_->identifier() : std::nullopt;
    const auto self = workspace_.currentApplication();
    std::vector<AppHandle> apps;
    for (const auto& app : workspace_.runningApplications()) {
        // Two applications without an identifier count as the same one.
        if (app.activationPolicy == ActivationPolicy::Regular && !app.isTerminated && app.bundleIdentifier != own &&
            app.handle != self)
            apps.push_back(app.handle);
    }
    return apps;
}

void ShowDesktopController::showDesktop() {
    const bool trusted = ax_.isProcessTrusted(false);
    if (trusted && restore())
        return;
    const auto apps = regularApplications();
    if (!trusted) {
        for (AppHandle app : apps)
            workspace_.hide(app);
        return;
    }
    minimizeAll(apps);
}

void ShowDesktopController::minimizeAll(const std::vector<AppHandle>& apps) {
    for (AppHandle app : apps) {
        const auto windows = ax_.copyAttribute(ax_.applicationElement(app), AX::kWindows).as<std::vector<AXElement>>();
        if (!windows)
            continue;
        for (const AXElement& window : *windows) {
            if (readsTrue(ax_, window, AX::kMinimized))
                continue;
            // Recorded once, however often it is asked for.
            if (std::find(minimizedByUs_.begin(), minimizedByUs_.end(), window) != minimizedByUs_.end())
                continue;
            minimizedByUs_.push_back(window);
            if (readsTrue(ax_, window, AX::kFullScreen)) {
                ax_.setAttribute(window, AX::kFullScreen, false);
                scheduler_.after(kFullScreenExitDelay, this,
                                 [this, window] { ax_.setAttribute(window, AX::kMinimized, true); });
            } else {
                ax_.setAttribute(window, AX::kMinimized, true);
            }
        }
    }
}

bool ShowDesktopController::restore() {
    std::vector<AXElement> still;
    for (const auto& window : minimizedByUs_)
        if (readsTrue(ax_, window, AX::kMinimized))
            still.push_back(window);
    minimizedByUs_.clear();
    if (still.empty())
        return false;
    for (auto it = still.rbegin(); it != still.rend(); ++it)
        ax_.setAttribute(*it, AX::kMinimized, false);
    return true;
}

ShowDesktopColors showDesktopColors(ResolvedTheme look) {
    if (look == ResolvedTheme::Dark)
        return {QColor::fromRgbF(1, 1, 1, 0.15f), QColor::fromRgbF(1, 1, 1, 0.2f)};
    return {QColor::fromRgbF(0, 0, 0, 0.08f), QColor::fromRgbF(0, 0, 0, 0.2f)};
}

ShowDesktopButton::ShowDesktopButton(const SettingsService& settings, const ThemeService& theme,
                                     Workspace& workspace, Accessibility& accessibility, const BundleInfo* bundle,
                                     Scheduler& scheduler, QWidget* parent)
    : HoverWidget(parent), settings_(settings), theme_(theme),
      controller_(new ShowDesktopController(workspace, accessibility, bundle, scheduler, this)) {
    AccessibleControl::installFactory();
    setAttribute(Qt::WA_Hover);
    setToolTip(accessibilityLabel());
    setAccessibleName(accessibilityLabel());
}

bool ShowDesktopButton::accessibilityPerformPress() {
    showDesktop();
    return true;
}

void ShowDesktopButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        showDesktop();
}

void ShowDesktopButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const auto colors = showDesktopColors(theme_.resolve(settings_.current().appearanceMode));
    if (isHovered())
        p.fillRect(rect(), colors.hoverFill);
    p.fillRect(QRectF(0, 0, 1, height()), colors.divider);
}

} // namespace vantorel
