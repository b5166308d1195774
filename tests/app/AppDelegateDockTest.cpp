#include "app/AppDelegate.h"
#include "app/DockService.h"
#include "app/LaunchAtLoginService.h"
#include "app/PersistenceService.h"
#include "app/QuitConfirmation.h"
#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "core/ManualScheduler.h"
#include "platform/sim/SimDesktop.h"
#include "support/TestSupport.h"
#include "windows/UpdateService.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

using namespace vantorel;
using vantorel::test::LogCapture;

namespace {

const QString kAutohide = QStringLiteral("autohide");
const QString kDelay = QStringLiteral("autohide-delay");

// Start-up and shutdown as the Dock and the login registration see them.
class DockLifecycle : public ::testing::Test {
protected:
    DockLifecycle() {
        desktop.setDisplays({{1, {0, 0, 1440, 900}, {0, 0, 1440, 875}}}, 1);
        desktop.ownPid = 4242;
        desktop.launchAgent.homeDirectory = home.path();
    }

    AppDelegate& start(std::optional<Platform> platform = std::nullopt) {
        delegate.emplace(AppDelegateDependencies{platform.value_or(desktop.platform()), scheduler,
                                                 [this]() -> SettingsService& {
                                                     if (!settings)
                                                         settings.emplace(persistence);
                                                     return *settings;
                                                 },
                                                 theme, updates, quit, [](int) {}});
        delegate->applicationDidFinishLaunching();
        return *delegate;
    }
    void setRestoreDockOnCrash(bool on) {
        settings->update([on](AppSettings& s) { s.restoreDockOnCrash = on; });
    }
    void storeSettings(const std::function<void(AppSettings&)>& change) {
        AppSettings s;
        change(s);
        persistence.saveSettings(s);
    }
    QString agentFile() const { return desktop.launchAgent.location(LaunchAtLoginService::launchAgentLabel); }

