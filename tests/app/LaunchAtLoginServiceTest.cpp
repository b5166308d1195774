#include "app/LaunchAtLoginService.h"
#include "platform/sim/SimDesktop.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantorel;
using vantorel::test::LogCapture;

namespace {

const QString kTarget = QStringLiteral("gui/501/com.vantorel.autostart");

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The login-item service with the launch agent as its fallback; the real
// autostart entry and systemd unit are driven in the Linux login tests.
class LaunchAtLogin : public ::testing::Test {
protected:
    LaunchAtLogin() {
        desktop.platform();
        desktop.launchAgent.homeDirectory = home.path();
    }

    QString agentFile() const { return service.launchAgentURL(); }
    void leaveFallbackBehind() {
        ASSERT_TRUE(desktop.launchAgent.install(LaunchAtLoginService::launchAgentLabel, {"/old/vantorel"}));
        desktop.processes.commands.clear();
    }
    QStringList launchctl() const { return desktop.processes.commands.filter("/bin/launchctl"); }

    QTemporaryDir home;
    SimDesktop desktop;
    LogCapture log;
    LaunchAtLoginService service{desktop.loginItems, desktop.launchAgent, desktop};
};

TEST_F(LaunchAtLogin, ARefusalFallsBackToTheAgentWhichAnAcceptedRegistrationRemovesAgain) {
    desktop.loginItems.registerError = QStringLiteral("Operation not permitted");
    const Status result = service.setEnabled(true);
    EXPECT_TRUE(result) << qPrintable(result.error());
    EXPECT_EQ(agentFile(), home.path() + "/Library/LaunchAgents/com.vantorel.autostart.plist");
    EXPECT_TRUE(readFile(agentFile()).contains("<string>/usr/bin/vantorel</string>"));
    EXPECT_EQ(launchctl(), QStringList{"/bin/launchctl enable " + kTarget});
    EXPECT_TRUE(service.isEnabled());

    // A leftover fallback goes only once the service holds the registration.
    service.removeDuplicateRegistration();
    EXPECT_TRUE(QFileInfo::exists(agentFile()));
    desktop.loginItems.registerError.reset();
    desktop.processes.commands.clear();
    EXPECT_TRUE(service.setEnabled(true));
    EXPECT_EQ(desktop.loginItems.status, LoginItemStatus::Enabled);
    EXPECT_FALSE(QFileInfo::exists(agentFile()));
    EXPECT_EQ(launchctl(), (QStringList{"/bin/launchctl bootout " + kTarget, "/bin/launchctl disable " + kTarget}));
    leaveFallbackBehind();
    service.removeDuplicateRegistration();
    EXPECT_FALSE(QFileInfo::exists(agentFile()));
    EXPECT_TRUE(service.isEnabled());

    // Already registered: nothing is registered twice.
    EXPECT_TRUE(service.setEnabled(true));
    EXPECT_EQ(desktop.loginItems.registerCalls, 2);
}

TEST_F(LaunchAtLogin, SwitchingOffUnregistersWhatTheServiceHoldsAndRemovesTheFallback) {
    desktop.loginItems.status = LoginItemStatus::RequiresApproval;
    leaveFallbackBehind();
    EXPECT_TRUE(service.setEnabled(false));
    EXPECT_EQ(desktop.loginItems.unregisterCalls, 1);
    EXPECT_EQ(desktop.loginItems.status, LoginItemStatus::NotRegistered);
    EXPECT_FALSE(QFileInfo::exists(agentFile()));
    EXPECT_FALSE(service.isEnabled());

    // Not registered: nothing to unregister, the fallback still goes.
    leaveFallbackBehind();
    EXPECT_TRUE(service.setEnabled(false));
    EXPECT_EQ(desktop.loginItems.unregisterCalls, 1);
    EXPECT_FALSE(QFileInfo::exists(agentFile()));

    // A failure to unregister is not the caller's problem.
    desktop.loginItems.status = LoginItemStatus::Enabled;
    desktop.loginItems.unregisterError = QStringLiteral("Operation not permitted");
    EXPECT_TRUE(service.setEnabled(false));
    EXPECT_EQ(desktop.loginItems.unregisterCalls, 2);
}

TEST_F(LaunchAtLogin, TheAgentStartsTheBundleThroughOpenOrTheBareExecutable) {
    EXPECT_EQ(LaunchAtLoginService::programArguments("/opt/vantorel/bin/vantorel"),
              QStringList{"/opt/vantorel/bin/vantorel"});
    EXPECT_EQ(LaunchAtLoginService::programArguments("/Applications/Vantorel.app/Contents/MacOS/Vantorel"),
              (QStringList{"/usr/bin/open", "-a", "/Applications/Vantorel.app"}));
    // Only a real bundle layout counts.
    EXPECT_EQ(LaunchAtLoginService::programArguments("/tmp/Contents/MacOS/Vantorel"),
              QStringList{"/tmp/Contents/MacOS/Vantorel"});

    desktop.loginItems.registerError = QStringLiteral("refused");
    desktop.executable = "/Applications/Vantorel & Co.app/Contents/MacOS/Vantorel";
    ASSERT_TRUE(service.setEnabled(true));
    EXPECT_TRUE(readFile(agentFile())
                    .contains("<array>\n"
                              "\t\t<string>/usr/bin/open</string>\n"
                              "\t\t<string>-a</string>\n"
                              "\t\t<string>/Applications/Vantorel &amp; Co.app</string>\n"
                              "\t</array>"));
}

} // namespace
