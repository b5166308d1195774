#pragma once

#include "core/Scheduler.h"
#include "platform/Platform.h"

namespace vantorel {

class RecordingService;
class SettingsService;
class ThemeService;
class UpdateService;

// What a taskbar view and its widgets need from the rest of the program.
// The platform must provide the workspace, accessibility and pointer ports.
struct TaskbarViewDependencies {
    const SettingsService& settings;
    const ThemeService& theme;
    const UpdateService& updates;
    Scheduler& scheduler;
    Platform platform;
    // The service behind the record and folder buttons; without one they do nothing.
    RecordingService* recording = nullptr;
};

} // namespace vantorel
