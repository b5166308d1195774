#pragma once

#include "platform/AppHandle.h"

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
    AppHandle handle;
    // The application's (main) process; several applications may share it.
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

// An application installed on this computer, as a launcher lists it.
struct InstalledApplication {
    // Where it is installed; what openApplicationAt and revealInFileBrowser take.
    QString location;
    QString name;
    // Absent when the installed application has no identifier.
    std::optional<QString> bundleIdentifier;
    // Further words a search finds it by once no name matches (a generic name, keywords).
    QStringList searchTerms;
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
    // Every installed application a launcher shows, each once, in no particular
    // order. Read again on every call; cheap enough to run on every open.
    virtual std::vector<InstalledApplication> installedApplications() const = 0;
    // Starts the installed application with this identifier without bringing it forward.
    virtual bool openApplicationInBackground(const QString& bundleIdentifier) {
        return openApplication(bundleIdentifier);
    }
    // Opens the application installed at a location and makes it the active one.
    virtual bool openApplicationAt(const QString& location) = 0;
    // Shows a file or an application selected in the desktop's file browser.
    virtual bool revealInFileBrowser(const QString& path) = 0;

    // Acting on a running application. False when it is gone.
    virtual bool hide(AppHandle app) = 0;
    virtual bool unhide(AppHandle app) = 0;
    // allWindows brings every window of the application forward, not only the front one.
    virtual bool activate(AppHandle app, bool allWindows) = 0;
    virtual bool terminate(AppHandle app) = 0;
    virtual bool forceTerminate(AppHandle app) = 0;

    // A number that changes whenever anything the taskbar reads about running
    // applications and their windows may have changed, through this port, the
    // window list or the accessibility interface. Nothing when the desktop
    // cannot tell; then every reader has to look again each time.
    virtual std::optional<quint64> stateRevision() const { return std::nullopt; }

    // This program itself among the running applications, once it shows a window.
    virtual std::optional<AppHandle> currentApplication() const = 0;
    // The name the desktop shows for an installed application, found by identifier;
    // for one that cannot be found, a name made from the identifier.
    virtual QString applicationDisplayName(const QString& bundleIdentifier) const = 0;

    // The icon of a running application; a null icon when it has none.
    virtual QIcon icon(const RunningApplication& application) const = 0;
    // The icon the desktop shows for a file or an application bundle at a path.
    virtual QIcon iconForFile(const QString& path) const = 0;
    // Identifier of the desktop's file browser, which runs all the time and
    // only counts as running while it shows a window.
    virtual QString fileBrowserIdentifier() const = 0;
    // What menus call the file browser ("Show in ...").
    virtual QString fileBrowserName() const = 0;
    // Whether the file browser runs without a window, so that the program may
    // start it quietly; where starting it opens a window, it is left alone.
    virtual bool fileBrowserRunsWithoutWindows() const { return true; }

    // Identifiers the pinned list starts with when nothing is stored, in order:
    // the file browser, the web browser, the mail client, the settings application.
    virtual QStringList defaultPinnedCandidates() const = 0;

Q_SIGNALS:
    void applicationLaunched(vantorel::AppHandle app);
    void applicationTerminated(vantorel::AppHandle app);
    void applicationActivated(vantorel::AppHandle app);
    void applicationDeactivated(vantorel::AppHandle app);
    void applicationHidden(vantorel::AppHandle app);
    void applicationUnhidden(vantorel::AppHandle app);
    void activeSpaceChanged();
    void didWake();
    void screensDidWake();
    void screensDidSleep();
    void sessionDidBecomeActive();
    void sessionDidResignActive();
};

} // namespace vantorel
