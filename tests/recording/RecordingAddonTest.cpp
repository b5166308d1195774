#include "platform/linux/PocketsphinxRecognizer.h"
#include "recording/AddOnService.h"
#include "recording/RecordingAddonControls.h"
#include "recording/RecordingButton.h"
#include "recording/SummariesFolderButton.h"
#include "support/LoopbackHttpServer.h"
#include "support/SimWorld.h"
#include "support/TestSupport.h"
#include "taskbar/TrayView.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

QString readText(const QString& path) {
    return QString::fromUtf8(fileContents(path));
}

QString manifest(const char* installedAt) {
    return QStringLiteral("{\n  \"id\": \"recording-transcription\",\n  \"name\": \"Recording & Transcription\",\n"
                          "  \"installedAt\": \"%1\"\n}")
        .arg(QLatin1String(installedAt));
}

class AddOnTest : public ::testing::Test {
protected:
    SimWorld world;
    // 03:04:05.678 UTC, told in UTC+2: the manifest says it in UTC and without the milliseconds.
    ManualScheduler clock{QDateTime(QDate(2025, 1, 2), QTime(5, 4, 5, 678), QTimeZone(7200))};
    QTemporaryDir dir;
    PocketsphinxRecognizer speech;
    // The local model server the add-on's settings window asks.
    LoopbackHttpServer models;
    std::unique_ptr<AddOnService> addOns;
    std::unique_ptr<RecordingAddonControls> controls;

    void SetUp() override { build(dataFolder(), &speech); }
    void TearDown() override {
        controls.reset();
        addOns.reset();
    }

    QString dataFolder() const { return dir.filePath(QStringLiteral("data")); }
    QString addOnFolder() const { return dataFolder() + QStringLiteral("/Vantorel/Add-ons/recording-transcription"); }

    void build(const QString& applicationSupport, const SpeechRecognizer* recognizer) {
        controls.reset();
        addOns = std::make_unique<AddOnService>(clock, recognizer, AddOnEnvironment{applicationSupport});
        controls = std::make_unique<RecordingAddonControls>(
            RecordingAddonControlsDependencies{world.settings, world.scheduler, *addOns, world.desktop, world.theme,
                                               &world.desktop.theme, models.url(QStringLiteral("/api/tags"))});
    }
    // Presses the button and waits for the file work and its answer.
    void press(QPushButton* button) {
        bool finished = false;
        auto c = QObject::connect(controls.get(), &RecordingAddonControls::actionFinished, [&] { finished = true; });
        button->click();
        ASSERT_TRUE(waitUntil([&] { return finished; }));
        QObject::disconnect(c);
    }
    bool installed() const { return world.settings.current().recordingAddonInstalled; }
};

} // namespace

// Installing and removing through the settings window run for real in the add-on desktop test.
TEST_F(AddOnTest, InstallWritesAFreshManifestAndShowsTheTrayButtonsEverywhere) {
    ASSERT_EQ(speech.missingRequirement(), QString()) << "scripts/setup installs pocketsphinx-en-us";
    QWidget host;
    TrayView first(world.dependencies(), &host);
    TrayView second(world.dependencies(), &host);
    host.show();

    press(controls->downloadButton());
    EXPECT_EQ(readText(addOnFolder() + "/manifest.json"), manifest("2025-01-02T03:04:05Z"));
    EXPECT_EQ(QDir(addOnFolder()).entryList(QDir::Files), QStringList{"manifest.json"}) << "no temporary file left";
    EXPECT_TRUE(first.recordBtn()->isVisible() && second.summariesFolderBtn()->isVisible());
    // Saved with the other settings, so the next start has the add-on too.
    EXPECT_TRUE(world.persistence.loadSettings().recordingAddonInstalled);

    // The setting is the truth: a lost manifest uninstalls nothing.
    QFile::remove(addOnFolder() + "/manifest.json");
    world.change([](AppSettings& s) { s.iconScalePercent = 120; });
    EXPECT_TRUE(installed());
}

TEST_F(AddOnTest, FailuresShowTheirAlertAndChangeNoSetting) {
    // The data folder cannot hold folders: a file stands in its place (no permission bit stops root).
    QFile blocker(dataFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    press(controls->downloadButton());
    ASSERT_EQ(world.desktop.shownAlerts.size(), 1u);
    EXPECT_EQ(world.desktop.shownAlerts[0].message, "Unable to Download Add-on");
    EXPECT_FALSE(installed());
    QFile::remove(dataFolder());

    // No speech model: nothing is written and the alert names the package.
    PocketsphinxRecognizer withoutModel(dir.filePath(QStringLiteral("no-model/en-us")));
    build(dataFolder(), &withoutModel);
    press(controls->downloadButton());
    ASSERT_EQ(world.desktop.shownAlerts.size(), 2u);
    EXPECT_TRUE(world.desktop.shownAlerts[1].informativeText.endsWith("Install the package pocketsphinx-en-us."));
    EXPECT_FALSE(QFileInfo::exists(addOnFolder()));
    EXPECT_FALSE(installed());
}

TEST_F(AddOnTest, TheSettingsButtonOpensOneKeptWindow) {
    world.change([](AppSettings& s) { s.recordingAddonInstalled = true; });
    ASSERT_EQ(controls->settingsController(), nullptr);
    controls->settingsButton()->click();
    auto* controller = controls->settingsController();
    ASSERT_NE(controller, nullptr);
    EXPECT_TRUE(controller->window()->isVisible());
    // Each showing asks the server for its models again.
    ASSERT_TRUE(waitUntil([&] { return models.requests.size() == 1; }));
    controller->window()->close();
    controls->openRecordingAddonSettings();
    EXPECT_EQ(controls->settingsController(), controller);
    EXPECT_TRUE(controller->window()->isVisible());
    ASSERT_TRUE(waitUntil([&] { return models.requests.size() == 2; }));
}
