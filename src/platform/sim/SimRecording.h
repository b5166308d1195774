#pragma once

#include "core/Scheduler.h"
#include "platform/AudioRecorder.h"
#include "platform/Permissions.h"
#include "platform/SpeechRecognizer.h"
#include "platform/UserNotifications.h"

#include <QPointer>
#include <QStringList>
#include <vector>

namespace vantorel {

// A microphone on virtual time: a recording writes a small file at once and
// is as long as `seconds` says when it stops.
class SimAudioRecorder : public AudioRecorder {
public:
    explicit SimAudioRecorder(Scheduler& scheduler) : scheduler_(scheduler) {}
    Result<std::unique_ptr<AudioRecording>> record(const QString& path, const AudioRecorderSettings& settings) override;

    // Set: record() fails with this reason.
    std::optional<QString> failure;
    double seconds = 10;
    QStringList recordedPaths;
    std::vector<AudioRecorderSettings> usedSettings;
    int stops = 0;

private:
    Scheduler& scheduler_;
};

// A recogniser that plays a script of updates on virtual time.
class SimSpeechRecognizer : public SpeechRecognizer {
public:
    explicit SimSpeechRecognizer(Scheduler& scheduler) : scheduler_(scheduler) {}
    std::unique_ptr<LocaleRecognizer> recognizer(const QLocale& locale) override;
    QString missingRequirement() const override { return missing; }

    // What the recogniser reports as missing on this computer; set it before the work that asks.
    QString missing;
    // Languages it has a recogniser for.
    QList<QLocale::Language> languages{QLocale::English};
    bool onDevice = true;
    // What every recognition reports, each after its delay from the start.
    struct Step {
        Duration after;
        RecognitionUpdate update;
    };
    std::vector<Step> script{{1s, {RecognitionResult{QStringLiteral("Hello."), true}, std::nullopt, std::nullopt}}};

    QList<QLocale> askedLocales;
    std::vector<RecognitionRequest> requests;
    int cancellations = 0;

private:
    Scheduler& scheduler_;
};

class SimPermissions : public Permissions {
public:
    void requestMicrophoneAccess(std::function<void(bool)> completion) override { completion(microphone); }
    void requestSpeechRecognitionAuthorization(std::function<void(SpeechAuthorizationStatus)> completion) override {
        completion(speech);
    }
    bool microphone = true;
    SpeechAuthorizationStatus speech = SpeechAuthorizationStatus::Authorized;
};

class SimNotifications : public UserNotifications {
public:
    void post(const UserNotice& notice, QObject* context, std::function<void()> activated) override {
        notices.push_back(notice);
        actions.push_back({context, std::move(activated)});
    }
    // The user picks the action of notice i.
    void activate(size_t i) {
        if (i < actions.size() && actions[i].first && actions[i].second)
            actions[i].second();
    }
    std::vector<UserNotice> notices;

private:
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> actions;
};

} // namespace vantorel
