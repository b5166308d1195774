#pragma once

class QString;

namespace vantorel {

class SimDesktop;

// Keeps the simulated desktop's displays equal to the real screens Qt sees,
// so that a sim panel stands at the bottom of the real screen. With more
// displays requested than there are screens, the screens' area is divided
// side by side into that many displays.
void mirrorQtScreens(SimDesktop& desktop, int requestedDisplays);

// Makes the simulated pointer stand where the real cursor is, so that hover
// polls (the calendar, auto-hide) react to the mouse in the demo.
void followQtPointer(SimDesktop& desktop);

// Puts the demo's installed applications on disk as ".app" folders under
// root and makes it the simulated desktop's only application folder, so that
// the launcher lists them.
void installDemoApplications(SimDesktop& desktop, const QString& root);

} // namespace vantorel
