#include "SettingsWindowTestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>

using namespace vantorel;
using namespace vantorel::test;

namespace {

QByteArray signInAnswer(const char* role) {
    return QByteArray(R"({"user":{"id":"u-)") + role +
           R"(","email":"ada@example.com","username":"ada","firstName":"Ada","lastName":"Lovelace","role":")" + role +
           R"("},"session":{"token":"tok"}})";
}

const char* const kSwitches[] = {"combineWindowsToggle", "showTitlesToggle", "autoHideToggle", "allDisplaysToggle"};

TEST(SettingsGeneral, EverySwitchWritesItsSettingAndANoticeRedrawsEveryControl) {
    SettingsWindowFixture f;
    f.controller->show();
    for (const char* name : kSwitches)
        f.click(name);
    const AppSettings& s = f.world.settings.current();
    EXPECT_FALSE(s.combineWindowsByApp);
    EXPECT_FALSE(s.showWindowTitles);
    EXPECT_TRUE(s.autoHideTaskbar);
    EXPECT_TRUE(s.showOnAllDisplays);
    f.find<QComboBox>("appearancePopup")->activated(2);
    EXPECT_EQ(s.appearanceMode, AppearanceMode::Dark);

    // The slider lands between two whole percentages: the whole one is stored and shown.
    f.find<QSlider>("iconSlider")->setValue(1234);
    EXPECT_EQ(s.iconScalePercent, 123.0);
    EXPECT_EQ(f.text("iconSliderValue"), "123%");

    // Another writer changes everything: every control follows the notice.
    f.world.change([](AppSettings& w) {
        w.combineWindowsByApp = true;
        w.iconScalePercent = 150;
        w.recordingAddonInstalled = true;
    });
    EXPECT_TRUE(f.find<QAbstractButton>("combineWindowsToggle")->isChecked());
    EXPECT_EQ(f.text("iconSliderValue"), "150%");
    EXPECT_EQ(f.text("recordingAddonStatusLabel"), "Installed");

    // An unsaved edit of the instructions survives an unrelated change; saving blanks stores the default.
    f.find<QPlainTextEdit>("recordingPromptTextView")->setPlainText("  \n ");
    f.world.change([](AppSettings& w) { w.autoHideTaskbar = true; });
    EXPECT_EQ(f.find<QPlainTextEdit>("recordingPromptTextView")->toPlainText(), "  \n ");
    f.click("saveRecordingPromptButton");
    EXPECT_EQ(s.recordingSummaryInstructions, AppSettings::kDefaultSummaryInstructions);
}

TEST(SettingsGeneral, LaunchAtLoginShowsWhatTheServiceReportsAndFlipsBackWhenRefused) {
    SettingsWindowFixture f;
    auto* toggle = f.find<QAbstractButton>("launchAtLoginToggle");
    // The stored setting says on, the service says off: the switch tells the truth.
    f.world.change([](AppSettings& s) { s.launchAtLogin = true; });
    EXPECT_FALSE(toggle->isChecked());

    f.desktop.loginItems.registerError = "Operation not permitted";
    f.desktop.launchAgent.homeDirectory = "/proc/vantorel-no-home";
    f.world.change([](AppSettings& s) { s.launchAtLogin = false; });
    f.click("launchAtLoginToggle");
    EXPECT_FALSE(toggle->isChecked());
    ASSERT_EQ(f.alertTitles(), QStringList{"Unable to update Launch at Login"});
    EXPECT_FALSE(f.world.settings.current().launchAtLogin);

    f.desktop.loginItems.registerError.reset();
    f.click("launchAtLoginToggle");
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_EQ(f.desktop.loginItems.status, LoginItemStatus::Enabled);
}

