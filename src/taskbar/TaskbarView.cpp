#include "taskbar/TaskbarView.h"

#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "apps/AppButtonsRail.h"
#include "recording/RecordingButton.h"
#include "recording/SummariesFolderButton.h"
#include "taskbar/TrayView.h"
#include "widgets/ClockView.h"
#include "widgets/ShowDesktopButton.h"
#include "widgets/StartButtonView.h"

#include <QPainter>
#include <QPointer>

namespace vantorel {

TaskbarColors taskbarColors(ResolvedTheme look) {
    if (look == ResolvedTheme::Dark)
        return {QColor::fromRgbF(0.118f, 0.118f, 0.129f, 0.97f), QColor::fromRgbF(1, 1, 1, 0.08f)};
    return {QColor::fromRgbF(0.94f, 0.94f, 0.95f, 0.97f), QColor::fromRgbF(0, 0, 0, 0.14f)};
}

TaskbarLayout taskbarLayout(QSize view, int trayFittingWidth) {
    const int h = view.height();
    const int tray = std::max(TaskbarView::kMinimumTrayWidth, trayFittingWidth);
    const int rail = std::max(0, view.width() - TaskbarView::kStartButtonWidth - 1 - tray);
    TaskbarLayout l;
    l.startButton = QRect(0, 0, TaskbarView::kStartButtonWidth, h);
    l.appRail = QRect(l.startButton.right() + 1, 0, rail, h);
    l.separator = QRect(l.appRail.x() + rail, (h - TaskbarView::kSeparatorHeight) / 2, 1, TaskbarView::kSeparatorHeight);
    l.tray = QRect(l.separator.x() + 1, 0, tray, h);
    return l;
}

namespace {
// The thin line between the app buttons and the tray.
class Separator : public QWidget {
public:
    Separator(const TaskbarView& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), owner_.look() == ResolvedTheme::Dark ? QColor::fromRgbF(1, 1, 1, 0.15f)
                                                                 : QColor::fromRgbF(0, 0, 0, 0.15f));
    }

private:
    const TaskbarView& owner_;
};
} // namespace

TaskbarView::TaskbarView(const TaskbarViewDependencies& deps, QWidget* parent)
    : QWidget(parent), deps_(deps),
      startBtn_(new StartButtonView(deps.settings, deps.theme, deps.updates, deps.platform.workspace,
                                    deps.platform.identity, this)),
      separator_(new Separator(*this, this)), tray_(new TrayView(deps, this)) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    appRail = new AppButtonsRail(AppButtonEnvironment{deps.settings, deps.theme, deps.scheduler}, this);
    QPointer<TaskbarView> self(this);
    startBtn_->onClicked = [self] {
        if (self && self->onStartButtonClicked)
            self->onStartButtonClicked(self->startBtn_);
    };
    startBtn_->onRightClicked = [self] {
        if (self && self->onStartButtonRightClicked)
            self->onStartButtonRightClicked(self->startBtn_);
    };
    connect(tray_, &TrayView::fittingWidthChanged, this, [this] { layoutParts(); });
    layoutParts();
}

ResolvedTheme TaskbarView::look() const { return deps_.theme.resolve(deps_.settings.current().appearanceMode); }

void TaskbarView::applySettings() {
    appRail->applySettings();
    tray_->updateRecordingVisibility();
    tray_->summariesFolderBtn()->update();
    tray_->recordBtn()->update();
    tray_->clock()->applyTheme();
    tray_->showDesktopBtn()->update();
    startBtn_->update();
    separator_->update();
    update();
}

void TaskbarView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutParts();
}

void TaskbarView::layoutParts() {
    const auto l = taskbarLayout(size(), tray_->fittingWidth());
    startBtn_->setGeometry(l.startButton);
    appRail->setGeometry(l.appRail);
    separator_->setGeometry(l.separator);
    tray_->setGeometry(l.tray);
}

void TaskbarView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const auto colors = taskbarColors(look());
    p.fillRect(rect(), colors.background);
    // The line sits along the top edge of the bar.
    p.fillRect(QRectF(0, 0, width(), 1), colors.topLine);
}

} // namespace vantorel