    QTemporaryDir home;
    SimDesktop desktop;
    ManualScheduler scheduler;
    LogCapture log;
    PersistenceService persistence{desktop.memoryDefaults, QStringLiteral("com.vantorel.app"), desktop.workspace};
    std::optional<SettingsService> settings;
    ThemeService theme{desktop.theme};
    UpdateService updates;
    QuitConfirmation quit{desktop, [this] { delegate->applicationWillTerminate(); }};
    std::optional<AppDelegate> delegate;
};

TEST_F(DockLifecycle, StartHidesTheDockRetriesOnceAndStartsOneMonitorForThisProcess) {
    desktop.dock.setStoredValue(kAutohide, false);
    start();

    EXPECT_EQ(desktop.dock.storedValue(kAutohide), DefaultsValue(true));
    EXPECT_EQ(desktop.dock.storedValue(kDelay), DefaultsValue(1000.0));
    ASSERT_EQ(desktop.processes.spawned.size(), 1u);
    const auto& monitor = desktop.processes.spawned[0];
    EXPECT_EQ(monitor.program, "/bin/zsh");
    EXPECT_EQ(monitor.arguments,
              (QStringList{"-c", "P=4242\n"
                                 "while kill -0 \"$P\" >/dev/null 2>&1; do\n"
                                 "  sleep 1\n"
                                 "done\n"
                                 "/usr/bin/defaults write com.apple.dock autohide -bool false >/dev/null 2>&1\n"
                                 "/usr/bin/defaults delete com.apple.dock autohide-delay >/dev/null 2>&1\n"
                                 "/usr/bin/killall Dock >/dev/null 2>&1"}));
    ASSERT_NE(delegate->dockRestoreMonitor(), nullptr);
    EXPECT_EQ(delegate->dockRestoreMonitor()->pid(), monitor.pid);

    // The retry 1.2 s later finds the Dock hidden: no second restart.
    const int restarts = desktop.dock.restarts;
    scheduler.advance(1100ms);
    EXPECT_TRUE(delegate->hasDockHideRetry());
    scheduler.advance(200ms);
    EXPECT_FALSE(delegate->hasDockHideRetry());
    EXPECT_EQ(desktop.dock.restarts, restarts);
    EXPECT_EQ(desktop.processes.commands.filter("defaults write").size(), 2);
}

TEST_F(DockLifecycle, AResetWhileRunningIsUndoneWithinFiveSeconds) {
    start();
    scheduler.advance(1500ms);
    desktop.dock.setStoredValue(kAutohide, false);
    scheduler.advance(3400ms);
    EXPECT_EQ(desktop.dock.storedValue(kAutohide), DefaultsValue(false)); // the first check is due at 5 s
    scheduler.advance(200ms);
    EXPECT_EQ(desktop.dock.storedValue(kAutohide), DefaultsValue(true));
    EXPECT_EQ(log.messages(QStringLiteral("dock")).count("Dock preferences were reset while running; hiding again"), 1);
    scheduler.advance(10s);
    EXPECT_EQ(log.messages(QStringLiteral("dock")).count("Dock preferences were reset while running; hiding again"), 1);
}

TEST_F(DockLifecycle, TheMonitorFollowsRestoreDockOnCrash) {
    storeSettings([](AppSettings& s) { s.restoreDockOnCrash = false; });
    start();
    EXPECT_TRUE(settings->current().restoreDockOnCrash); // switched on again at every start
    ASSERT_EQ(desktop.processes.runningCount(), 1);
    const qint64 first = desktop.processes.spawned[0].pid;

    setRestoreDockOnCrash(false);
    EXPECT_EQ(desktop.processes.runningCount(), 0);
    EXPECT_EQ(delegate->dockRestoreMonitor(), nullptr);
    EXPECT_TRUE(desktop.processes.journal.contains(QStringLiteral("terminate %1").arg(first)));

    setRestoreDockOnCrash(true);
    EXPECT_EQ(desktop.processes.spawned.size(), 2u);
    EXPECT_EQ(desktop.processes.runningCount(), 1);

    // Another settings change leaves the running monitor alone; a monitor
    // that died is replaced at the next change.
    settings->update([](AppSettings& s) { s.iconScalePercent = 120; });
    EXPECT_EQ(desktop.processes.spawned.size(), 2u);
    desktop.processes.finish(desktop.processes.spawned[1].pid);
    settings->update([](AppSettings& s) { s.iconScalePercent = 110; });
    EXPECT_EQ(desktop.processes.spawned.size(), 3u);
    EXPECT_EQ(desktop.processes.runningCount(), 1);
}

TEST_F(DockLifecycle, StartTakesLaunchAtLoginFromTheFallbackAgentOrItsAbsence) {
    ASSERT_TRUE(desktop.launchAgent.install(LaunchAtLoginService::launchAgentLabel, {"/usr/bin/vantorel"}));
    start();
    EXPECT_TRUE(QFileInfo::exists(agentFile()));
    EXPECT_TRUE(settings->current().launchAtLogin);
    delegate.reset();
    settings.reset();

    QFile::remove(agentFile());
    desktop.loginItems.status = LoginItemStatus::RequiresApproval; // not yet enabled
    start();
    EXPECT_FALSE(settings->current().launchAtLogin);
}

TEST_F(DockLifecycle, QuittingEndsTheMonitorFirstThenGivesTheDockBack) {
    desktop.dock.setStoredValue(kAutohide, false);
    desktop.dock.setStoredValue(kDelay, 0.2);
    start();
    ASSERT_EQ(desktop.dock.storedValue(kAutohide), DefaultsValue(true));
    ASSERT_EQ(desktop.processes.runningCount(), 1);
    const qint64 monitor = desktop.processes.spawned[0].pid;
    const qsizetype before = desktop.processes.journal.size();

    desktop.scriptedAlertAnswers = {0}; // "Quit"
    delegate->confirmQuitFromMenu();

    EXPECT_EQ(desktop.dock.storedValue(kAutohide), DefaultsValue(false));
    EXPECT_EQ(desktop.dock.storedValue(kDelay), DefaultsValue(0.2));
    EXPECT_EQ(desktop.processes.runningCount(), 0);
    // A monitor still running during the restore would restore a second time.
    const QStringList quitting = desktop.processes.journal.mid(before);
    ASSERT_FALSE(quitting.isEmpty());
    EXPECT_EQ(quitting.front(), QStringLiteral("terminate %1").arg(monitor));
    EXPECT_EQ(quitting.back(), "/usr/bin/killall Dock");
    EXPECT_EQ(quitting.filter("killall").size(), 1);
}

TEST_F(DockLifecycle, ADesktopWithoutASystemDockIsLeftAlone) {
    Platform platform = desktop.platform();
    platform.dock = nullptr;
    start(platform);
    scheduler.advance(12s);
    setRestoreDockOnCrash(false);
    setRestoreDockOnCrash(true);
    delegate->applicationWillTerminate();

    EXPECT_EQ(desktop.processes.commands.filter("Dock").size() + desktop.processes.commands.filter("dock").size(), 0);
    EXPECT_TRUE(desktop.processes.spawned.empty());
    EXPECT_EQ(desktop.dock.synchronizations, 0);
    EXPECT_EQ(log.messages(QStringLiteral("dock")),
              QStringList{QStringLiteral("No system Dock on this desktop; Dock preferences are left alone")});
}

} // namespace
