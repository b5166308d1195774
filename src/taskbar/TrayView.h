#pragma once

#include "taskbar/TaskbarViewDependencies.h"

#include <QRect>
#include <QWidget>

namespace vantorel {

class ClockView;
class RecordingButton;
class ShowDesktopButton;
class SummariesFolderButton;

// Widths and gaps of the add-on buttons; all zero while the add-on is not installed.
struct TrayAddOnMetrics {
    int folderWidth = 0;
    int recordWidth = 0;
    int recordLeading = 0;
    int clockLeading = 0;
};
TrayAddOnMetrics trayAddOnMetrics(bool recordingAddonInstalled);

// Frames of the tray's parts, in the tray's coordinates.
struct TrayLayout {
    QRect folder;
    QRect record;
    QRect clock;
    QRect showDesktop;
};
TrayLayout trayLayout(bool recordingAddonInstalled, QSize tray, int clockFittingWidth);
// The narrowest tray that fits its parts (the taskbar never makes it narrower than 188).
int trayFittingWidth(bool recordingAddonInstalled, int clockFittingWidth);

// The right end of the taskbar: the recording add-on's buttons, the clock and
// the show-desktop strip.
class TrayView : public QWidget {
    Q_OBJECT
public:
    explicit TrayView(const TaskbarViewDependencies& deps, QWidget* parent = nullptr);

    SummariesFolderButton* summariesFolderBtn() const { return summariesFolderBtn_; }
    RecordingButton* recordBtn() const { return recordBtn_; }
    ClockView* clock() const { return clock_; }
    ShowDesktopButton* showDesktopBtn() const { return showDesktopBtn_; }

    // Shows or hides the add-on buttons for the current settings and lays the tray out again.
    void updateRecordingVisibility();
    int fittingWidth() const;
    TrayAddOnMetrics metrics() const { return metrics_; }

    static constexpr int kShowDesktopWidth = 8;
    static constexpr int kAddOnButtonHeight = 20;

Q_SIGNALS:
    void fittingWidthChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutParts();

    TaskbarViewDependencies deps_;
    SummariesFolderButton* summariesFolderBtn_;
    RecordingButton* recordBtn_;
    ClockView* clock_;
    ShowDesktopButton* showDesktopBtn_;
    TrayAddOnMetrics metrics_;
};

} // namespace vantorel
