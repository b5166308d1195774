#include "app/DockService.h"
#include "platform/sim/SimDesktop.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace vantorel;
using vantorel::test::LogCapture;

namespace {

const QString kApp = QStringLiteral("com.vantorel.app");
const QString kAutohide = QStringLiteral("autohide");
const QString kDelay = QStringLiteral("autohide-delay");

const QStringList kReenable{
    QStringLiteral("/bin/launchctl enable gui/501/com.apple.dock"),
    QStringLiteral("/bin/launchctl bootstrap gui/501 /System/Library/LaunchAgents/com.apple.dock.plist")};

class Dock : public ::testing::Test {
protected:
    Dock() { desktop.platform(); }

    std::optional<DockService::Originals> saved() const { return service.loadOriginals(); }
    bool hasOriginalsKey() { return desktop.memoryDefaults.value(kApp, service.originalsKey).has_value(); }

    SimDesktop desktop;
    LogCapture log;
    DockService service{&desktop.dock, desktop.processes, desktop.memoryDefaults, kApp};
};

TEST_F(Dock, HidingRecordsTheUserValuesAndRestartsTheDockOnce) {
    desktop.dock.setStoredValue(kAutohide, false);
    desktop.dock.setStoredValue(kDelay, 0.5);

    service.hideDock();

    const QStringList expected =
        kReenable + QStringList{
                        QStringLiteral("/usr/bin/defaults write com.apple.dock autohide -bool true"),
                        QStringLiteral("/usr/bin/defaults write com.apple.dock autohide-delay -float 1000.0"),
                        QStringLiteral("/usr/bin/killall Dock"),
                    };
    EXPECT_EQ(desktop.processes.commands, expected);
    EXPECT_EQ(saved(), (DockService::Originals{false, 0.5}));
    EXPECT_TRUE(service.isHidden());
    EXPECT_EQ(desktop.dock.restarts, 1);

    // The retry 1.2 s later finds the Dock hidden and leaves it alone.
    desktop.processes.commands.clear();
    service.hideDock();
    EXPECT_EQ(desktop.processes.commands, kReenable);
    EXPECT_EQ(saved(), (DockService::Originals{false, 0.5}));
}

TEST_F(Dock, ACleanQuitPutsBackExactlyWhatWasThere) {
    // No "autohide" key at all: it must be absent again, not false.
    service.hideDock();
    EXPECT_EQ(saved(), DockService::Originals{});
    service.restoreDock();
    EXPECT_FALSE(desktop.dock.storedValue(kAutohide));
    EXPECT_FALSE(desktop.dock.storedValue(kDelay));
    EXPECT_FALSE(hasOriginalsKey());
    EXPECT_EQ(desktop.dock.restarts, 2);

    desktop.dock.setStoredValue(kAutohide, true);
    desktop.dock.setStoredValue(kDelay, 0.2);
    service.hideDock();
    service.restoreDock();
    EXPECT_EQ(desktop.dock.storedValue(kAutohide), DefaultsValue(true));
    EXPECT_EQ(desktop.dock.storedValue(kDelay), DefaultsValue(0.2));

    // A second restore has nothing left to restore and changes nothing.
    desktop.processes.commands.clear();
    desktop.dock.setStoredValue(kAutohide, false);
    service.restoreDock();
    EXPECT_EQ(desktop.dock.storedValue(kAutohide), DefaultsValue(false));
    EXPECT_EQ(desktop.processes.commands, kReenable);
    EXPECT_EQ(log.messages().last(), QStringLiteral("No saved Dock preferences to restore"));
}

TEST_F(Dock, AStartAfterACrashWithoutMonitorRunsNothingAndQuitDeletesBothKeys) {
    desktop.dock.setStoredValue(kAutohide, true);
    desktop.dock.setStoredValue(kDelay, 1000.0);

    service.hideDock();

    EXPECT_EQ(desktop.processes.commands, kReenable);
    EXPECT_EQ(saved(), DockService::Originals{});
    EXPECT_EQ(desktop.memoryDefaults.data(kApp, service.originalsKey), QByteArray("{}"));
    service.restoreDock();
    EXPECT_FALSE(desktop.dock.storedValue(kAutohide));
    EXPECT_FALSE(desktop.dock.storedValue(kDelay));
}

TEST_F(Dock, UndecodableOriginalsCountAsNone) {
    for (const DefaultsValue& junk :
         {DefaultsValue(QByteArray("{not json")), DefaultsValue(QByteArray(R"({"autohide":"yes"})")),
          DefaultsValue(QStringLiteral(R"({"autohide":true})"))}) {
        desktop.memoryDefaults.setValue(kApp, service.originalsKey, junk);
        desktop.dock.setStoredValue(kAutohide, false);
        desktop.processes.commands.clear();
        service.restoreDock();
        EXPECT_EQ(desktop.processes.commands, kReenable);
        EXPECT_EQ(desktop.dock.storedValue(kAutohide), DefaultsValue(false));
        EXPECT_EQ(log.messages().last(), QStringLiteral("No saved Dock preferences to restore"));
    }
    // Hiding replaces them: fresh values, or empty ones when the Dock already looks hidden.
    service.hideDock();
    EXPECT_EQ(saved(), (DockService::Originals{false, std::nullopt}));
    desktop.memoryDefaults.setValue(kApp, service.originalsKey, QByteArray("garbage"));
    service.hideDock();
    EXPECT_EQ(saved(), DockService::Originals{});
}

TEST_F(Dock, ACommandLineWriteThatDoesNotTakeIsWrittenDirectly) {
    desktop.dock.commandLineWritesTakeEffect = false;
    service.hideDock();
    EXPECT_TRUE(
        log.messages().contains(QStringLiteral("Dock preferences didn't take; retrying through CFPreferences")));
    EXPECT_EQ(desktop.dock.storedValue(kAutohide), DefaultsValue(true));
    EXPECT_EQ(desktop.dock.storedValue(kDelay), DefaultsValue(1000.0));
    // The Dock restarts after the direct write, so it reads the new values.
    EXPECT_EQ(desktop.processes.commands.last(), QStringLiteral("/usr/bin/killall Dock"));
    EXPECT_EQ(desktop.dock.restarts, 1);
}

TEST_F(Dock, HiddenMeansAutohideTrueAsANumberAndADelayOfExactly1000) {
    struct Case {
        std::optional<DefaultsValue> autohide, delay;
        bool hidden;
    };
    const std::vector<Case> cases{
        {-2.0, 1000.0, true}, {0.0, 1000.0, false},        {QStringLiteral("1"), 1000.0, false},
        {true, 999.5, false}, {true, std::nullopt, false},
    };
    for (const auto& c : cases) {
        for (const auto& [key, v] : {std::pair{kAutohide, c.autohide}, std::pair{kDelay, c.delay}}) {
            if (v)
                desktop.dock.setStoredValue(key, *v);
            else
                desktop.dock.removeStoredValue(key);
        }
        desktop.dock.synchronize();
        EXPECT_EQ(service.isHidden(), c.hidden) << desktop.dock.storedValue(kAutohide).has_value();
    }
}

// The script for recorded values runs for real in the crash-restore tests.
TEST_F(Dock, RestoreScriptTexts) {
    service.saveOriginals({false, std::nullopt});
    EXPECT_EQ(service.restoreShellScript(),
              "/usr/bin/defaults write com.apple.dock autohide -bool false >/dev/null 2>&1\n"
              "/usr/bin/defaults delete com.apple.dock autohide-delay >/dev/null 2>&1\n"
              "/usr/bin/killall Dock >/dev/null 2>&1");

    const QString bothAbsent = "/usr/bin/defaults delete com.apple.dock autohide >/dev/null 2>&1\n"
                               "/usr/bin/defaults delete com.apple.dock autohide-delay >/dev/null 2>&1\n"
                               "/usr/bin/killall Dock >/dev/null 2>&1";
    service.saveOriginals({});
    EXPECT_EQ(service.restoreShellScript(), bothAbsent);
    desktop.memoryDefaults.removeValue(kApp, service.originalsKey);
    EXPECT_EQ(service.restoreShellScript(), bothAbsent);
}

} // namespace
