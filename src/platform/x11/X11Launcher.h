#pragma once

#include <QDBusConnection>
#include <QList>
#include <QString>
#include <QUrl>
#include <utility>
#include <vector>
#include <xcb/xcb.h>

namespace vantorel {

class DesktopEntry;
class X11Connection;
class X11UserTime;

// A startup-notification id: "<launcher>-<pid>-<host>-<what>-<n>", and
// "_TIME<time>" with the time of the user's action when it is known.
QString startupNotificationId(const QString& launcher, qint64 pid, const QString& host, const QString& what,
                              quint64 sequence, xcb_timestamp_t userTime);
// A startup-notification message ("new: ID=\"...\" ..."), values quoted with
// quotes and backslashes escaped, ending in the nul the protocol ends it with.
QByteArray startupNotificationMessage(const QString& kind, const std::vector<std::pair<QString, QString>>& fields);

// Starts applications from their desktop entries the way the desktop's own
// launchers do: D-Bus activation for entries that ask for it, else their
// command as an argument list (never a shell), each with a startup id that
// carries the time of the user's action, so that the window manager gives
// the new window the focus instead of refusing it as focus stealing.
class X11Launcher {
public:
    X11Launcher(X11Connection& x, const X11UserTime& userTime, QDBusConnection bus = QDBusConnection::sessionBus());

    // Starts the entry, to open urls when given. False when nothing could be started.
    bool launch(const QString& desktopId, const DesktopEntry& entry, const QList<QUrl>& urls = {});
    // A new startup id for the entry; announced to the desktop when the entry
    // says that it ends the startup itself or how its windows are recognised.
    QString beginStartup(const QString& desktopId, const DesktopEntry& entry);
    xcb_timestamp_t userTime() const;
    const QDBusConnection& bus() const { return bus_; }

private:
    bool activateOverBus(const QString& desktopId, const QList<QUrl>& urls, const QString& startupId);
    void announce(const QByteArray& message);

    X11Connection& x_;
    const X11UserTime& userTime_;
    QDBusConnection bus_;
    quint64 sequence_ = 0;
};

} // namespace vantorel
