#pragma once

#include "platform/Platform.h"
#include "platform/sim/SimDesktop.h"

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

} // namespace vantorel::test
