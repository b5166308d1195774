#include "app/AppSettings.h"
#include "app/PersistenceService.h"
#include "app/SettingsService.h"
#include "platform/sim/SimDesktop.h"

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <limits>

using namespace vantorel;

TEST(AppSettingsJson, MissingAndNullKeysTakeDefaultsUnknownKeysAreIgnoredAndWrongTypesFail) {
    EXPECT_EQ(AppSettings::fromJson("{}"), AppSettings{});

    const auto onlyAutoHide = AppSettings::fromJson(R"({"autoHideTaskbar": true, "futureKey": [1, 2]})");
    ASSERT_TRUE(onlyAutoHide);
    AppSettings expected;
    expected.autoHideTaskbar = true;
    EXPECT_EQ(*onlyAutoHide, expected);

    // A wrong type or an unknown enum value fails the whole decode.
    for (const char* json :
         {R"({"appearanceMode": "sepia", "autoHideTaskbar": true})", R"({"iconScalePercent": "120"})", "not json"})
        EXPECT_FALSE(AppSettings::fromJson(json)) << json;
}

TEST(AppSettingsJson, EncodingRoundTrips) {
    AppSettings s;
    s.iconScalePercent = 137;
    s.appearanceMode = AppearanceMode::Light;
    s.recordingSummaryInstructions = QStringLiteral("Line \"one\"\n\u2212 two");
    const auto json = s.toJson();
    ASSERT_TRUE(json);
    EXPECT_EQ(AppSettings::fromJson(*json), s);
}

class SettingsProtocol : public ::testing::Test {
protected:
    SimDesktop desktop;
    PersistenceService persistence{desktop.memoryDefaults, QStringLiteral("com.vantorel.app"), desktop.workspace};
};

TEST_F(SettingsProtocol, OnlyARealChangeIsStoredAndAnnouncedAfterItIsCurrent) {
    SettingsService settings(persistence);
    QSignalSpy posted(&settings, &SettingsService::didChange);
    const int writesBefore = desktop.memoryDefaults.writeCount();
    // The icon slider moved and released on its current value.
    EXPECT_FALSE(settings.update([](AppSettings& s) { s.iconScalePercent = 100.0; }));
    EXPECT_EQ(posted.count(), 0);
    EXPECT_EQ(desktop.memoryDefaults.writeCount(), writesBefore);

    double seenByObserver = 0;
    QObject::connect(&settings, &SettingsService::didChange,
                     [&] { seenByObserver = settings.current().iconScalePercent; });
    EXPECT_TRUE(settings.update([](AppSettings& s) { s.iconScalePercent = 140; }));
    EXPECT_EQ(seenByObserver, 140);
    EXPECT_EQ(persistence.loadSettings().iconScalePercent, 140);

    // A number without a JSON form stays in memory and is still announced; the last good blob is kept.
    settings.update([](AppSettings& s) { s.iconScalePercent = std::numeric_limits<double>::infinity(); });
    EXPECT_FALSE(settings.current().toJson());
    EXPECT_EQ(posted.count(), 2);
    EXPECT_TRUE(std::isinf(settings.current().iconScalePercent));
    EXPECT_EQ(persistence.loadSettings().iconScalePercent, 140);
}

TEST_F(SettingsProtocol, UnreadableStoredSettingsStartWithDefaults) {
    desktop.memoryDefaults.setValue("com.vantorel.app", persistence.settingsKey, QByteArray(R"({"appearanceMode": 3})"));
    EXPECT_EQ(SettingsService(persistence).current(), AppSettings{});
}
