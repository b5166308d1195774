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
    EXPECT_EQ(desktop.memoryDefaults.data(kApp, service.originalsKey), QByteArray("{}"));
    service.restoreDock();
    EXPECT_FALSE(desktop.dock.storedValue(kAutohide));
    EXPECT_FALSE(desktop.dock.storedValue(kDelay));

    // Originals stored in a form this program never writes count as none.
    desktop.memoryDefaults.setValue(kApp, service.originalsKey, QStringLiteral(R"({"autohide":true})"));
    desktop.dock.setStoredValue(kAutohide, false);
    service.restoreDock();
    EXPECT_EQ(desktop.dock.storedValue(kAutohide), DefaultsValue(false));
}

} // namespace
