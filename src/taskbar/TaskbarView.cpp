#include "taskbar/TaskbarView.h"

#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "apps/AppButtonsRail.h"

#include <QPainter>
#include <algorithm>

namespace vantorel {

TaskbarColors taskbarColors(ResolvedTheme look) {
    if (look == ResolvedTheme::Dark)
        return {QColor::fromRgbF(0.118f, 0.118f, 0.129f, 0.97f), QColor::fromRgbF(1, 1, 1, 0.08f)};
    return {QColor::fromRgbF(0.94f, 0.94f, 0.95f, 0.97f), QColor::fromRgbF(0, 0, 0, 0.14f)};
}

TaskbarView::TaskbarView(const SettingsService& settings, const ThemeService& theme, Scheduler& scheduler,
                         QWidget* parent)
    : QWidget(parent), settings_(settings), theme_(theme) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    appRail = new AppButtonsRail(AppButtonEnvironment{settings_, theme_, scheduler}, this);
}

void TaskbarView::resizeEvent(QResizeEvent*) {
    // Right of the start button; the tray's share is settled with the tray layout.
    constexpr int railLeft = 61;
    appRail->setGeometry(railLeft, 0, std::max(0, width() - railLeft), height());
}

ResolvedTheme TaskbarView::look() const { return theme_.resolve(settings_.current().appearanceMode); }

void TaskbarView::applySettings() {
    appRail->applySettings();
    update();
}

void TaskbarView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const auto colors = taskbarColors(look());
    p.fillRect(rect(), colors.background);
    // The line sits along the top edge of the bar.
    p.fillRect(QRectF(0, 0, width(), 1), colors.topLine);
}

} // namespace vantorel
