#include "platform/sim/SimRecording.h"

#include <QFile>

namespace vantorel {

namespace {

class SimRecordingInProgress : public AudioRecording {
public:
    SimRecordingInProgress(SimAudioRecorder& owner, Scheduler& scheduler) : owner_(owner), scheduler_(scheduler) {}
    double currentTime() const override { return owner_.seconds; }
    void stop(std::function<void(Status)> finished) override {
        ++owner_.stops;
        scheduler_.post(nullptr, [finished] { finished(Status::success()); });
    }

private:
    SimAudioRecorder& owner_;
    Scheduler& scheduler_;
};

class SimTask : public RecognitionTask {
public:
    explicit SimTask(int& cancellations) : cancellations_(cancellations) {}
    ~SimTask() override { cancel(); }
    void cancel() override {
        if (!*live_)
            return;
        *live_ = false;
        ++cancellations_;
    }
    std::shared_ptr<bool> live_ = std::make_shared<bool>(true);

private:
    int& cancellations_;
};

class SimLocaleRecognizer : public LocaleRecognizer {
public:
    SimLocaleRecognizer(SimSpeechRecognizer& owner, Scheduler& scheduler, QLocale locale, int& cancellations)
        : owner_(owner), scheduler_(scheduler), locale_(std::move(locale)), cancellations_(cancellations) {}
    QLocale locale() const override { return locale_; }
    bool supportsOnDeviceRecognition() const override { return owner_.onDevice; }
    std::unique_ptr<RecognitionTask> recognitionTask(const RecognitionRequest& request, QObject* context,
                                                     std::function<void(const RecognitionUpdate&)> handler) override {
        owner_.requests.push_back(request);
        auto task = std::make_unique<SimTask>(cancellations_);
        auto live = task->live_;
        QPointer<QObject> guard(context);
        for (const auto& step : owner_.script) {
            const auto update = step.update;
            scheduler_.after(step.after, context, [live, guard, handler, update] {
                if (!*live || !guard)
                    return;
                // A task that ended is not cancelled by dropping it.
                if (update.error || (update.result && update.result->isFinal))
                    *live = false;
                handler(update);
            });
        }
        return task;
    }

private:
    SimSpeechRecognizer& owner_;
    Scheduler& scheduler_;
    QLocale locale_;
    int& cancellations_;
};

} // namespace

Result<std::unique_ptr<AudioRecording>> SimAudioRecorder::record(const QString& path,
                                                                 const AudioRecorderSettings& settings) {
    if (failure)
        return Result<std::unique_ptr<AudioRecording>>::failure(*failure);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Result<std::unique_ptr<AudioRecording>>::failure(file.errorString());
    file.write("simulated audio of " + path.toUtf8());
    recordedPaths << path;
    usedSettings.push_back(settings);
    return std::unique_ptr<AudioRecording>(std::make_unique<SimRecordingInProgress>(*this, scheduler_));
}

std::unique_ptr<LocaleRecognizer> SimSpeechRecognizer::recognizer(const QLocale& locale) {
    askedLocales << locale;
    if (!languages.contains(locale.language()))
        return nullptr;
    return std::make_unique<SimLocaleRecognizer>(*this, scheduler_, locale, cancellations);
}

} // namespace vantorel
