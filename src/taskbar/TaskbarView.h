#pragma once

#include "app/AppSettings.h"
#include "platform/Theme.h"

#include <QColor>
#include <QWidget>
#include <functional>

namespace vantorel {

class AppButtonsRail;
class Scheduler;
class SettingsService;
class ThemeService;

struct TaskbarColors {
    QColor background;
    QColor topLine;
};
TaskbarColors taskbarColors(ResolvedTheme look);

// The content of a taskbar panel.
class TaskbarView : public QWidget {
    Q_OBJECT
public:
    TaskbarView(const SettingsService& settings, const ThemeService& theme, Scheduler& scheduler,
                QWidget* parent = nullptr);

    // The row of application buttons, owned by the view.
    AppButtonsRail* appRail = nullptr;

    std::function<void(QWidget* anchor)> onStartButtonClicked;
    std::function<void(QWidget* anchor)> onStartButtonRightClicked;

    // Re-reads the settings and the look and redraws.
    void applySettings();
    ResolvedTheme look() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    const SettingsService& settings_;
    const ThemeService& theme_;
};

} // namespace vantorel
