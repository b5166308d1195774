#pragma once

#include <QLocale>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace vantorel {

struct RecognitionRequest {
    QString audioPath;
    bool shouldReportPartialResults = false;
    bool addsPunctuation = true;
    bool requiresOnDeviceRecognition = false;
};

struct RecognitionResult {
    // The best transcription, formatted (sentences with capitals and full stops when punctuation is asked for).
    QString text;
    bool isFinal = false;
};

// What a running recognition reports: a result, an error (which ends it), or
// neither (progress only).
struct RecognitionUpdate {
    std::optional<RecognitionResult> result;
    std::optional<QString> error;
    // Share of the audio done so far, 0 to 1, when the recogniser knows it.
    std::optional<double> progress;
};

class RecognitionTask {
public:
    virtual ~RecognitionTask() = default;
    // No update arrives after this returns.
    virtual void cancel() = 0;
};

// A recogniser for one language.
class LocaleRecognizer {
public:
    virtual ~LocaleRecognizer() = default;
    virtual QLocale locale() const = 0;
    // True when it recognises on this computer, without a network service.
    virtual bool supportsOnDeviceRecognition() const = 0;
    // Starts recognising a file. `handler` runs on the thread of `context` (the
    // main thread), never before this returns, and not after context is gone.
    virtual std::unique_ptr<RecognitionTask> recognitionTask(const RecognitionRequest& request, QObject* context,
                                                             std::function<void(const RecognitionUpdate&)> handler) = 0;
};

// Speech recognition of recorded audio files.
class SpeechRecognizer {
public:
    virtual ~SpeechRecognizer() = default;
    // A recogniser for the locale, or none when the locale is not supported.
    virtual std::unique_ptr<LocaleRecognizer> recognizer(const QLocale& locale) = 0;
    // What this computer still lacks before anything can be recognised, said so
    // that the user can act on it; empty when nothing is missing. Safe to call
    // from any thread.
    virtual QString missingRequirement() const { return {}; }
};

} // namespace vantorel
