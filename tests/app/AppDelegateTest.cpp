#include "app/AppDelegate.h"
#include "app/DockService.h"
#include "app/MainMenu.h"
#include "app/PersistenceService.h"
#include "app/QuitConfirmation.h"
#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "core/ManualScheduler.h"
#include "platform/common/DesktopServices.h"
#include "platform/sim/SimDesktop.h"
#include "support/TestSupport.h"
#include "taskbar/TaskbarPanel.h"
#include "taskbar/TaskbarWindowController.h"
#include "windows/ChangelogWindowController.h"
#include "windows/FirstRunWindowController.h"
#include "windows/UpdateService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>

using namespace vantorel;
using vantorel::test::LogCapture;

namespace {

const QString kAutohide = QStringLiteral("autohide");
const QString kDelay = QStringLiteral("autohide-delay");

// Start-up and shutdown as the taskbar, the Dock and the login registration see them.
class Lifecycle : public ::testing::Test {
protected:
    Lifecycle() {
        desktop.setDisplays({{1, {0, 0, 1440, 900}, {0, 0, 1440, 875}}}, 1);
        desktop.ownPid = 4242;
        desktop.launchAgent.homeDirectory = home.path();
    }

    AppDelegate& start(std::optional<Platform> platform = std::nullopt) {
        delegate.emplace(AppDelegateDependencies{platform.value_or(desktop.platform()),
                                                 scheduler,
                                                 [this]() -> SettingsService& {
                                                     if (!settings)
                                                         settings.emplace(persistence);
                                                     return *settings;
                                                 },
                                                 theme,
                                                 updates,
                                                 quit,
                                                 [this](int status) { exitStatus = status; },
                                                 nullptr,
                                                 nullptr,
                                                 {},
                                                 {},
                                                 {},
                                                 [this] { return &changelog; }});
        delegate->applicationDidFinishLaunching();
        return *delegate;
    }

    QTemporaryDir home;
    SimDesktop desktop;
    ManualScheduler scheduler;
    LogCapture log;
    PersistenceService persistence{desktop.memoryDefaults, QStringLiteral("com.vantorel.app"), desktop.workspace};
    std::optional<SettingsService> settings;
    ThemeService theme{desktop.theme};
    UpdateService updates;
    ChangelogWindowController changelog{desktop, desktop.memoryDefaults};
    int terminateRequests = 0;
    QuitConfirmation quit{desktop, [this] {
                              ++terminateRequests;
                              delegate->applicationWillTerminate();
                          }};
    std::optional<AppDelegate> delegate;
    std::optional<int> exitStatus;
};

} // namespace

// A second copy and a copy that ended are tried with the real program in the single-instance test.
TEST_F(Lifecycle, StartUpStandsTheTaskbarHidesTheDockAndQuitGivesItBackAfterTheMonitorEnds) {
    AppSettings stored;
    stored.restoreDockOnCrash = false; // switched off by the user last time
    persistence.saveSettings(stored);
    desktop.dock.setStoredValue(kAutohide, false);
    desktop.dock.setStoredValue(kDelay, 0.2);

    start();
    EXPECT_FALSE(exitStatus);
    EXPECT_TRUE(persistence.loadSettings().restoreDockOnCrash);
    ASSERT_NE(delegate->windowController()->window(), nullptr);
    EXPECT_TRUE(delegate->windowController()->window()->isVisible());
    EXPECT_EQ(desktop.dock.storedValue(kAutohide), DefaultsValue(true));
    ASSERT_EQ(desktop.processes.runningCount(), 1);
    const qint64 monitor = desktop.processes.spawned[0].pid;
    EXPECT_TRUE(desktop.processes.spawned[0].arguments.value(1).startsWith("P=4242\n"));

    desktop.scriptedAlertAnswers = {1}; // "Cancel"
    delegate->confirmQuitFromMenu();
    ASSERT_EQ(desktop.shownAlerts.size(), 1u);
    EXPECT_EQ(terminateRequests, 0);

    const qsizetype before = desktop.processes.journal.size();
    desktop.scriptedAlertAnswers = {0}; // "Quit"
    delegate->windowController()->confirmQuit(); // the start button menu's item
    EXPECT_EQ(terminateRequests, 1);
    EXPECT_TRUE(delegate->windowController()->isTornDown());
    EXPECT_FALSE(delegate->hasDockEnforceTimer());
    EXPECT_EQ(desktop.dock.storedValue(kAutohide), DefaultsValue(false));
    EXPECT_EQ(desktop.dock.storedValue(kDelay), DefaultsValue(0.2));
    // A monitor still running during the restore would restore a second time.
    const QStringList quitting = desktop.processes.journal.mid(before);
    ASSERT_FALSE(quitting.isEmpty());
    EXPECT_EQ(quitting.front(), QStringLiteral("terminate %1").arg(monitor));
    EXPECT_EQ(quitting.filter("killall").size(), 1);

    // After the shutdown a settings change reaches no observer of the delegate or the taskbar.
    settings->update([](AppSettings& s) { s.showOnAllDisplays = true; });
    EXPECT_TRUE(delegate->windowController()->extraPanelIds().empty());
}

