#pragma once

#include "core/Result.h"
#include "core/Scheduler.h"

#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

namespace vantorel {

class AudioRecorder;
class AudioRecording;
class OllamaSummarizer;
class Permissions;
class RecognitionTask;
class Scripting;
class SettingsService;
class Sound;
class SpeechRecognizer;
class UserNotifications;
class Workspace;

inline constexpr const char* kRecordingStateDidChange = "recordingStateDidChange";

// Where a recording's files go and which languages it is recognised in.
struct RecordingEnvironment {
    // The user's Documents folder; empty when the user has none.
    QString documentsDirectory;
    // The system's temporary folder.
    QString temporaryDirectory;
    // The user's preferred languages, most preferred first, and the system's locale.
    QStringList preferredLanguages;
    QLocale systemLocale;
    QUrl languageModelEndpoint;

    // XDG Documents, the temporary folder, the desktop's languages, the local server.
    static RecordingEnvironment system();
};

struct RecordingServiceDependencies {
    SettingsService& settings;
    Scheduler& scheduler;
    AudioRecorder& recorder;
    SpeechRecognizer& speech;
    Permissions& permissions;
    Sound& sound;
    Workspace& workspace;
    // Tells where a summary went; none shows nothing.
    UserNotifications* notifications = nullptr;
    RecordingEnvironment environment;
    // Opens the summaries folder in the file browser; without it the folder's URL is opened.
    Scripting* scripting = nullptr;
};

// One press of the record button starts a recording of the microphone, the
// next turns it into a summary file: transcribed on this computer,
// summarised, written into Documents/Recording Summaries and revealed.
class RecordingService : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Recording, Processing };

    explicit RecordingService(RecordingServiceDependencies deps, QObject* parent = nullptr);
    ~RecordingService() override;
    // Built from the installed platform on first use.
    static RecordingService& shared();

    static QString rawValue(State state);
    State state() const { return state_; }
    // What processing is doing ("Transcribing… 40 %", "Summarising…"); empty unless processing.
    QString progressDescription() const { return progress_; }

    // The record button's one entry point.
    void toggleRecording();

    // The summary of a transcript by the configured way; the language-model
    // path falls back to the extractive summary. The completion runs on the main thread.
    void summarizeWithConfiguredMode(const QString& transcript, const QString& instructions, bool useAI,
                                     const QString& model, std::function<void(QString)> completion);
    // "<Documents>/Recording Summaries", created when missing.
    Result<QString> recordingSummariesDirectory() const;
    // The summaries folder button: creates the folder when it can and opens it in the file browser.
    void openSummariesFolder();

Q_SIGNALS:
    // recordingStateDidChange: idle → recording → processing → idle.
    void recordingStateDidChange();
    void progressDidChange();

private:
    void startRecording();
    void stopRecordingAndProcess();
    void requestPermissions(std::function<void(bool)> completion);
    Result<QString> makeAudioURL() const;
    void transcribeAudio(const QString& audioPath, double duration, std::function<void(Result<QString>)> completion);
    void didTranscribe(const QString& audioPath, const Result<QString>& result);
    void finish(const QString& audioPath, const QString& summary, const QString& transcript);
    Result<QString> writeOutputFile(const QString& summary, const QString& transcript) const;
    bool preserveAudioAfterFailure(const QString& audioPath) const;
    void setState(State state);
    void setProgress(const QString& text);
    // Runs fn on a later turn of the main loop, from whatever thread calls.
    void onMainQueue(std::function<void()> fn);

    RecordingServiceDependencies deps_;
    std::unique_ptr<OllamaSummarizer> ollama_;
    State state_ = State::Idle;
    bool starting_ = false;
    std::unique_ptr<AudioRecording> recorder_;
    std::optional<QString> currentAudioURL_;
    // A recording whose file is being completed, and the transcription running.
    std::unique_ptr<AudioRecording> stopping_;
    std::unique_ptr<RecognitionTask> recognition_;
    QString progress_;
};

} // namespace vantorel
