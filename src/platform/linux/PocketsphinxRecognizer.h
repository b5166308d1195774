#pragma once

#include "platform/SpeechRecognizer.h"

#include <QString>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vantorel {

// Offline English speech recognition with pocketsphinx and Debian's US
// English model. The audio is decoded to 16 kHz mono, cut at pauses and each
// piece decoded as one utterance on a worker thread; updates (progress after
// each piece, then the final text) reach the main thread through the event loop.
// Other engines (a whisper model the user supplies) would be further
// SpeechRecognizer implementations beside this one.
class PocketsphinxRecognizer : public SpeechRecognizer {
public:
    static QString defaultModelDirectory() { return QStringLiteral("/usr/share/pocketsphinx/model/en-us"); }
    // The Debian package that brings the model.
    static QString modelPackage() { return QStringLiteral("pocketsphinx-en-us"); }

    explicit PocketsphinxRecognizer(QString modelDirectory = defaultModelDirectory());
    // Cancels what runs and waits for the workers (at most one piece each).
    ~PocketsphinxRecognizer() override;

    // Empty when the model is complete; otherwise what is missing.
    QString missingModel() const;
    // The missing model and the package that brings it.
    QString missingRequirement() const override;
    // English only, and only with the model present.
    std::unique_ptr<LocaleRecognizer> recognizer(const QLocale& locale) override;

    struct Worker;

private:
    friend class PocketsphinxLocaleRecognizer;
    void start(std::shared_ptr<Worker> worker);

    QString modelDirectory_;
    std::mutex mutex_;
    std::vector<std::pair<std::shared_ptr<Worker>, std::thread>> workers_;
};

} // namespace vantorel
