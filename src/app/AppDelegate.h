#pragma once

#include "core/Scheduler.h"
#include "platform/Platform.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

namespace vantorel {

class AccountService;
class AddOnService;
class ChangelogWindowController;
class ChildProcess;
class DockService;
class FirstRunWindowController;
class LaunchAtLoginService;
class MainMenu;
class QuitConfirmation;
class RecordingService;
class SettingsService;
class TaskbarWindowController;
class ThemeService;
class UpdateService;

struct AppDelegateDependencies {
    Platform platform;
    Scheduler& scheduler;
    // Built lazily: a second copy must exit before it reads any setting.
    std::function<SettingsService&()> settings;
    ThemeService& theme;
    UpdateService& updates;
    QuitConfirmation& quit;
    // Ends the process at once with a status (a second copy).
    std::function<void(int)> exitProcess;
    // The Dock and login services; when unset, the delegate builds its own
    // from the platform's ports.
    DockService* dock = nullptr;
    LaunchAtLoginService* launchAtLogin = nullptr;
    // The recording service behind the record buttons, built when the taskbar is; none leaves them idle.
    std::function<RecordingService*()> recording = {};
    // The add-ons' files, for the add-on controls; none leaves them out.
    std::function<AddOnService*()> addOns = {};
    // The account behind the settings window, built when the taskbar is; none leaves Settings… without a window.
    std::function<AccountService*()> account = {};
    // The changelog window, shown after a version change and from "What's New"; none shows nothing.
    std::function<ChangelogWindowController*()> changelog = {};
};

// Start-up and shutdown of the program.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(AppDelegateDependencies deps, QObject* parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    static bool applicationShouldTerminateAfterLastWindowClosed() { return false; }
    void confirmQuitFromMenu();

    TaskbarWindowController* windowController() const { return windowController_.get(); }
    MainMenu* mainMenu() const { return mainMenu_.get(); }
    bool hasDockHideRetry() const { return dockHideRetryWorkItem_.isActive(); }
    bool hasDockEnforceTimer() const { return dockEnforceTimer_.isActive(); }
    bool isTerminated() const { return terminated_; }
    ChildProcess* dockRestoreMonitor() const { return dockRestoreMonitor_.get(); }
    // The welcome window while onboarding is not completed and it was not finished.
    FirstRunWindowController* firstRunWindow() const { return firstRun_; }

private:
    void setupMainMenu();
    void reconcileSettings();
    void hideDockWithRetry();
    void syncDockRestoreMonitor();
    void observeSettings();
    void presentFirstRunIfNeeded();

    // Connections to the Dock, login items, the file browser, the first-run
    // and changelog windows; each is one call into its service.
    void hideDock();
    void enforceDockHidden();
    void startDockRestoreMonitor();
    void stopDockRestoreMonitor();
    void restoreDock();
    void removeDuplicateLoginRegistration();
    std::optional<bool> launchAtLoginRegistered();
    void ensureFileBrowserRunning();
    void closeFirstRun();
    void showChangelogIfUpdated();

    AppDelegateDependencies deps_;
    SettingsService* settings_ = nullptr;
    std::unique_ptr<TaskbarWindowController> windowController_;
    std::unique_ptr<MainMenu> mainMenu_;
    std::unique_ptr<DockService> ownDock_;
    std::unique_ptr<LaunchAtLoginService> ownLaunchAtLogin_;
    DockService* dock_ = nullptr;
    LaunchAtLoginService* launchAtLogin_ = nullptr;
    std::unique_ptr<ChildProcess> dockRestoreMonitor_;
    FirstRunWindowController* firstRun_ = nullptr;
    ChangelogWindowController* changelog_ = nullptr;
    QMetaObject::Connection settingsObserver_;
    ScheduledTask dockHideRetryWorkItem_;
    ScheduledTask dockEnforceTimer_;
    bool terminated_ = false;
};

} // namespace vantorel
