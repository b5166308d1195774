#include "recording/RecordingService.h"
#include "platform/sim/SimRecording.h"
#include "recording/RecordingButton.h"
#include "support/LoopbackHttpServer.h"
#include "support/SimWorld.h"
#include "support/TestSupport.h"
#include "taskbar/TrayView.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace vantorel;
using namespace vantorel::test;
using State = RecordingService::State;

namespace {

RecognitionUpdate finalText(const QString& text) {
    return {RecognitionResult{text, true}, std::nullopt, std::nullopt};
}
RecognitionUpdate partialText(const QString& text) {
    return {RecognitionResult{text, false}, std::nullopt, 0.5};
}

QString readText(const QString& path) {
    return QString::fromUtf8(fileContents(path));
}

class RecordingServiceTest : public ::testing::Test {
protected:
    SimWorld world;
    SimAudioRecorder recorder{world.scheduler};
    SimSpeechRecognizer speech{world.scheduler};
    SimPermissions permissions;
    SimNotifications notifications;
    LoopbackHttpServer server;
    QTemporaryDir dir;
    LogCapture logs;
    RecordingEnvironment environment;
    std::unique_ptr<RecordingService> service;
    std::vector<State> states;

    void SetUp() override {
        world.change([](AppSettings& s) { s.recordingAddonInstalled = true; });
        environment.documentsDirectory = dir.filePath(QStringLiteral("Documents"));
        environment.temporaryDirectory = dir.filePath(QStringLiteral("tmp"));
        environment.preferredLanguages = {QStringLiteral("en-US")};
        environment.systemLocale = QLocale(QStringLiteral("en_US"));
        environment.languageModelEndpoint = server.url(QStringLiteral("/api/generate"));
        build();
    }

    void build() {
        service = std::make_unique<RecordingService>(RecordingServiceDependencies{
            world.settings, world.scheduler, recorder, speech, permissions, world.desktop, world.desktop.workspace,
            &notifications, environment, &world.desktop.scripting});
        QObject::connect(service.get(), &RecordingService::recordingStateDidChange,
                         [this] { states.push_back(service->state()); });
    }

