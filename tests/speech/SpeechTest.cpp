// The real recorder and recogniser: GStreamer and pocketsphinx on audio that
// the tests make (flite's voices, GStreamer's test source) or that Debian ships
// (a LibriVox clip, in pocketsphinx-testdata).
#include "platform/linux/GStreamerAudio.h"
#include "platform/linux/PocketsphinxRecognizer.h"
#include "support/LoopbackHttpServer.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

const QString kLibriVox = QStringLiteral("/usr/share/pocketsphinx/test/data/librivox");

struct Outcome {
    std::vector<RecognitionUpdate> updates;
    bool ended() const {
        return !updates.empty() && (updates.back().error || (updates.back().result && updates.back().result->isFinal));
    }
    QString text() const { return ended() && updates.back().result ? updates.back().result->text : QString(); }
};

// Recognises a file in US English and waits for the end (the ceiling only guards a hang).
Outcome recognise(PocketsphinxRecognizer& speech, const QString& path, QObject& context) {
    Outcome out;
    auto recognizer = speech.recognizer(QLocale(QStringLiteral("en_US")));
    if (!recognizer)
        return out;
    RecognitionRequest request;
    request.audioPath = path;
    auto task = recognizer->recognitionTask(request, &context,
                                            [&out](const RecognitionUpdate& u) { out.updates.push_back(u); });
    waitUntil([&] { return out.ended(); }, {}, 300000);
    return out;
}

// Speech of a text file by one of flite's voices, as a WAV file. Read from a
// file, flite pauses between sentences as a speaker does.
QString speak(const QString& textFile, const QString& voice, const QString& path) {
    QProcess flite;
    flite.start(QStringLiteral("flite"),
                {QStringLiteral("-voice"), voice, QStringLiteral("-f"), textFile, QStringLiteral("-o"), path});
    if (!flite.waitForFinished(60000) || flite.exitCode() != 0)
        return {};
    return path;
}

class SpeechTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QObject context;
};

} // namespace

// Its accuracy through the recorder is checked by the recording desktop test.
TEST_F(SpeechTest, SyntheticMeetingSpeechIsTranscribedAsSentencesWithProgressOnTheWay) {
    const QString wav = speak(QStringLiteral(VANTOREL_MEETING_TEXT), QStringLiteral("slt"),
                              dir.filePath(QStringLiteral("meeting.wav")));
    ASSERT_FALSE(wav.isEmpty()) << "install flite";
    PocketsphinxRecognizer speech;
    const Outcome out = recognise(speech, wav, context);
    ASSERT_TRUE(out.ended());
    ASSERT_FALSE(out.updates.back().error) << out.updates.back().error->toStdString();
    // Pieces cut at pauses become sentences; progress came before the end.
    EXPECT_GE(out.text().count(QStringLiteral(". ")), 4) << out.text().toStdString();
    EXPECT_TRUE(out.updates.front().progress && *out.updates.front().progress < 1.0);
}

// The source is a pipe the test writes: until it does, the pipeline cannot
// reach PLAYING, and record() must not wait for that on the caller's thread.
TEST_F(SpeechTest, ASlowSourceDoesNotHoldRecordAndItsFailureIsReportedLater) {
    const QByteArray pcm(44100 * 2 / 5, '\0'); // 0.2 s of silence, s16le mono 44.1 kHz
    auto source = [](int fd) {
        return QStringLiteral("fdsrc fd=%1 ! rawaudioparse use-sink-caps=false format=pcm pcm-format=s16le "
                              "sample-rate=44100 num-channels=1")
            .arg(fd);
    };
    int slow[2];
    ASSERT_EQ(pipe(slow), 0);
    GStreamerAudioRecorder recorder(source(slow[0]));
    const QString m4a = dir.filePath(QStringLiteral("slow.m4a"));
    auto recording = recorder.record(m4a, {});
    ASSERT_TRUE(recording) << recording.error().toStdString();
    std::optional<Status> started;
    recording.value()->whenStarted([&](Status s) { started = s; });
    // Nothing was written yet, so the recording cannot have started.
    EXPECT_FALSE(started.has_value());
    ASSERT_EQ(write(slow[1], pcm.constData(), size_t(pcm.size())), pcm.size());
    ASSERT_TRUE(waitUntil([&] { return started.has_value(); }));
    EXPECT_TRUE(started->ok()) << started->error().toStdString();
    // All that was written reaches the encoder before the stop cuts the stream.
    ASSERT_TRUE(waitUntil([&] { return recording.value()->currentTime() >= 0.195; }));
    ::close(slow[1]);
    std::optional<Status> stopped;
    recording.value()->stop([&](Status s) { stopped = s; });
    ASSERT_TRUE(waitUntil([&] { return stopped.has_value(); }));
    EXPECT_TRUE(stopped->ok()) << stopped->error().toStdString();
    EXPECT_NEAR(recording.value()->currentTime(), 0.2, 0.01);
    recording.value().reset();
    ::close(slow[0]);

    // A source that fails on its streaming thread, before it ever ran: the
    // failure comes through whenStarted and leaves no file behind.
    int junk[2];
    ASSERT_EQ(pipe(junk), 0);
    GStreamerAudioRecorder broken(QStringLiteral("fdsrc fd=%1 ! wavparse").arg(junk[0]));
    const QString bad = dir.filePath(QStringLiteral("broken.m4a"));
    auto failing = broken.record(bad, {});
    ASSERT_TRUE(failing) << failing.error().toStdString();
    started.reset();
    failing.value()->whenStarted([&](Status s) { started = s; });
    EXPECT_FALSE(started.has_value());
    const QByteArray noise(4096, 'x');
    ASSERT_EQ(write(junk[1], noise.constData(), size_t(noise.size())), noise.size());
    ::close(junk[1]);
    ASSERT_TRUE(waitUntil([&] { return started.has_value(); }));
    EXPECT_FALSE(started->ok());
    EXPECT_FALSE(QFile::exists(bad));
    failing.value().reset();
    ::close(junk[0]);
}

TEST_F(SpeechTest, EnglishOnlyWithItsModelAndNothingArrivesAfterCancel) {
    {
        PocketsphinxRecognizer speech;
        EXPECT_FALSE(speech.recognizer(QLocale(QStringLiteral("de_DE"))));
        auto english = speech.recognizer(QLocale(QStringLiteral("en_GB")));
        ASSERT_TRUE(english);

        int delivered = 0;
        RecognitionRequest request;
        request.audioPath = kLibriVox + QStringLiteral("/sense_and_sensibility_01_austen_64kb-0870.wav");
        auto task = english->recognitionTask(request, &context, [&](const RecognitionUpdate&) { ++delivered; });
        task->cancel();
        // The recogniser ends with its owner, which waits for its workers.
        QCoreApplication::processEvents();
        EXPECT_EQ(delivered, 0);
        // Leaving the scope joins the worker; its queued updates must still be dropped.
        task.reset();
        english.reset();
        QCoreApplication::processEvents();
        EXPECT_EQ(delivered, 0);
    }
    QCoreApplication::processEvents();
}
