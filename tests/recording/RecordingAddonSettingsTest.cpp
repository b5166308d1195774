#include "recording/RecordingAddonSettingsPanel.h"
#include "support/LoopbackHttpServer.h"
#include "support/SimWorld.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

QStringList labels(const QComboBox& box) {
    QStringList out;
    for (int i = 0; i < box.count(); ++i)
        out << box.itemText(i);
    return out;
}

class RecordingAddonSettingsTest : public ::testing::Test {
protected:
    SimWorld world;
    LoopbackHttpServer server;
    std::unique_ptr<RecordingAddonSettingsPanel> panel;

    void SetUp() override {
        world.change([](AppSettings& s) { s.recordingAddonInstalled = true; });
    }
    void build(const QUrl& endpoint = QUrl(QStringLiteral("http://127.0.0.1:9/api/tags"))) {
        panel = std::make_unique<RecordingAddonSettingsPanel>(
            RecordingAddonSettingsDependencies{world.settings, world.scheduler, endpoint});
        panel->show();
    }
    // Loads the models and waits for them (or their absence) to be in the menu.
    void load() {
        bool applied = false;
        auto c = QObject::connect(panel.get(), &RecordingAddonSettingsPanel::installedModelsApplied,
                                  [&] { applied = true; });
        panel->loadInstalledModels();
        ASSERT_TRUE(waitUntil([&] { return applied; }, [this] { world.scheduler.runPending(); }));
        QObject::disconnect(c);
    }
    const AppSettings& settings() const { return world.settings.current(); }
};

} // namespace

TEST_F(RecordingAddonSettingsTest, ShowsTheSettingsKeepsUnsavedEditsAndFollowsTheInstalledState) {
    world.change([](AppSettings& s) {
        s.recordingOutputFormat = RecordingOutputFormat::Txt;
        s.recordingUseAISummary = true;
        s.recordingOllamaModel = QStringLiteral("phi3:mini");
    });
    build();
    EXPECT_EQ(panel->outputPopup()->currentIndex(), 1);
    EXPECT_TRUE(panel->useAIToggle()->isChecked());
    EXPECT_EQ(panel->modelPopup()->currentIndex(), 2);

    // The user's choices write their settings.
    QTest::keyClick(panel->outputPopup(), Qt::Key_Up);
    EXPECT_EQ(settings().recordingOutputFormat, RecordingOutputFormat::Md);
    QTest::keyClick(panel->modelPopup(), Qt::Key_Up);
    EXPECT_EQ(settings().recordingOllamaModel, "gemma2:2b");

    // An edit not saved yet survives other changes; a new stored value replaces it.
    panel->instructionsView()->setPlainText(QStringLiteral("5 bullet points, not saved"));
    QTest::mouseClick(panel->useAIToggle(), Qt::LeftButton);
    EXPECT_FALSE(settings().recordingUseAISummary);
    EXPECT_FALSE(panel->modelPopup()->isEnabled()) << "no model without AI summaries";
    EXPECT_EQ(panel->instructionsView()->toPlainText(), "5 bullet points, not saved");
    world.change([](AppSettings& s) { s.recordingSummaryInstructions = QStringLiteral("one sentence"); });
    EXPECT_EQ(panel->instructionsView()->toPlainText(), "one sentence");

    // Removing the add-on while the panel is open disables everything.
    world.change([](AppSettings& s) {
        s.recordingUseAISummary = true;
        s.recordingAddonInstalled = false;
    });
    for (QWidget* w : std::initializer_list<QWidget*>{panel->outputPopup(), panel->useAIToggle(), panel->modelPopup(),
                                                      panel->saveInstructionsButton()})
        EXPECT_FALSE(w->isEnabled());
    EXPECT_TRUE(panel->instructionsView()->isReadOnly());
}

TEST_F(RecordingAddonSettingsTest, SaveTrimsBlankMeansTheDefaultsAndResetRestoresThem) {
    world.change([](AppSettings& s) { s.recordingSummaryInstructions = QStringLiteral("3 bullet points"); });
    build();
    panel->instructionsView()->setPlainText(QStringLiteral("  \n\t \n"));
    QTest::mouseClick(panel->saveInstructionsButton(), Qt::LeftButton);
    EXPECT_EQ(settings().recordingSummaryInstructions, AppSettings::kDefaultSummaryInstructions);

    panel->instructionsView()->setPlainText(QStringLiteral("an edit"));
    QTest::mouseClick(panel->resetInstructionsButton(), Qt::LeftButton);
    EXPECT_EQ(settings().recordingSummaryInstructions, AppSettings::kDefaultSummaryInstructions);
    // Reset with the default already stored still clears the edit.
    panel->instructionsView()->setPlainText(QStringLiteral("another edit"));
    QTest::mouseClick(panel->resetInstructionsButton(), Qt::LeftButton);
    EXPECT_EQ(panel->instructionsView()->toPlainText(), AppSettings::kDefaultSummaryInstructions);
}

TEST_F(RecordingAddonSettingsTest, TheServersModelsReplaceTheSuggestionsAndAMissingOneComesFirst) {
    server.reply = {200, R"({"models":[{"name":"llama3.2:latest","size":2019393189},{"name":"gemma2:2b"}]})"};
    build(server.url(QStringLiteral("/api/tags")));
    load();
    // "llama3.2" is the server's "llama3.2:latest": selected, nothing marked missing.
    EXPECT_EQ(labels(*panel->modelPopup()), (QStringList{"llama3.2:latest", "gemma2:2b"}));
    EXPECT_EQ(panel->modelPopup()->currentIndex(), 0);
    world.change([](AppSettings& s) { s.recordingUseAISummary = true; });
    QTest::keyClick(panel->modelPopup(), Qt::Key_Down);
    EXPECT_EQ(settings().recordingOllamaModel, "gemma2:2b");

    world.change([](AppSettings& s) { s.recordingOllamaModel = QStringLiteral("mistral"); });
    load();
    EXPECT_EQ(labels(*panel->modelPopup()), (QStringList{"mistral (not installed)", "llama3.2:latest", "gemma2:2b"}));
    EXPECT_EQ(panel->modelPopup()->currentIndex(), 0);
}

TEST_F(RecordingAddonSettingsTest, NoAnswerWithinThreeSecondsKeepsTheSuggestionsAndSaysWhy) {
    server.holdAnswers = true;
    build(server.url(QStringLiteral("/api/tags")));
    bool applied = false;
    QObject::connect(panel.get(), &RecordingAddonSettingsPanel::installedModelsApplied, [&] { applied = true; });
    panel->loadInstalledModels();
    ASSERT_TRUE(waitUntil([&] { return server.requests.size() == 1; }));
    world.scheduler.advance(2999ms);
    QCoreApplication::processEvents();
    EXPECT_FALSE(applied);
    world.scheduler.advance(1ms);
    ASSERT_TRUE(waitUntil([&] { return applied; }));
    EXPECT_EQ(labels(*panel->modelPopup()),
              (QStringList{"Llama 3.2 (Best)", "Gemma 2 2B (Better)", "Phi-3 Mini (Okay)"}));
    EXPECT_FALSE(panel->modelPopup()->toolTip().isEmpty());
}
