#include "recording/RecordingService.h"

#include "app/SettingsService.h"
#include "core/Log.h"
#include "platform/AudioRecorder.h"
#include "platform/Permissions.h"
#include "platform/Platform.h"
#include "platform/Scripting.h"
#include "platform/Sound.h"
#include "platform/SpeechRecognizer.h"
#include "platform/UserNotifications.h"
#include "platform/Workspace.h"
#include "recording/OllamaSummarizer.h"
#include "recording/SummaryFile.h"
#include "recording/TranscriptSummarizer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>
#include <cmath>

namespace vantorel {

RecordingEnvironment RecordingEnvironment::system() {
    RecordingEnvironment env;
    env.documentsDirectory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    env.temporaryDirectory = QDir::tempPath();
    // The POSIX "C" locale names no language: the user has no preference then.
    for (const QString& language : QLocale::system().uiLanguages())
        if (QLocale(language).language() != QLocale::C)
            env.preferredLanguages << language;
    env.systemLocale = QLocale::system();
    env.languageModelEndpoint = OllamaSummarizer::defaultEndpoint();
    return env;
}

RecordingService::RecordingService(RecordingServiceDependencies deps, QObject* parent)
    : QObject(parent), deps_(std::move(deps)),
      ollama_(std::make_unique<OllamaSummarizer>(deps_.scheduler, deps_.environment.languageModelEndpoint)) {}

RecordingService::~RecordingService() = default;

RecordingService& RecordingService::shared() {
    static RecordingService* instance = [] {
        const Platform& p = Platform::installed();
        Q_ASSERT(p.audioRecorder && p.speechRecognizer && p.permissions && p.sound && p.workspace);
        return new RecordingService(RecordingServiceDependencies{
            SettingsService::shared(), Scheduler::shared(), *p.audioRecorder, *p.speechRecognizer, *p.permissions,
            *p.sound, *p.workspace, p.notifications, RecordingEnvironment::system(), p.scripting});
    }();
    return *instance;
}

QString RecordingService::rawValue(State state) {
    switch (state) {
    case State::Idle:
        return QStringLiteral("idle");
    case State::Recording:
        return QStringLiteral("recording");
    case State::Processing:
        return QStringLiteral("processing");
    }
    return {};
}

void RecordingService::toggleRecording() {
    if (!deps_.settings.current().recordingAddonInstalled) {
        deps_.sound.beep();
        return;
    }
    switch (state_) {
    case State::Idle:
        // A press while the permissions are being asked for would start a second recorder.
        if (starting_)
            deps_.sound.beep();
        else
            startRecording();
        return;
    case State::Recording:
        stopRecordingAndProcess();
        return;
    case State::Processing:
        deps_.sound.beep();
        return;
    }
}

void RecordingService::onMainQueue(std::function<void()> fn) {
    if (QThread::currentThread() == thread()) {
        deps_.scheduler.post(this, std::move(fn));
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, fn = std::move(fn)]() mutable { deps_.scheduler.post(this, std::move(fn)); },
        Qt::QueuedConnection);
}

void RecordingService::requestPermissions(std::function<void(bool)> completion) {
    deps_.permissions.requestMicrophoneAccess([this, completion](bool granted) {
        if (!granted) {
            onMainQueue([completion] { completion(false); });
            return;
        }
        deps_.permissions.requestSpeechRecognitionAuthorization([this, completion](SpeechAuthorizationStatus status) {
            onMainQueue([completion, status] { completion(status == SpeechAuthorizationStatus::Authorized); });
        });
    });
}

void RecordingService::startRecording() {
    starting_ = true;
    requestPermissions([this](bool granted) {
        starting_ = false;
        if (!granted) {
            Log::recording().error(QStringLiteral("Microphone or speech recognition permission refused"));
            deps_.sound.beep();
            return;
        }
        const auto url = makeAudioURL();
        if (!url) {
            Log::recording().error(QStringLiteral("Cannot create the recordings folder: %1").arg(url.error()));
            deps_.sound.beep();
            return;
        }
        AudioRecorderSettings settings;
        auto recording = deps_.recorder.record(*url, settings);
        if (!recording) {
            Log::recording().error(QStringLiteral("Recording did not start: %1").arg(recording.error()));
            deps_.sound.beep();
            return;
        }
        currentAudioURL_ = *url;
        recorder_ = std::move(recording.value());
        setState(State::Recording);
    });
}