TEST(SettingsAccount, SignInValidatesAndKeepsTheStoredBackendForNonAdministrators) {
    ScriptedBackend server;
    SettingsWindowFixture f(server.url());
    f.controller->show();
    f.controller->selectTab(SettingsWindowController::Tab::Account);
    f.type("signInEmailField", "  ada@example.com ");
    f.click("signInButton");
    ASSERT_EQ(f.alertTitles(), QStringList{"Missing information"});
    EXPECT_TRUE(server.requests.empty());

    server.answer("POST /api/auth/sign-in", {200, signInAnswer("user")});
    f.type("signInPasswordField", "pw");
    f.click("signInButton");
    ASSERT_TRUE(f.alerted("Signed in"));
    EXPECT_EQ(QJsonDocument::fromJson(server.requests[0].body)["email"].toString(), "ada@example.com");
    EXPECT_EQ(f.find<QLineEdit>("signInPasswordField")->text(), "");
    EXPECT_EQ(f.account->current().backendBaseURL, server.url());
    EXPECT_FALSE(f.shows("accountBackendURLField")) << "the backend field is for administrators";

    // Manage on Website: the website the build names.
    f.desktop.infoKeys["VantorelWebsiteURL"] = "https://vantorel.example/account";
    f.click("manageAccountButton");
    EXPECT_EQ(f.desktop.openedUrls, QStringList{"https://vantorel.example/account"});

    // The backend goes away: signing out still ends the session here.
    f.account->updateBaseURL(QStringLiteral("http://127.0.0.1:%1").arg(closedPort()));
    f.click("signOutButton");
    ASSERT_TRUE(f.alerted("Unable to sign out"));
    EXPECT_FALSE(f.account->current().isSignedIn());
    EXPECT_TRUE(f.shows("signInContainer"));
}

TEST(SettingsAccount, AdministratorsSeeTheInboxAndTheBackendField) {
    ScriptedBackend server;
    server.answer("POST /api/auth/sign-in", {200, signInAnswer("admin")});
    server.answer("GET /api/admin/feedback",
                  {200, R"({"feedback":[{"id":"1","category":"bug","message":"M","status":"new","source":"app"}]})"});
    SettingsWindowFixture f(server.url());
    f.controller->show();
    f.controller->selectTab(SettingsWindowController::Tab::Account);
    f.type("signInEmailField", "ada@example.com");
    f.type("signInPasswordField", "pw");
    f.click("signInButton");
    ASSERT_TRUE(f.alerted("Signed in"));
    EXPECT_EQ(f.find<QLineEdit>("accountBackendURLField")->text(), server.url());

    // Loaded once for this administrator, with the filter "New".
    auto* inbox = f.controller->accountView()->inbox();
    ASSERT_TRUE(QTest::qWaitFor([&] { return inbox->cards().size() == 1; }, 60000));
    ASSERT_EQ(server.requests.size(), 2u);
    EXPECT_EQ(server.requests[1].path, "/api/admin/feedback?status=new");
    // Another notice for the same administrator loads nothing more.
    f.world.change([](AppSettings& s) { s.autoHideTaskbar = true; });
    EXPECT_EQ(server.requests.size(), 2u);

    // A failed status change leaves the button usable and says why.
    inbox->cards()[0]->findChild<QPushButton*>()->click();
    ASSERT_TRUE(f.alerted("Couldn't update feedback"));
    EXPECT_TRUE(inbox->cards()[0]->findChild<QPushButton*>()->isEnabled());
}

