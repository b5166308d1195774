#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace vantorel {

class ChildProcess;
class DefaultsStore;
class DockPreferences;
class ProcessRunner;

// The programs the Dock service runs. The restore script names them too.
struct DockTools {
    QString defaults = QStringLiteral("/usr/bin/defaults");
    QString killall = QStringLiteral("/usr/bin/killall");
    QString launchctl = QStringLiteral("/bin/launchctl");
    QString shell = QStringLiteral("/bin/zsh");
};

// Keeps the system Dock out of the taskbar's way while the program runs and
// gives the user's own Dock preferences back when it ends, by a clean quit or
// through the crash-restore monitor.
//
// Without a system Dock (no DockPreferences) the service changes nothing and
// runs nothing.
class DockService {
public:
    static constexpr double hiddenDelay = 1000.0;
    const QString dockDomain = QStringLiteral("com.apple.dock");
    const QString originalsKey = QStringLiteral("com.vantorel.dockOriginalPrefs");

    // The Dock preferences as they were before the program hid the Dock.
    struct Originals {
        std::optional<bool> autohide;
        std::optional<double> autohideDelay;
        friend bool operator==(const Originals&, const Originals&) = default;

        // {"autohide": bool, "autohideDelay": number}, absent values left out.
        QByteArray toJson() const;
        static std::optional<Originals> fromJson(const QByteArray& json);
    };

    // `defaultsDomain` is the program's own domain, where the originals are kept.
    DockService(DockPreferences* dock, ProcessRunner& runner, DefaultsStore& defaults, QString defaultsDomain,
                DockTools tools = {});
    static DockService& shared();

    bool hasSystemDock() const { return dock_ != nullptr; }

    void hideDock();
    // Hides the Dock again when something reset its preferences.
    void enforceHidden();
    void restoreDock();
    // Restarts the Dock process (it comes back with the hidden preferences); nothing without a system Dock.
    void restartDock();
    // "autohide" is a number whose boolean value is true and "autohide-delay" a
    // number equal to hiddenDelay.
    bool isHidden();

    // Restores the saved originals and restarts the Dock.
    QString restoreShellScript() const;
    // Waits until process `pid` is gone, then runs restoreShellScript().
    QString monitorScript(qint64 pid) const;
    // Starts the crash-restore monitor as a detached shell; nothing without a
    // system Dock. A monitor that failed to start is still returned.
    std::unique_ptr<ChildProcess> startRestoreMonitor();

    std::optional<Originals> loadOriginals() const;
    void saveOriginals(const Originals& originals);

    // Runs a command and waits for it; its status is ignored, a failure to
    // start is logged.
    void run(const QString& path, const QStringList& arguments);

    // A double in the shortest form that reads back the same, always with a
    // fraction or an exponent: 1000.0, 0.5, 1e-05.
    static QString decimalText(double value);

private:
    void reenableLegacyDisabledDock();
    void writeHiddenDirectly();

    DockPreferences* dock_;
    ProcessRunner& runner_;
    DefaultsStore& defaults_;
    QString domain_;
    DockTools tools_;
    bool reportedNoDock_ = false;
};

} // namespace vantorel