Result<QString> RecordingService::makeAudioURL() const {
    const QString folder = QDir(deps_.environment.temporaryDirectory).filePath(QStringLiteral("VantorelRecordings"));
    if (!QDir().mkpath(folder))
        return Result<QString>::failure(QStringLiteral("cannot create %1").arg(folder));
    return QDir(folder).filePath(temporaryAudioFileName(deps_.scheduler.currentDateTime()));
}

void RecordingService::stopRecordingAndProcess() {
    if (!recorder_ || !currentAudioURL_)
        return;
    const double duration = recorder_->currentTime();
    const QString audioPath = *currentAudioURL_;
    stopping_ = std::move(recorder_);
    currentAudioURL_.reset();
    setState(State::Processing);
    setProgress(QStringLiteral("Transcribing…"));
    stopping_->stop([this, audioPath, duration](Status stopped) {
        if (!stopped)
            Log::recording().error(QStringLiteral("The recording did not end cleanly: %1").arg(stopped.error()));
        // Whatever reached the file is still transcribed and kept.
        deps_.scheduler.post(this, [this] { stopping_.reset(); });
        transcribeAudio(audioPath, duration,
                        [this, audioPath](const Result<QString>& result) { didTranscribe(audioPath, result); });
    });
}

void RecordingService::transcribeAudio(const QString& audioPath, double duration,
                                       std::function<void(Result<QString>)> completion) {
    // One-shot: only the first completion passes, always on a later turn of the main loop.
    auto completed = std::make_shared<bool>(false);
    auto complete = [this, completed, completion](Result<QString> result) {
        deps_.scheduler.post(this, [this, completed, completion, result] {
            if (*completed)
                return;
            *completed = true;
            completion(result);
            // Dropped only after the callback, which may be this task's own handler.
            deps_.scheduler.post(this, [this] { recognition_.reset(); });
        });
    };

    const auto& env = deps_.environment;
    const QLocale preferred(env.preferredLanguages.isEmpty() ? QStringLiteral("en-US")
                                                             : env.preferredLanguages.first());
    auto recognizer = deps_.speech.recognizer(preferred);
    if (!recognizer)
        recognizer = deps_.speech.recognizer(env.systemLocale);
    if (!recognizer) {
        Log::recording().info(
            QStringLiteral("No speech recogniser for %1 nor %2").arg(preferred.name(), env.systemLocale.name()));
        complete(QString());
        return;
    }

    RecognitionRequest request;
    request.audioPath = audioPath;
    request.shouldReportPartialResults = false;
    request.addsPunctuation = true;
    request.requiresOnDeviceRecognition = recognizer->supportsOnDeviceRecognition();
    recognition_ = recognizer->recognitionTask(request, this, [this, complete](const RecognitionUpdate& update) {
        if (update.error) {
            complete(Result<QString>::failure(*update.error));
            return;
        }
        if (update.progress && state_ == State::Processing)
            setProgress(QStringLiteral("Transcribing… %1 %").arg(int(std::floor(*update.progress * 100))));
        if (!update.result || !update.result->isFinal)
            return;
        complete(update.result->text);
    });

    const double timeout = transcriptionTimeoutSeconds(duration);
    deps_.scheduler.after(Duration(qint64(std::llround(timeout * 1000))), this, [this, completed, complete, timeout] {
        if (*completed)
            return;
        Log::recording().error(QStringLiteral("Transcription timed out after %1s").arg(qint64(timeout)));
        if (recognition_)
            recognition_->cancel();
        complete(QString());
    });
}

void RecordingService::didTranscribe(const QString& audioPath, const Result<QString>& result) {
    QString transcript;
    if (result)
        transcript = result->trimmed();
    else
        Log::recording().error(QStringLiteral("Transcription failed: %1").arg(result.error()));

    const auto& s = deps_.settings.current();
    if (!s.recordingUseAISummary) {
        finish(audioPath, summarize(transcript, s.recordingSummaryInstructions), transcript);
        return;
    }
    setProgress(QStringLiteral("Summarising…"));
    summarizeWithConfiguredMode(
        transcript, s.recordingSummaryInstructions, true, s.recordingOllamaModel,
        [this, audioPath, transcript](const QString& summary) { finish(audioPath, summary, transcript); });
}

