#pragma once

#include "platform/Permissions.h"

namespace vantorel {

// A Linux desktop session asks no one before a program records the
// microphone or recognises speech on this computer: both are granted, and a
// missing microphone shows when the recording starts.
class DesktopPermissions : public Permissions {
public:
    void requestMicrophoneAccess(std::function<void(bool)> completion) override { completion(true); }
    void requestSpeechRecognitionAuthorization(std::function<void(SpeechAuthorizationStatus)> completion) override {
        completion(SpeechAuthorizationStatus::Authorized);
    }
};

} // namespace vantorel
