#pragma once

#include <QByteArray>
#include <QString>
#include <utility>
#include <vector>

namespace vantorel {

class DesktopEntry;

// Starting applications from their desktop entries with a startup
// notification: the id handed over in DESKTOP_STARTUP_ID carries the server
// time of the launch, which toolkits give the window manager as the time of
// the user's action, so the new window is focused instead of held back as
// focus stealing.

// A message of the startup-notification protocol ("new", "remove"): the type,
// a colon, then KEY="value" pairs with quotes and backslashes escaped.
QByteArray startupMessage(const char* type, const std::vector<std::pair<QString, QString>>& fields);

// An id unique to this launch, ending in "_TIME" and the server time.
QString makeStartupId(const QString& desktopId, quint32 serverTime);

// Announces the launch to the window manager when the entry asks for it
// (StartupNotify, StartupWMClass) and returns the id to hand to the
// application; empty when the display cannot be reached.
QString beginStartup(const DesktopEntry& entry, const QString& desktopId);
// Ends an announced startup whose application will not come.
void cancelStartup(const QString& startupId);

// Starts the entry's application, by D-Bus activation when it asks for it,
// else its Exec as an argument list (never a shell), with the startup id.
bool launchDesktopEntry(const DesktopEntry& entry, const QString& desktopId, const QString& startupId);

} // namespace vantorel