void RecordingService::summarizeWithConfiguredMode(const QString& transcript, const QString& instructions, bool useAI,
                                                   const QString& model, std::function<void(QString)> completion) {
    if (!useAI) {
        const QString summary = summarize(transcript, instructions);
        deps_.scheduler.post(this, [completion, summary] { completion(summary); });
        return;
    }
    ollama_->summarizeWithOllama(transcript, instructions, model,
                                 [completion, transcript, instructions](std::optional<QString> text) {
                                     completion(text ? *text : summarize(transcript, instructions));
                                 });
}

Result<QString> RecordingService::recordingSummariesDirectory() const {
    const QString documents = deps_.environment.documentsDirectory;
    if (documents.isEmpty())
        return Result<QString>::failure(QStringLiteral("RecordingService error 1: no Documents folder"));
    const QString folder = QDir(documents).filePath(QStringLiteral("Recording Summaries"));
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return Result<QString>::failure(QStringLiteral("cannot create %1").arg(folder));
    return folder;
}

void RecordingService::openSummariesFolder() {
    const QString documents = deps_.environment.documentsDirectory;
    if (documents.isEmpty())
        return;
    const QString folder = QDir(documents).filePath(QStringLiteral("Recording Summaries"));
    // A folder that cannot be made is still asked for: the file browser says what is wrong.
    QDir().mkpath(folder);
    if (deps_.scripting && deps_.scripting->openFileBrowserWindow(folder))
        return;
    deps_.workspace.openUrl(QUrl::fromLocalFile(folder).toString());
}

Result<QString> RecordingService::writeOutputFile(const QString& summary, const QString& transcript) const {
    const auto folder = recordingSummariesDirectory();
    if (!folder)
        return folder;
    const QDateTime now = deps_.scheduler.currentDateTime();
    const auto format = deps_.settings.current().recordingOutputFormat;
    const QString path = QDir(*folder).filePath(summaryFileName(now, format));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Result<QString>::failure(file.errorString());
    file.write(summaryFileBody(format, now, summary, transcript).toUtf8());
    if (!file.commit())
        return Result<QString>::failure(file.errorString());
    return path;
}

bool RecordingService::preserveAudioAfterFailure(const QString& audioPath) const {
    if (!QFileInfo::exists(audioPath))
        return false;
    const auto folder = recordingSummariesDirectory();
    if (!folder)
        return false;
    return QFile::rename(audioPath, QDir(*folder).filePath(preservedAudioFileName(deps_.scheduler.currentDateTime())));
}

void RecordingService::finish(const QString& audioPath, const QString& summary, const QString& transcript) {
    const auto written = writeOutputFile(summary, transcript);
    bool keepTemporaryAudio = false;
    if (!written) {
        Log::recording().error(QStringLiteral("The summary could not be written: %1").arg(written.error()));
        deps_.sound.beep();
        keepTemporaryAudio = !preserveAudioAfterFailure(audioPath);
        if (keepTemporaryAudio && QFileInfo::exists(audioPath))
            Log::recording().error(QStringLiteral("The recording stays at %1").arg(audioPath));
    } else {
        if (transcript.isEmpty()) {
            // The recording stays beside a summary that holds no transcript; like the
            // summary, it replaces an older file of the same name.
            const QString beside =
                QFileInfo(*written).path() + u'/' + QFileInfo(*written).completeBaseName() + QStringLiteral(".m4a");
            QFile::remove(beside);
            if (!QFile::rename(audioPath, beside) && QFileInfo::exists(audioPath)) {
                Log::recording().error(QStringLiteral("The recording could not be moved beside its summary; "
                                                      "it stays at %1")
                                           .arg(audioPath));
                keepTemporaryAudio = true;
            }
        }
        deps_.workspace.revealInFileBrowser(*written);
        if (deps_.notifications) {
            const QString path = *written;
            Workspace& workspace = deps_.workspace;
            deps_.notifications->post(UserNotice{QStringLiteral("Recording summary saved"),
                                                 QDir::toNativeSeparators(path), QStringLiteral("Open")},
                                      this,
                                      [&workspace, path] { workspace.openUrl(QUrl::fromLocalFile(path).toString()); });
        }
    }
    if (!keepTemporaryAudio)
        QFile::remove(audioPath);
    setProgress(QString());
    setState(State::Idle);
}

void RecordingService::setState(State state) {
    if (state == state_)
        return;
    state_ = state;
    Q_EMIT recordingStateDidChange();
}

void RecordingService::setProgress(const QString& text) {
    if (text == progress_)
        return;
    progress_ = text;
    Q_EMIT progressDidChange();
}

} // namespace vantorel
