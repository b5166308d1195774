#pragma once

#include "core/Result.h"
#include "platform/AudioRecorder.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <vector>

namespace vantorel {

// Records through GStreamer: the microphone → 44.1 kHz mono → AAC
// (avenc_aac) → MP4, ended with end-of-stream so the file is always complete.
class GStreamerAudioRecorder : public AudioRecorder {
public:
    // The default source of the desktop's sound server (PulseAudio, or
    // PipeWire through its PulseAudio service).
    static QString defaultSource() { return QStringLiteral("pulsesrc"); }
    // `source` is a pipeline description that stands for the microphone
    // (tests: "audiotestsrc is-live=true", a file through decodebin).
    explicit GStreamerAudioRecorder(QString source = defaultSource());
    Result<std::unique_ptr<AudioRecording>> record(const QString& path, const AudioRecorderSettings& settings) override;

private:
    QString source_;
};

// GStreamer, initialised once; the error says why it cannot be used.
Status initializeGStreamer();

// The audio of a file as 16 kHz mono 16-bit samples, the form speech models
// are trained on. Blocking: call it off the GUI thread. Stops early, with an
// error, once `cancelled` is set.
Result<std::vector<int16_t>> decodeForSpeech(const QString& path, const std::atomic<bool>& cancelled);

} // namespace vantorel
