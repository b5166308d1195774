#pragma once

#include "app/PersistenceService.h"
#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "core/ManualScheduler.h"
#include "platform/sim/SimDesktop.h"
#include "taskbar/TaskbarViewDependencies.h"
#include "windows/UpdateService.h"

namespace vantorel::test {

// A simulated desktop with the services the taskbar's views read, on virtual time.
struct SimWorld {
    SimDesktop desktop;
    ManualScheduler scheduler;
    PersistenceService persistence{desktop.memoryDefaults, QStringLiteral("com.vantorel.test"), desktop.workspace};
    SettingsService settings{persistence};
    ThemeService theme{desktop.theme};
    UpdateService updates;

    TaskbarViewDependencies dependencies() { return {settings, theme, updates, scheduler, desktop.platform()}; }
    void change(const std::function<void(AppSettings&)>& fn) { settings.update(fn); }
};

} // namespace vantorel::test
