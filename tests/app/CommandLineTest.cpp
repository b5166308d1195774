#include "app/CommandLine.h"

#include <gtest/gtest.h>

using namespace vantorel;

TEST(CommandLine, OurOptionsAreTakenQtsAreLeftAloneAndBadInputGetsAClearMessage) {
    const auto p = parseCommandLine({"-style", "fusion", "--platform", "sim", "--defaults-dir=/tmp/v", "--demo-displays",
                                     "2", "-display", ":3"});
    EXPECT_TRUE(p.error.isEmpty()) << p.error.toStdString();
    EXPECT_EQ(p.options.platform, "sim");
    EXPECT_EQ(p.options.defaultsDir, "/tmp/v");
    EXPECT_EQ(p.options.demoDisplays, 2);
    // "--platform" must never reach Qt, which would take "sim" for a platform plugin.
    EXPECT_EQ(p.consumed, (QList<int>{2, 3, 4, 5, 6}));

    EXPECT_EQ(parseCommandLine({"--platform", "wayland"}).error, "Unknown platform \"wayland\" (expected sim or x11)");
    EXPECT_EQ(parseCommandLine({"--defaults-dir"}).error, "--defaults-dir needs a value");
    EXPECT_EQ(parseCommandLine({"--demo-displays", "0"}).error, "--demo-displays takes a number from 1 to 8");
}