TEST_F(Lifecycle, CtrlQInOurOwnWindowsAsksBeforeQuittingAndTheEditingKeysStayWithTheField) {
    start();
    QLineEdit field;
    field.show();
    desktop.scriptedAlertAnswers = {1};
    QTest::keyClick(&field, Qt::Key_Q, Qt::ControlModifier);
    ASSERT_EQ(desktop.shownAlerts.size(), 1u);
    EXPECT_EQ(terminateRequests, 0);
    EXPECT_TRUE(field.text().isEmpty());

    field.setText(QStringLiteral("abc"));
    QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(field.selectedText(), "abc");
    EXPECT_EQ(desktop.shownAlerts.size(), 1u);
}

TEST_F(Lifecycle, ADesktopWithoutASystemDockIsLeftAlone) {
    Platform platform = desktop.platform();
    platform.dock = nullptr;
    start(platform);
    scheduler.advance(12s);
    for (bool on : {false, true})
        settings->update([on](AppSettings& s) { s.restoreDockOnCrash = on; });
    delegate->applicationWillTerminate();

    EXPECT_EQ(desktop.processes.commands.filter("Dock", Qt::CaseInsensitive).size(), 0);
    EXPECT_TRUE(desktop.processes.spawned.empty());
    EXPECT_EQ(desktop.dock.synchronizations, 0);
}

namespace {
// Real message boxes, counted: how many were asked for and how many stood open at once.
class CountedAlerts : public Alerts {
public:
    int runModal(const AlertSpec& alert) override {
        ++shown;
        maxOpen = std::max(maxOpen, ++open);
        const int answer = real.runModal(alert);
        --open;
        return answer;
    }
    MessageBoxAlerts real;
    int shown = 0;
    int open = 0;
    int maxOpen = 0;
};

QMessageBox* openAlert() {
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}
} // namespace

// Ctrl+Q pressed in an open menu, then again in the quit alert it brought up:
// one alert, the menu closed, and Cancel keeps the program.
TEST(QuitAlert, ASecondQuitRequestWhileItIsOpenStacksNothing) {
    CountedAlerts alerts;
    int terminations = 0;
    QuitConfirmation quit(alerts, [&] { ++terminations; });
    MainMenu menu([&] { quit.confirmAndQuit(); });
    QMenu open;
    open.addAction(QStringLiteral("Item"));
    open.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&open));

    bool menuOpenUnderAlert = true;
    int pressesInAlert = 0;
    // The alert's own event loop runs these.
    QTimer pressCtrlQ;
    QObject::connect(&pressCtrlQ, &QTimer::timeout, [&] {
        QMessageBox* box = openAlert();
        if (!box || pressesInAlert == 2)
            return;
        menuOpenUnderAlert = open.isVisible();
        ++pressesInAlert;
        QTest::keyClick(box, Qt::Key_Q, Qt::ControlModifier);
    });
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        if (QMessageBox* box = openAlert(); box && (pressesInAlert == 2 || alerts.open > 1))
            box->reject();
    });
    pressCtrlQ.start(10);
    cancel.start(10);

    QTest::keyClick(&open, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(pressesInAlert, 2);
    EXPECT_FALSE(menuOpenUnderAlert);
    EXPECT_EQ(alerts.shown, 1);
    EXPECT_EQ(alerts.maxOpen, 1);
    EXPECT_EQ(terminations, 0);

    // Once it is closed, the next request asks again.
    pressCtrlQ.stop();
    EXPECT_FALSE(quit.confirmAndQuit());
    EXPECT_EQ(alerts.shown, 2);
}

TEST_F(Lifecycle, TheWelcomeWindowShowsUntilSetupIsFinishedThenTheChangelogOnceAfterAnUpdate) {
    desktop.infoKeys[QStringLiteral("CFBundleShortVersionString")] = QStringLiteral("1.2.0");
    auto restart = [&] {
        delegate->applicationWillTerminate();
        delegate.reset();
        return &start();
    };
    start();
    ASSERT_TRUE(delegate->firstRunWindow());
    EXPECT_TRUE(delegate->firstRunWindow()->window()->isVisible());
    EXPECT_FALSE(desktop.memoryDefaults.string("com.vantorel.app", "com.vantorel.lastSeenVersion"))
        << "no changelog logic before the setup is done";

    // The close button finishes nothing: the next start shows it again.
    delegate->firstRunWindow()->window()->close();
    EXPECT_FALSE(settings->current().onboardingCompleted);
    restart();
    ASSERT_TRUE(delegate->firstRunWindow());
    delegate->firstRunWindow()->window()->findChild<QAbstractButton*>("finishSetupButton")->click();
    EXPECT_EQ(delegate->firstRunWindow(), nullptr);
    EXPECT_TRUE(settings->current().onboardingCompleted);
    // It goes at the next turn of the event loop, after its click returned.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The first start with the changelog logic stores the version and shows nothing; an update shows it.
    restart();
    EXPECT_EQ(delegate->firstRunWindow(), nullptr);
    EXPECT_FALSE(changelog.window()->isVisible());
    desktop.infoKeys[QStringLiteral("CFBundleShortVersionString")] = QStringLiteral("1.3.0");
    restart();
    EXPECT_TRUE(changelog.window()->isVisible());
    changelog.window()->hide();
    delegate->windowController()->showWhatsNew();
    EXPECT_TRUE(changelog.window()->isVisible()) << "the start menu's What's New";
}
