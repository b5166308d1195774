#pragma once

#include <QObject>
#include <functional>

namespace vantorel {

enum class SpeechAuthorizationStatus { NotDetermined, Denied, Restricted, Authorized };

// The user's permission to record the microphone and to recognise speech.
// Completions may run on any thread; callers hand them to the main thread.
class Permissions {
public:
    virtual ~Permissions() = default;
    virtual void requestMicrophoneAccess(std::function<void(bool granted)> completion) = 0;
    virtual void requestSpeechRecognitionAuthorization(std::function<void(SpeechAuthorizationStatus)> completion) = 0;
};

} // namespace vantorel
