#pragma once

#include "app/AppSettings.h"
#include "platform/Theme.h"
#include "taskbar/TaskbarViewDependencies.h"

#include <QColor>
#include <QRect>
#include <QWidget>
#include <functional>

namespace vantorel {

class AppButtonsRail;
class StartButtonView;
class TrayView;

struct TaskbarColors {
    QColor background;
    QColor topLine;
};
TaskbarColors taskbarColors(ResolvedTheme look);

// Frames of the taskbar's parts, left to right: start button, app rail,
// separator, tray. The tray takes its fitting width but never less than 188;
// the rail gets the rest and shrinks first.
struct TaskbarLayout {
    QRect startButton;
    QRect appRail;
    QRect separator;
    QRect tray;
};
TaskbarLayout taskbarLayout(QSize view, int trayFittingWidth);

// The content of a taskbar panel.
class TaskbarView : public QWidget {
    Q_OBJECT
public:
    explicit TaskbarView(const TaskbarViewDependencies& deps, QWidget* parent = nullptr);

    // The row of application buttons, owned by the view.
    AppButtonsRail* appRail = nullptr;

    std::function<void(QWidget* anchor)> onStartButtonClicked;
    std::function<void(QWidget* anchor)> onStartButtonRightClicked;

    StartButtonView* startBtn() const { return startBtn_; }
    // Holds the place of the app button rail.
    QWidget* separator() const { return separator_; }
    TrayView* tray() const { return tray_; }

    // Re-reads the settings and the look and redraws.
    void applySettings();
    ResolvedTheme look() const;

    static constexpr int kStartButtonWidth = 61;
    static constexpr int kMinimumTrayWidth = 188;
    static constexpr int kSeparatorHeight = 28;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutParts();

    TaskbarViewDependencies deps_;
    StartButtonView* startBtn_;
    QWidget* separator_;
    TrayView* tray_;
};

} // namespace vantorel
