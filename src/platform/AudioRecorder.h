#pragma once

#include "core/Result.h"

#include <QString>
#include <functional>
#include <memory>

namespace vantorel {

// How a recording is encoded: MPEG-4 AAC ('aac '), 44100 Hz, one channel,
// encoder quality high (96), no metering.
struct AudioRecorderSettings {
    quint32 formatId = 0x61616320; // 'aac '
    int sampleRate = 44100;
    int channels = 1;
    int encoderQuality = 96;
    bool meteringEnabled = false;
};

// One recording of the microphone in progress, writing its file.
class AudioRecording {
public:
    virtual ~AudioRecording() = default;
    // Seconds of audio recorded so far.
    virtual double currentTime() const = 0;
    // Ends the recording. `finished` runs once on the main thread when the file
    // is complete, or with the reason it may not be; never before stop returns.
    virtual void stop(std::function<void(Status)> finished) = 0;
};

class AudioRecorder {
public:
    virtual ~AudioRecorder() = default;
    // Starts recording the microphone into a new file at `path`; the error says
    // why it could not start (no microphone, no encoder).
    virtual Result<std::unique_ptr<AudioRecording>> record(const QString& path,
                                                           const AudioRecorderSettings& settings) = 0;
};

} // namespace vantorel