    void press() {
        service->toggleRecording();
        world.scheduler.runPending();
    }
    // A whole recording of `seconds`, up to the start of its transcription.
    void recordFor(double seconds) {
        press();
        recorder.seconds = seconds;
        press();
    }
    QString summaries() const {
        return QDir(environment.documentsDirectory).filePath(QStringLiteral("Recording Summaries"));
    }
    // Files are stamped with the virtual clock's time of writing.
    QString stamp() const { return world.scheduler.currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss")); }
    QString summaryPath(const char* ext) const {
        return QDir(summaries()).filePath(QStringLiteral("Recording Summary ") + stamp() + u'.' + QLatin1String(ext));
    }
    QString temporaryAudio() const { return recorder.recordedPaths.value(recorder.recordedPaths.size() - 1); }
    QStringList summaryFiles() const { return QDir(summaries()).entryList(QDir::Files, QDir::Name); }
};

} // namespace

TEST_F(RecordingServiceTest, OnePressRecordsTheNextProcessesAndPressesWhileProcessingBeep) {
    press();
    EXPECT_EQ(service->state(), State::Recording);
    press();
    press();
    EXPECT_EQ(world.desktop.beeps, 1);
    EXPECT_EQ(recorder.stops, 1);

    world.scheduler.advance(1s); // the recogniser's final result
    EXPECT_EQ(service->state(), State::Idle);
    // Recognised on this computer, with punctuation.
    ASSERT_EQ(speech.requests.size(), 1u);
    EXPECT_TRUE(speech.requests[0].requiresOnDeviceRecognition);
    EXPECT_TRUE(speech.requests[0].addsPunctuation);
}

TEST_F(RecordingServiceTest, RefusalsAndFailuresToStartBeepAndStayIdle) {
    world.change([](AppSettings& s) { s.recordingAddonInstalled = false; });
    press();
    EXPECT_EQ(world.desktop.beeps, 1);
    world.change([](AppSettings& s) { s.recordingAddonInstalled = true; });

    permissions.speech = SpeechAuthorizationStatus::Denied;
    press();
    EXPECT_EQ(world.desktop.beeps, 2);
    permissions.speech = SpeechAuthorizationStatus::Authorized;
    // A microphone that fails after record() returned: the same report, and a
    // press while it was still starting beeps rather than starting another.
    recorder.lateFailure = QStringLiteral("no data from the device");
    press();
    EXPECT_EQ(service->state(), State::Idle);
    press();
    EXPECT_EQ(world.desktop.beeps, 3);
    world.scheduler.advance(1s);
    EXPECT_EQ(world.desktop.beeps, 4);
    EXPECT_EQ(service->state(), State::Idle);
    EXPECT_TRUE(states.empty());
}

TEST_F(RecordingServiceTest, TheTimeOutIsNinetySecondsForTenAndOneEightyForAHundred) {
    speech.script = {{5s, partialText(QStringLiteral("never final"))},
                     {500s, finalText(QStringLiteral("Far too late."))}};
    recordFor(10);
    world.scheduler.advance(89'999ms);
    EXPECT_EQ(service->state(), State::Processing);
    world.scheduler.advance(1ms);
    EXPECT_EQ(speech.cancellations, 1);
    // Ended with an empty transcript: the audio stays beside the summary.
    const QString md = summaryPath("md");
    EXPECT_TRUE(md.endsWith("09-01-30.md"));
    EXPECT_TRUE(readText(md).endsWith("## Transcript\n_No transcription available._"));
    EXPECT_TRUE(QFile::exists(summaryPath("m4a")));

    // The late final result changes nothing.
    world.scheduler.advance(600s);
    EXPECT_TRUE(readText(md).endsWith("_No transcription available._"));
    EXPECT_EQ(summaryFiles().size(), 2);

    recordFor(100);
    world.scheduler.advance(179s);
    EXPECT_EQ(service->state(), State::Processing);
}

// Revealing, the notice, the removal of the audio and the red dot run for real in the recording desktop test.
TEST_F(RecordingServiceTest, TheRecordButtonTheSummaryFileAndTheNoticeThatOpensIt) {
    speech.script = {{1s, {std::nullopt, std::nullopt, 0.4}},
                     {3s, finalText(QStringLiteral(" We need to decide on the launch plan by Friday. Thanks. "))}};
    QWidget host;
    auto deps = world.dependencies();
    deps.recording = service.get();
    TrayView tray(deps, &host);
    host.show();
    RecordingButton* record = tray.recordBtn();
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(record);
    ASSERT_NE(a, nullptr);

    // The press action and a click both toggle.
    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    world.scheduler.runPending();
    EXPECT_EQ(a->text(QAccessible::Value), "recording");
    recorder.seconds = 30;
    QTest::mouseClick(record, Qt::LeftButton);
    EXPECT_EQ(a->text(QAccessible::Value), "processing");
    world.scheduler.advance(1s);
    EXPECT_EQ(record->toolTip(), "Transcribing… 40 %");
    world.scheduler.advance(2s);
    EXPECT_EQ(a->text(QAccessible::Value), "idle");

    EXPECT_EQ(readText(summaryPath("md")), "# Recording Summary\n\nDate: 2026-01-05 09:00:03\n\n## Summary\n"
                                           "1. We need to decide on the launch plan by Friday.\n\n"
                                           "## Transcript\nWe need to decide on the launch plan by Friday. Thanks.");
    ASSERT_EQ(notifications.notices.size(), 1u);
    notifications.activate(0);
    EXPECT_EQ(world.desktop.openedUrls, QStringList{QUrl::fromLocalFile(summaryPath("md")).toString()});
}

TEST_F(RecordingServiceTest, TwoRecordingsInTheSameSecondWriteOneFile) {
    speech.script = {{300ms, finalText(QStringLiteral("The first recording says this."))}};
    recordFor(5);
    world.scheduler.advance(300ms);
    speech.script = {{300ms, finalText(QStringLiteral("The second recording replaces it."))}};
    recordFor(5);
    world.scheduler.advance(300ms);
    EXPECT_EQ(summaryFiles(), QStringList{QStringLiteral("Recording Summary 2026-01-05 09-00-00.md")});
    EXPECT_TRUE(readText(summaryPath("md")).endsWith("## Transcript\nThe second recording replaces it."));
}

TEST_F(RecordingServiceTest, AFailedWriteBeepsKeepsTheAudioAndRevealsNothing) {
    // The summary's name is taken by a folder: the write fails, the folder itself works.
    ASSERT_TRUE(QDir().mkpath(QDir(summaries()).filePath(QStringLiteral("Recording Summary 2026-01-05 09-00-01.md"))));
    recordFor(10);
    world.scheduler.advance(1s);
    EXPECT_EQ(world.desktop.beeps, 1);
    EXPECT_TRUE(world.desktop.revealedPaths.isEmpty());
    const QString preserved = QDir(summaries()).filePath(QStringLiteral("Recording 2026-01-05 09-00-01.m4a"));
    EXPECT_EQ(readText(preserved), "simulated audio of " + temporaryAudio());
    EXPECT_FALSE(QFile::exists(temporaryAudio()));
}

TEST_F(RecordingServiceTest, AMissingLanguageGivesAnEmptyTranscriptInThePlainTextSummary) {
    // No recogniser for the preferred language nor the system's: an empty transcript at once, nothing recognised.
    environment.preferredLanguages = {QStringLiteral("de-DE")};
    environment.systemLocale = QLocale(QStringLiteral("fr_FR"));
    build();
    world.change([](AppSettings& s) { s.recordingOutputFormat = RecordingOutputFormat::Txt; });
    const auto before = speech.requests.size();
    recordFor(10);
    world.scheduler.runPending();
    EXPECT_EQ(speech.requests.size(), before);
    EXPECT_EQ(readText(summaryPath("txt")), "Recording Summary\nDate: 2026-01-05 09:00:00\n\n"
                                            "Summary\nNo transcription available.\n\n"
                                            "Transcript\nNo transcription available.");
}

TEST_F(RecordingServiceTest, TheLanguageModelSummarisesWhenAskedAndEveryFailureFallsBackToTheExtractiveSummary) {
    world.change([](AppSettings& s) {
        s.recordingUseAISummary = true;
        s.recordingOllamaModel = QStringLiteral("gemma2:2b");
    });
    server.reply = {200, R"({"model":"gemma2:2b","response":"  Decided: launch on Friday.\n","done":true})"};
    speech.script = {{1s, finalText(QStringLiteral("We decided to launch on Friday."))}};
    recordFor(10);
    world.scheduler.advance(1s);
    auto pump = [this] { world.scheduler.runPending(); };
    ASSERT_TRUE(waitUntil([&] { return service->state() == State::Idle; }, pump));
    EXPECT_TRUE(readText(summaryPath("md")).contains("## Summary\nDecided: launch on Friday.\n\n## Transcript\n"));
    ASSERT_EQ(server.requests.size(), 1u);
    const QJsonObject body = QJsonDocument::fromJson(server.requests[0].body).object();
    EXPECT_EQ(body.value("model").toString(), "gemma2:2b");
    EXPECT_TRUE(body.value("prompt").toString().endsWith("Transcript:\nWe decided to launch on Friday."));

    const QString transcript = QStringLiteral("We need to decide on the launch plan by Friday.\nThanks.");
    std::optional<QString> summary;
    auto summarizeNow = [&](const QString& model) {
        summary.reset();
        service->summarizeWithConfiguredMode(transcript, QStringLiteral("5 bullet points"), true, model,
                                             [&](QString s) { summary = s; });
    };
    // A server that never answers is given up after 180 s.
    server.holdAnswers = true;
    summarizeNow(QString());
    ASSERT_TRUE(waitUntil([&] { return server.requests.size() == 2; }, pump));
    world.scheduler.advance(179s);
    QCoreApplication::processEvents();
    EXPECT_FALSE(summary.has_value());
    world.scheduler.advance(1s);
    ASSERT_TRUE(waitUntil([&] { return summary.has_value(); }, pump));
    EXPECT_EQ(*summary, "- We need to decide on the launch plan by Friday.");
}
