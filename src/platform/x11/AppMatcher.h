#pragma once

#include "platform/x11/DesktopEntryIndex.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace vantorel {

// What a window and its process tell about the application they belong to.
struct WindowFacts {
    QString applicationId;   // _GTK_APPLICATION_ID or _KDE_NET_WM_DESKTOP_FILE, as read
    QString wmClassInstance; // WM_CLASS, first string
    QString wmClassClass;    // WM_CLASS, second string
    QString executablePath;  // target of /proc/PID/exe
    QStringList commandLine; // /proc/PID/cmdline
};

// Finds the desktop-file id a window belongs to: first the application-id
// property, then WM_CLASS against StartupWMClass and the ids, then the
// process's executable against the entries' Exec and TryExec.
class AppMatcher {
public:
    explicit AppMatcher(const DesktopEntryIndex& index);

    // The id ("org.example.App.desktop"), or nothing when no entry fits.
    std::optional<QString> desktopIdFor(const WindowFacts& facts);

    // The process half of the facts, read from /proc; empty fields when the
    // process is gone or not ours to read.
    static void readProcess(qint64 pid, WindowFacts& facts, const QString& procRoot = QStringLiteral("/proc"));

    // Results are cached per window facts and dropped when the index rescans.
    qsizetype cacheSize() const { return cache_.size(); }
    void clearCache() { cache_.clear(); }

private:
    std::optional<QString> byApplicationId(const QString& applicationId) const;
    std::optional<QString> byWMClass(const WindowFacts& facts) const;
    // usedCommandLine: several entries run this program and the arguments chose.
    std::optional<QString> byExecutable(const WindowFacts& facts, bool& usedCommandLine) const;
    static QString scriptOf(const WindowFacts& facts);

    const DesktopEntryIndex& index_;
    quint64 generation_ = 0;
    struct Cached {
        std::optional<QString> id;
        bool perCommandLine = false; // look again with the command line in the key
    };
    QHash<QString, Cached> cache_;
};

} // namespace vantorel
