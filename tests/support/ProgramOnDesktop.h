#pragma once

#include "app/PersistenceService.h"
#include "app/QuitConfirmation.h"
#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "core/Scheduler.h"
#include "platform/Platform.h"
#include "platform/sim/SimDesktop.h"
#include "taskbar/TaskbarWindowController.h"
#include "windows/UpdateService.h"

#include <memory>

namespace vantorel::test {

// A real desktop's ports with the program's own (defaults, bundle, alerts,
// sound, instance guard) taken from a simulated desktop and kept in memory.
inline Platform withProgramIn(Platform desktop, SimDesktop& sim) {
    desktop.defaults = &sim.memoryDefaults;
    desktop.bundle = &sim;
    desktop.alerts = &sim;
    desktop.sound = &sim;
    desktop.instances = &sim;
    return desktop;
}

// The taskbar's services on a real desktop's ports, settings kept in memory
// and nothing pinned; the taskbar itself from startTaskbar() on.
struct TaskbarOnDesktop {
    explicit TaskbarOnDesktop(const Platform& desktop) : platform(withProgramIn(desktop, sim)) {
        persistence.savePinnedApps({});
    }
    ~TaskbarOnDesktop() { stopTaskbar(); }
    // Shown, not yet placed: the window manager has still to map it.
    void startTaskbar(Scheduler& time) {
        controller = std::make_unique<TaskbarWindowController>(
            TaskbarDependencies{platform, time, settings, theme, updates, quit, &persistence});
        controller->showWindow();
    }
    void stopTaskbar() {
        if (controller)
            controller->teardown();
        controller.reset();
    }

    SimDesktop sim;
    Platform platform;
    PersistenceService persistence{sim.memoryDefaults, "com.vantorel.app", *platform.workspace};
    SettingsService settings{persistence};
    ThemeService theme{*platform.theme};
    UpdateService updates;
    QuitConfirmation quit{sim, [] {}};
    std::unique_ptr<TaskbarWindowController> controller;
};

} // namespace vantorel::test
