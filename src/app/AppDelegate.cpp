#include "app/AppDelegate.h"

#include "app/MainMenu.h"
#include "app/QuitConfirmation.h"
#include "app/SettingsService.h"
#include "platform/Accessibility.h"
#include "platform/BundleInfo.h"
#include "platform/InstanceGuard.h"
#include "taskbar/TaskbarWindowController.h"
#include "windows/UpdateService.h"

namespace vantorel {

AppDelegate::AppDelegate(AppDelegateDependencies deps, QObject* parent) : QObject(parent), deps_(std::move(deps)) {}

AppDelegate::~AppDelegate() {
    if (settingsObserver_)
        disconnect(settingsObserver_);
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
    windowController_ = std::make_unique<TaskbarWindowController>(TaskbarDependencies{
        deps_.platform, deps_.scheduler, *settings_, deps_.theme, deps_.updates, deps_.quit});
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
    if (settings_->current().onboardingCompleted)
        return;
    // The first-run window is shown here once it exists.
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

void AppDelegate::hideDock() {}
void AppDelegate::enforceDockHidden() {}
void AppDelegate::startDockRestoreMonitor() {}
void AppDelegate::stopDockRestoreMonitor() {}
void AppDelegate::restoreDock() {}
void AppDelegate::removeDuplicateLoginRegistration() {}
// Unknown until login items are managed: the stored value is kept.
std::optional<bool> AppDelegate::launchAtLoginRegistered() { return std::nullopt; }
void AppDelegate::ensureFileBrowserRunning() {}
void AppDelegate::closeFirstRun() {}
void AppDelegate::showChangelogIfUpdated() {}

} // namespace vantorel
