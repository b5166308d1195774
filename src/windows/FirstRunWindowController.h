#pragma once

#include "core/Scheduler.h"
#include "platform/Alerts.h"
#include "platform/Platform.h"

#include <QObject>
#include <QSize>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;
class QWidget;

namespace vantorel {

class LaunchAtLoginService;
class SettingsService;
class SettingsWindowController;
class ThemeService;

struct FirstRunDependencies {
    // Alerts, accessibility and the window server (the two permissions), the
    // workspace (settings pages); a platform without a system Dock gets this
    // desktop's words for what the taskbar does.
    Platform platform;
    Scheduler& scheduler;
    SettingsService& settings;
    ThemeService& theme;
    // None: the check box shows the stored setting and cannot change it.
    LaunchAtLoginService* launchAtLogin = nullptr;
    // Makes the full settings window; none leaves "Open Full Settings" without effect.
    std::function<std::unique_ptr<SettingsWindowController>()> makeSettingsWindow = {};
};

// "Welcome to Vantorel": the two permissions, launch at login and the way to
// the full settings, until the user finishes the setup. Closing it finishes nothing.
class FirstRunWindowController : public QObject {
    Q_OBJECT
public:
    static constexpr QSize kWindowSize{520, 500};
    static constexpr Duration kFirstRecheck = 350ms;
    static constexpr Duration kSecondRecheck = 1000ms;

    explicit FirstRunWindowController(FirstRunDependencies deps, QObject* parent = nullptr);
    ~FirstRunWindowController() override;

    void show();
    void close();
    QWidget* window() const { return window_.get(); }
    SettingsWindowController* settingsController() const { return settingsController_.get(); }

    // Called after "Finish Setup" closed the window.
    std::function<void()> onFinish;

    // What the taskbar does to the desktop: the Dock and the file browser where
    // there is a system Dock, the bottom edge and the file manager where there is none.
    static QString desktopNote(bool systemDock);

    void requestAccessibility();
    void requestScreenRecording();
    void checkPermissions();
    void launchAtLoginChanged();
    void openSettingsPanel();
    void finishSetup();

private:
    struct PermissionState {
        bool accessibility = false;
        bool screenRecording = false;
    };
    void build();
    PermissionState updatePermissionStatusLabels();

    FirstRunDependencies deps_;
    std::unique_ptr<QWidget> window_;
    std::unique_ptr<SettingsWindowController> settingsController_;
    QCheckBox* launchAtLoginToggle_ = nullptr;
    QLabel* accessibilityStatusLabel_ = nullptr;
    QLabel* screenRecordingStatusLabel_ = nullptr;
    QPushButton* requestAccessibilityButton_ = nullptr;
    QPushButton* requestScreenRecordingButton_ = nullptr;
    QPushButton* checkPermissionsButton_ = nullptr;
};

} // namespace vantorel
