#include "app/AppDelegate.h"

#include "app/DockService.h"
#include "app/LaunchAtLoginService.h"
#include "app/MainMenu.h"
#include "app/QuitConfirmation.h"
#include "app/SettingsService.h"
#include "core/KeepAlive.h"
#include "platform/Accessibility.h"
#include "platform/BundleInfo.h"
#include "platform/InstanceGuard.h"
#include "platform/ProcessRunner.h"
#include "platform/Workspace.h"
#include "taskbar/TaskbarWindowController.h"
#include "widgets/AppMenuHandler.h"
#include "windows/ChangelogWindowController.h"
#include "windows/FirstRunWindowController.h"
#include "windows/SettingsWindowController.h"
#include "windows/UpdateService.h"

namespace vantorel {

AppDelegate::AppDelegate(AppDelegateDependencies deps, QObject* parent)
    : QObject(parent), deps_(std::move(deps)), dock_(deps_.dock), launchAtLogin_(deps_.launchAtLogin) {
    const auto& p = deps_.platform;
    if (!dock_ && p.processes && p.defaults) {
        const QString domain = p.bundle ? p.bundle->identifier().value_or(QStringLiteral("com.vantorel.app"))
                                        : QStringLiteral("com.vantorel.app");
        ownDock_ = std::make_unique<DockService>(p.dock, *p.processes, *p.defaults, domain);
        dock_ = ownDock_.get();
    }
    if (!launchAtLogin_ && p.loginItems && p.launchAgent && p.bundle) {
        ownLaunchAtLogin_ = std::make_unique<LaunchAtLoginService>(*p.loginItems, *p.launchAgent, *p.bundle);
        launchAtLogin_ = ownLaunchAtLogin_.get();
    }
}

AppDelegate::~AppDelegate() {
    if (settingsObserver_)
        disconnect(settingsObserver_);
    delete firstRun_;
}

void AppDelegate::applicationDidFinishLaunching() {
    auto& p = deps_.platform;
    if (const auto id = p.bundle->identifier(); id && !p.instances->claim(*id)) {
        deps_.exitProcess(0);
        return;
    }
    p.accessibility->setMessagingTimeout(0.5);
    setupMainMenu();
    removeDuplicateLoginRegistration();
    settings_ = &deps_.settings();
    reconcileSettings();
    hideDockWithRetry();
    dockEnforceTimer_ = deps_.scheduler.every(5000ms, 1000ms, this, [this] { enforceDockHidden(); });
    syncDockRestoreMonitor();
    observeSettings();
    TaskbarDependencies taskbar{deps_.platform, deps_.scheduler, *settings_, deps_.theme, deps_.updates, deps_.quit,
                                nullptr, deps_.recording ? deps_.recording() : nullptr,
                                deps_.addOns ? deps_.addOns() : nullptr};
    taskbar.account = deps_.account ? deps_.account() : nullptr;
    taskbar.launchAtLogin = launchAtLogin_;
    taskbar.dock = dock_;
    changelog_ = deps_.changelog ? deps_.changelog() : nullptr;
    taskbar.changelog = changelog_;
    windowController_ = std::make_unique<TaskbarWindowController>(taskbar);
    windowController_->showWindow();
    ensureFileBrowserRunning();
    deps_.updates.start();
    presentFirstRunIfNeeded();
    if (settings_->current().onboardingCompleted)
        showChangelogIfUpdated();
}

void AppDelegate::setupMainMenu() {
    mainMenu_ = std::make_unique<MainMenu>([this] { confirmQuitFromMenu(); });
}

void AppDelegate::confirmQuitFromMenu() { deps_.quit.confirmAndQuit(); }

void AppDelegate::reconcileSettings() {
    const std::optional<bool> registered = launchAtLoginRegistered();
    settings_->update([&](AppSettings& s) {
        if (registered)
            s.launchAtLogin = *registered;
        s.restoreDockOnCrash = true;
    });
}

void AppDelegate::hideDockWithRetry() {
    hideDock();
    dockHideRetryWorkItem_.cancel();
    dockHideRetryWorkItem_ = deps_.scheduler.after(1200ms, this, [this] { hideDock(); });
}

void AppDelegate::syncDockRestoreMonitor() {
    if (settings_->current().restoreDockOnCrash)
        startDockRestoreMonitor();
    else
        stopDockRestoreMonitor();
}

void AppDelegate::observeSettings() {
    settingsObserver_ = connect(settings_, &SettingsService::didChange, this, [this] { syncDockRestoreMonitor(); });
}

void AppDelegate::presentFirstRunIfNeeded() {
    if (settings_->current().onboardingCompleted || firstRun_)
        return;
    TaskbarWindowController* taskbar = windowController_.get();
    firstRun_ = new FirstRunWindowController(
        FirstRunDependencies{deps_.platform, deps_.scheduler, *settings_, deps_.theme, launchAtLogin_,
                             [taskbar] { return taskbar ? taskbar->makeSettingsWindow() : nullptr; }});
    firstRun_->onFinish = [this] {
        // Inside its own button's click: it goes once the click has returned.
        deleteWhenReleased(std::exchange(firstRun_, nullptr));
    };
    firstRun_->show();
}

void AppDelegate::applicationWillTerminate() {
    if (terminated_ || !settings_)
        return;
    terminated_ = true;
    dockHideRetryWorkItem_.cancel();
    dockEnforceTimer_.cancel();
    disconnect(settingsObserver_);
    stopDockRestoreMonitor();
    closeFirstRun();
    if (windowController_)
        windowController_->teardown();
    restoreDock();
}

// --- Connections to services that arrive with their own parts of the program ---

void AppDelegate::hideDock() {
    if (dock_)
        dock_->hideDock();
}

void AppDelegate::enforceDockHidden() {
    if (dock_)
        dock_->enforceHidden();
}

void AppDelegate::startDockRestoreMonitor() {
    if (!dock_ || (dockRestoreMonitor_ && dockRestoreMonitor_->isRunning()))
        return;
    dockRestoreMonitor_ = dock_->startRestoreMonitor();
}

void AppDelegate::stopDockRestoreMonitor() {
    if (!dockRestoreMonitor_)
        return;
    if (dockRestoreMonitor_->isRunning())
        dockRestoreMonitor_->terminate();
    dockRestoreMonitor_.reset();
}

void AppDelegate::restoreDock() {
    if (dock_)
        dock_->restoreDock();
}

void AppDelegate::removeDuplicateLoginRegistration() {
    if (launchAtLogin_)
        launchAtLogin_->removeDuplicateRegistration();
}

// Unknown without login items: the stored value is kept.
std::optional<bool> AppDelegate::launchAtLoginRegistered() {
    if (!launchAtLogin_)
        return std::nullopt;
    return launchAtLogin_->isEnabled();
}

void AppDelegate::ensureFileBrowserRunning() {
    // Where starting the file browser opens a window, it is not started unasked.
    if (windowController_ && deps_.platform.workspace && deps_.platform.workspace->fileBrowserRunsWithoutWindows())
        windowController_->appMenu().ensureFileBrowserRunning();
}

void AppDelegate::closeFirstRun() {
    if (!firstRun_)
        return;
    firstRun_->close();
    delete std::exchange(firstRun_, nullptr);
}

void AppDelegate::showChangelogIfUpdated() {
    if (changelog_)
        changelog_->showIfUpdated();
}

} // namespace vantorel
