#include "taskbar/TrayView.h"

#include "app/SettingsService.h"
#include "platform/Screens.h"
#include "recording/RecordingButton.h"
#include "recording/SummariesFolderButton.h"
#include "widgets/ClockView.h"
#include "widgets/ShowDesktopButton.h"

namespace vantorel {

TrayAddOnMetrics trayAddOnMetrics(bool installed) {
    if (installed)
        return {20, 20, 4, 8};
    return {};
}

TrayLayout trayLayout(bool installed, QSize tray, int clockFittingWidth) {
    const auto m = trayAddOnMetrics(installed);
    const int h = tray.height();
    const int buttonTop = (h - TrayView::kAddOnButtonHeight) / 2;
    TrayLayout out;
    out.folder = QRect(6, buttonTop, m.folderWidth, TrayView::kAddOnButtonHeight);
    out.record = QRect(out.folder.x() + m.folderWidth + m.recordLeading, buttonTop, m.recordWidth,
                       TrayView::kAddOnButtonHeight);
    out.showDesktop = QRect(tray.width() - TrayView::kShowDesktopWidth, 0, TrayView::kShowDesktopWidth, h);
    const int clockLeft = out.record.x() + m.recordWidth + m.clockLeading;
    const int clockRight = out.showDesktop.x() - 4;
    out.clock = QRect(clockLeft, 0, std::max(clockFittingWidth, clockRight - clockLeft), h);
    return out;
}

int trayFittingWidth(bool installed, int clockFittingWidth) {
    const auto m = trayAddOnMetrics(installed);
    return 6 + m.folderWidth + m.recordLeading + m.recordWidth + m.clockLeading + clockFittingWidth + 4 +
           TrayView::kShowDesktopWidth;
}

TrayView::TrayView(const TaskbarViewDependencies& deps, QWidget* parent)
    : QWidget(parent), deps_(deps),
      summariesFolderBtn_(new SummariesFolderButton(deps.settings, deps.theme, deps.recording, this)),
      recordBtn_(new RecordingButton(deps.settings, deps.theme, deps.recording, this)),
      clock_(new ClockView(deps.settings, deps.theme, deps.scheduler, *deps.platform.pointer, QLocale(), this)),
      showDesktopBtn_(new ShowDesktopButton(deps.settings, deps.theme, *deps.platform.workspace,
                                            *deps.platform.accessibility, deps.platform.bundle, deps.scheduler, this)) {
    connect(clock_, &ClockView::fittingWidthChanged, this, [this] {
        layoutParts();
        Q_EMIT fittingWidthChanged();
    });
    connect(&deps.settings, &SettingsService::didChange, this, [this] { updateRecordingVisibility(); });
    updateRecordingVisibility();
}

int TrayView::fittingWidth() const {
    return trayFittingWidth(deps_.settings.current().recordingAddonInstalled, clock_->fittingWidth());
}

void TrayView::updateRecordingVisibility() {
    const bool installed = deps_.settings.current().recordingAddonInstalled;
    const auto metrics = trayAddOnMetrics(installed);
    summariesFolderBtn_->setVisible(installed);
    recordBtn_->setVisible(installed);
    const bool changed = metrics.folderWidth != metrics_.folderWidth || metrics.clockLeading != metrics_.clockLeading;
    metrics_ = metrics;
    layoutParts();
    if (changed)
        Q_EMIT fittingWidthChanged();
}

void TrayView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutParts();
}

void TrayView::layoutParts() {
    const auto l = trayLayout(deps_.settings.current().recordingAddonInstalled, size(), clock_->fittingWidth());
    summariesFolderBtn_->setGeometry(l.folder);
    recordBtn_->setGeometry(l.record);
    clock_->setGeometry(l.clock);
    showDesktopBtn_->setGeometry(l.showDesktop);
}

} // namespace vantorel