TEST(SettingsAbout, UpdatesDockAndDonationFollowWhatThisBuildAndDesktopHave) {
    SettingsWindowFixture f;
    f.controller->show();
    f.controller->selectTab(SettingsWindowController::Tab::About);
    EXPECT_FALSE(f.find("autoUpdateToggle")->isEnabled());
    EXPECT_FALSE(f.shows("restartDockButton")) << "no system Dock, no Restart Dock";
    EXPECT_FALSE(f.shows("restoreDockOnCrashToggle"));

    f.world.updates.setConfigured(true);
    f.world.updates.setAutomaticallyChecksForUpdates(true);
    int checks = 0;
    QObject::connect(&f.world.updates, &UpdateService::checkRequested, [&] { ++checks; });
    f.world.updates.setAvailableVersion(QStringLiteral("1.2.0"));
    EXPECT_EQ(f.text("updateAvailableLabel"), "Vantorel 1.2.0 is available");
    f.click("autoUpdateToggle");
    EXPECT_FALSE(f.world.updates.automaticallyChecksForUpdates());
    f.click("installUpdateButton");
    f.click("checkForUpdatesButton");
    EXPECT_EQ(checks, 2);
    int whatsNew = 0;
    f.controller->onShowWhatsNew = [&] { ++whatsNew; };
    f.click("whatsNewButton");
    EXPECT_EQ(whatsNew, 1);
    f.desktop.infoKeys["VantorelDonationURL"] = "  https://vantorel.example/donate ";
    f.click("donateButton");
    EXPECT_EQ(f.desktop.openedUrls, QStringList{"https://vantorel.example/donate"});
}

// Every control a keyboard can reach, in the order Tab reaches it, from the tab bar.
QList<QWidget*> tabChain(QWidget* window, QWidget* start) {
    start->setFocus(Qt::TabFocusReason);
    QList<QWidget*> chain{start};
    for (int i = 0; i < 200; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (!now || now == start || !window->isAncestorOf(now))
            break;
        chain << now;
    }
    return chain;
}

TEST(SettingsKeyboard, TabReachesEveryControlInOrderEachIsNamedAndEscapeCloses) {
    ScriptedBackend server;
    server.answer("POST /api/auth/sign-in", {200, signInAnswer("admin")});
    server.answer("GET /api/admin/feedback",
                  {200, R"({"feedback":[{"id":"1","category":"bug","message":"M","status":"new","source":"app"}]})"});
    SettingsWindowFixture f(server.url(), true);
    f.controller->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.window()));
    auto* tabs = f.find<QTabBar>("settingsTabs");

    auto checkTab = [&](SettingsWindowController::Tab tab) {
        f.controller->selectTab(tab);
        QScrollArea* page = f.controller->tabScrollArea(tab);
        const QList<QWidget*> chain = tabChain(f.window(), tabs);
        QList<QWidget*> reachable;
        for (QWidget* w : page->findChildren<QWidget*>())
            if (w->isVisibleTo(f.window()) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
                reachable << w;
        ASSERT_FALSE(reachable.isEmpty());
        int previousY = -1;
        for (QWidget* w : chain) {
            if (w == tabs)
                continue;
            EXPECT_TRUE(reachable.contains(w)) << w->metaObject()->className() << " outside the shown tab";
            const int y = w->mapTo(page->widget(), QPoint(0, w->height() / 2)).y();
            EXPECT_GE(y, previousY - 20) << w->objectName().toStdString() << " comes before a control above it";
            previousY = y;
        }
        for (QWidget* w : reachable) {
            EXPECT_TRUE(chain.contains(w))
                << w->metaObject()->className() << " " << w->objectName().toStdString() << " is never reached";
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
            ASSERT_TRUE(a);
            EXPECT_FALSE(a->text(QAccessible::Name).isEmpty())
                << w->metaObject()->className() << " " << w->objectName().toStdString() << " has no name";
        }
    };
    checkTab(SettingsWindowController::Tab::General);
    checkTab(SettingsWindowController::Tab::Addons);
    checkTab(SettingsWindowController::Tab::About);
    checkTab(SettingsWindowController::Tab::Account);

    // Signed in as an administrator: the inbox and the backend field are reached too.
    f.type("signInEmailField", "ada@example.com");
    f.type("signInPasswordField", "pw");
    f.click("signInButton");
    ASSERT_TRUE(f.alerted("Signed in"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.controller->accountView()->inbox()->cards().size() == 1; }, 60000));
    checkTab(SettingsWindowController::Tab::Account);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(f.window()->isVisible());
}

} // namespace
