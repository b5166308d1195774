#include "app/AppDelegate.h"
#include "app/AppInfo.h"
#include "app/MainMenu.h"
#include "app/PersistenceService.h"
#include "app/QuitConfirmation.h"
#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "core/ManualScheduler.h"
#include "platform/common/DesktopServices.h"
#include "platform/sim/SimDesktop.h"
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
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>

using namespace vantorel;

namespace {

class Lifecycle : public ::testing::Test {
protected:
    Lifecycle() {
        desktop.setDisplays({{1, {0, 0, 1440, 900}, {0, 0, 1440, 875}}}, 1);
        desktop.ownPid = 4242;
    }

    AppDelegate& start() {
        delegate.emplace(AppDelegateDependencies{desktop.platform(),
                                                 scheduler,
                                                 [this]() -> SettingsService& {
                                                     ++settingsLoads;
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

    SimDesktop desktop;
    ManualScheduler scheduler;
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
    int settingsLoads = 0;
};

} // namespace

TEST_F(Lifecycle, ASecondCopyExitsAtOnceAndTouchesNothing) {
    desktop.launch(QStringLiteral("com.vantorel.app"), QStringLiteral("Vantorel")); // the copy already running
    const int writes = desktop.memoryDefaults.writeCount();
    start();
    EXPECT_EQ(exitStatus, 0);
    EXPECT_EQ(settingsLoads, 0);
    EXPECT_EQ(delegate->windowController(), nullptr);
    EXPECT_EQ(desktop.messagingTimeout, 0);
    EXPECT_EQ(desktop.memoryDefaults.writeCount(), writes);
    EXPECT_EQ(scheduler.pendingCount(), 0);
}

TEST_F(Lifecycle, AnEarlierCopyThatEndedDoesNotBlockTheStart) {
    const qint64 old = desktop.launch(QStringLiteral("com.vantorel.app"), QStringLiteral("Vantorel"));
    desktop.app(old)->info.isTerminated = true;
    start();
    EXPECT_FALSE(exitStatus);
    EXPECT_NE(delegate->windowController(), nullptr);
}

TEST_F(Lifecycle, StartUpReconcilesSettingsAndStandsTheTaskbar) {
    AppSettings stored;
    stored.restoreDockOnCrash = false; // switched off by the user last time
    stored.iconScalePercent = 130;
    persistence.saveSettings(stored);

    start();
    EXPECT_FALSE(exitStatus);
    EXPECT_EQ(desktop.messagingTimeout, 0.5);
    EXPECT_TRUE(settings->current().restoreDockOnCrash);
    EXPECT_TRUE(persistence.loadSettings().restoreDockOnCrash);
    EXPECT_EQ(persistence.loadSettings().iconScalePercent, 130);

    auto* panel = delegate->windowController()->window();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->frame(), (Rect{0, -1, 1440, 66}));

    EXPECT_TRUE(delegate->hasDockHideRetry());
    EXPECT_TRUE(delegate->hasDockEnforceTimer());
    scheduler.advance(1200ms);
    EXPECT_FALSE(delegate->hasDockHideRetry());
    EXPECT_TRUE(delegate->hasDockEnforceTimer());
}

TEST_F(Lifecycle, QuitAlertCancelKeepsRunningAndQuitRunsTheShutdown) {
    start();
    desktop.scriptedAlertAnswers = {1}; // "Cancel"
    delegate->confirmQuitFromMenu();
    ASSERT_EQ(desktop.shownAlerts.size(), 1u);
    const auto& alert = desktop.shownAlerts.front();
    EXPECT_EQ(alert.message, "Quit Vantorel?");
    EXPECT_EQ(alert.informativeText, "Your Dock settings will be restored when Vantorel quits.");
    EXPECT_EQ(alert.buttons, (QStringList{"Quit", "Cancel"}));
    EXPECT_EQ(alert.style, AlertStyle::Warning);
    EXPECT_TRUE(alert.aboveTaskbar);
    EXPECT_EQ(terminateRequests, 0);
    EXPECT_FALSE(delegate->windowController()->isTornDown());
    EXPECT_TRUE(delegate->windowController()->hasWindowStateTimer());

    desktop.scriptedAlertAnswers = {0}; // "Quit"
    delegate->windowController()->confirmQuit(); // the start button menu's item
    EXPECT_EQ(terminateRequests, 1);
    EXPECT_TRUE(delegate->isTerminated());
    EXPECT_TRUE(delegate->windowController()->isTornDown());
    EXPECT_FALSE(delegate->hasDockEnforceTimer());
    EXPECT_FALSE(delegate->hasDockHideRetry());
    EXPECT_FALSE(delegate->windowController()->hasWindowStateTimer());

    // After the shutdown a settings change reaches no observer of the delegate or the taskbar.
    settings->update([](AppSettings& s) { s.showOnAllDisplays = true; });
    EXPECT_TRUE(delegate->windowController()->extraPanelIds().empty());
}

TEST_F(Lifecycle, CtrlQInOurOwnWindowsAsksBeforeQuitting) {
    start();
    QLineEdit field;
    field.show();
    desktop.scriptedAlertAnswers = {1};
    QTest::keyClick(&field, Qt::Key_Q, Qt::ControlModifier);
    ASSERT_EQ(desktop.shownAlerts.size(), 1u);
    EXPECT_EQ(desktop.shownAlerts.front().message, "Quit Vantorel?");
    EXPECT_EQ(terminateRequests, 0);
    EXPECT_TRUE(field.text().isEmpty());

    // The editing keys stay with the text field.
    field.setText(QStringLiteral("abc"));
    QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(field.selectedText(), "abc");
    EXPECT_EQ(desktop.shownAlerts.size(), 1u);
    const auto titles = [](QMenu* m) {
        QStringList t;
        for (auto* a : m->actions())
            t << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return t;
    };
    EXPECT_EQ(titles(delegate->mainMenu()->editMenu()),
              (QStringList{"Cut", "Copy", "Paste", "Select All", "-", "Undo", "Redo"}));
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

TEST(AccessibilityNeededAlert, ExplainsTheFeatureAndOpensTheSettingsOnlyWhenAsked) {
    SimDesktop desktop;
    desktop.scriptedAlertAnswers = {1, 0};
    presentAccessibilityNeededAlert(QStringLiteral("New Window"), desktop, desktop.workspace);
    EXPECT_TRUE(desktop.openedUrls.isEmpty());
    presentAccessibilityNeededAlert(QStringLiteral("Closing a window from its preview"), desktop, desktop.workspace);
    EXPECT_EQ(desktop.openedUrls,
              QStringList{"x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"});
    ASSERT_EQ(desktop.shownAlerts.size(), 2u);
    const auto& a = desktop.shownAlerts[1];
    EXPECT_EQ(a.message, "Vantorel needs Accessibility access");
    EXPECT_TRUE(a.informativeText.startsWith(
        "Closing a window from its preview needs Accessibility, which lets Vantorel work with other apps' windows and "
        "menus.\n\n"));
    EXPECT_TRUE(a.informativeText.contains(QStringLiteral("with the \u2212 button")));
    EXPECT_EQ(a.buttons, (QStringList{"Open Accessibility Settings", "Cancel"}));
}

TEST(AppInfoVersion, FallsBackUnlessTheBundleHasANonEmptyString) {
    SimDesktop desktop;
    EXPECT_EQ(AppInfo::version(desktop), "1.1.3");
    desktop.infoKeys["CFBundleShortVersionString"] = QString();
    EXPECT_EQ(AppInfo::version(desktop), "1.1.3");
    desktop.infoKeys["CFBundleShortVersionString"] = 2;
    EXPECT_EQ(AppInfo::version(desktop), "1.1.3");
    desktop.infoKeys["CFBundleShortVersionString"] = QStringLiteral("2.0.1");
    EXPECT_EQ(AppInfo::version(desktop), "2.0.1");
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
