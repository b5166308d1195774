#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vantorel {

enum class ActivationPolicy { Regular, Accessory, Prohibited };

// A running application as the workspace reports it at the time of the query.
struct RunningApplication {
    qint64 pid = 0;
    std::optional<QString> bundleIdentifier;
    QString localizedName;
    QString executablePath;
    QString bundlePath;
    ActivationPolicy activationPolicy = ActivationPolicy::Regular;
    bool isActive = false;
    bool isHidden = false;
    bool isTerminated = false;
};

// The desktop's running applications, installed applications and the
// notices about them.
class Workspace : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    virtual std::vector<RunningApplication> runningApplications() const = 0;
    virtual std::optional<RunningApplication> frontmostApplication() const = 0;
    // Location of the installed application with this identifier, if any.
    virtual std::optional<QString> applicationLocation(const QString& bundleIdentifier) const = 0;
    // Opens a URL (a web address, a settings pane, a folder) with its default handler.
    virtual bool openUrl(const QString& url) = 0;
    // Starts the installed application with this identifier (or brings it forward).
    virtual bool openApplication(const QString& bundleIdentifier) = 0;

    // Acting on a running application, by process id. False when it is gone.
    virtual bool hide(qint64 pid) = 0;
    virtual bool unhide(qint64 pid) = 0;
    // allWindows brings every window of the application forward, not only the front one.
    virtual bool activate(qint64 pid, bool allWindows) = 0;
    virtual bool terminate(qint64 pid) = 0;
    virtual bool forceTerminate(qint64 pid) = 0;

    // The icon of a running application; a null icon when it has none.
    virtual QIcon icon(const RunningApplication& application) const = 0;
    // The icon the desktop shows for a file or an application bundle at a path.
    virtual QIcon iconForFile(const QString& path) const = 0;
    // Identifier of the desktop's file browser, which runs all the time and
    // only counts as running while it shows a window.
    virtual QString fileBrowserIdentifier() const = 0;

    // Identifiers the pinned list starts with when nothing is stored, in order:
    // the file browser, the web browser, the mail client, the settings application.
    virtual QStringList defaultPinnedCandidates() const = 0;

Q_SIGNALS:
    void applicationLaunched(qint64 pid);
    void applicationTerminated(qint64 pid);
    void applicationActivated(qint64 pid);
    void applicationDeactivated(qint64 pid);
    void applicationHidden(qint64 pid);
    void applicationUnhidden(qint64 pid);
    void activeSpaceChanged();
    void didWake();
    void screensDidWake();
    void screensDidSleep();
    void sessionDidBecomeActive();
    void sessionDidResignActive();
};

} // namespace vantorel
