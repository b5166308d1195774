#pragma once

#include "core/Result.h"
#include "core/Scheduler.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QThreadPool>
#include <functional>

namespace vantorel {

class SpeechRecognizer;

inline constexpr const char* kRecordingAddonId = "recording-transcription";
inline constexpr const char* kRecordingAddonName = "Recording & Transcription";
inline constexpr const char* kAppSupportUnavailable = "Unable to access Application Support.";

// The manifest's exact text: id, name and the install time as an internet
// date-time in UTC without fractions; two-blank indentation, no line break at the end.
QByteArray recordingAddonManifest(const QDateTime& installedAt);

struct AddOnEnvironment {
    // The user's Application Support folder (the XDG data folder); empty when there is none.
    QString applicationSupportDirectory;

    static AddOnEnvironment system();
};

// The add-ons' files. Installing writes the manifest, removing deletes the
// add-on's folder; neither touches the settings: `recordingAddonInstalled` is
// what switches the feature, and the manifest is never read back. File work
// runs off the GUI thread, one job after the other; completions come back on it.
class AddOnService : public QObject {
    Q_OBJECT
public:
    // The speech recogniser is asked what it lacks before an install; none asks nothing.
    AddOnService(Scheduler& scheduler, const SpeechRecognizer* speech, AddOnEnvironment environment,
                 QObject* parent = nullptr);
    // Waits for a job that runs; its completion is dropped.
    ~AddOnService() override;
    static AddOnService& shared();

    // <Application Support>/Vantorel/Add-ons/recording-transcription
    Result<QString> recordingAddonDirectory() const;

    // Checks that recordings can be transcribed here, creates the folder and
    // writes the manifest atomically with the current time.
    void installRecordingAddOn(std::function<void(Status)> completion);
    // Deletes the add-on's folder when it exists.
    void removeRecordingAddOn(std::function<void(Status)> completion);

private:
    void run(std::function<Status()> work, std::function<void(Status)> completion);

    Scheduler& scheduler_;
    const SpeechRecognizer* speech_;
    AddOnEnvironment environment_;
    QThreadPool pool_;
};

} // namespace vantorel
