#pragma once

#include "platform/Accessibility.h"
#include "platform/Alerts.h"
#include "platform/BundleInfo.h"
#include "platform/ClickMonitor.h"
#include "platform/DefaultsStore.h"
#include "platform/Identity.h"
#include "platform/InstanceGuard.h"
#include "platform/KeyEvents.h"
#include "platform/PanelHost.h"
#include "platform/Platform.h"
#include "platform/Screens.h"
#include "platform/Sound.h"
#include "platform/SystemInfo.h"
#include "platform/Theme.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"
#include "platform/sim/SimDock.h"
#include "platform/sim/SimKeychain.h"
#include "platform/sim/SimLoginItems.h"
#include "platform/sim/SimProcessRunner.h"
#include "platform/sim/SimScripting.h"

#include <QDir>
#include <QHash>
#include <QVariantMap>
#include <deque>
#include <functional>
#include <map>
#include <set>

namespace vantorel {

class SimDesktop;
struct MenuPath;

// A window of a simulated application, in the top-left global space.
struct SimWindow {
    quint32 number = 0;
    QString title;
    Rect bounds;
    bool minimized = false;
    bool onScreen = true;
    bool fullScreen = false;
    // Empty: the window has no "AXSubrole" (the read fails).
    QString subrole = QStringLiteral("AXStandardWindow");
    // False: the element cannot be mapped to its window number.
    bool numberReadable = true;
    // False: the window server gives no picture of it.
    bool capturable = true;
};

// An item of a simulated application's menu.
struct SimMenuItem {
    QString title;
    // False: "AXTitle" does not read.
    bool titleReadable = true;
    // Nothing: "AXEnabled" does not read.
    std::optional<bool> enabled = true;
    QString role = QStringLiteral("AXMenuItem");
    std::optional<QString> cmdChar;
    std::optional<qint64> cmdVirtualKey;
    std::optional<qint64> cmdModifiers;
    // A submenu under the item.
    std::vector<SimMenuItem> submenu;
    // What a press does (a new window, say); a press of a disabled item fails.
    std::function<void()> onPress;
};

// A menu of a simulated application's menu bar.
struct SimMenu {
    QString title;
    std::vector<SimMenuItem> items;
    // Lists its items only while it is open (pressed and not cancelled).
    bool itemsOnlyWhenOpen = false;
};

struct SimApp {
    RunningApplication info;
    std::vector<SimWindow> windows; // front to back
    std::optional<quint32> focusedWindow;
    // Every accessibility call to this application fails (an app that does not answer).
    bool refusesAccessibility = false;
    // Its menu bar, the system's menu first; none: "AXMenuBar" does not read.
    std::optional<std::vector<SimMenu>> menuBar;
    // The menu-bar item whose menu is open, if any.
    std::optional<std::size_t> openMenu;
    // Never comes to the front when asked (another application keeps the focus).
    bool refusesActivation = false;
    // Asked to quit, it stays (an unsaved document, a question to the user).
    bool ignoresQuit = false;
    // Without an icon set, one is drawn from the name on first use.
    QIcon icon;
    bool hasIcon = true;
};

// A key chord posted on the simulated desktop, and the application it went to.
struct SimPostedKey {
    KeyChord chord;
    std::optional<AppHandle> target;
    // Posted to the frontmost application rather than to one by name.
    bool toFrontmost = false;
};

class SimWorkspace : public Workspace {
    Q_OBJECT
public:
    explicit SimWorkspace(SimDesktop& desktop) : desktop_(desktop) {}
    std::vector<RunningApplication> runningApplications() const override;
    std::optional<RunningApplication> frontmostApplication() const override;
    std::optional<QString> applicationLocation(const QString& bundleIdentifier) const override;
    bool openUrl(const QString& url) override;
    bool openApplication(const QString& bundleIdentifier) override;
    bool openApplicationInBackground(const QString& bundleIdentifier) override;
    std::vector<InstalledApplication> installedApplications() const override;
    bool openApplicationAt(const QString& location) override;
    bool revealInFileBrowser(const QString& path) override;
    bool hide(AppHandle app) override;
    bool unhide(AppHandle app) override;
    bool activate(AppHandle app, bool allWindows) override;
    bool terminate(AppHandle app) override;
    bool forceTerminate(AppHandle app) override;
    std::optional<AppHandle> currentApplication() const override;
    std::optional<quint64> stateRevision() const override;
    QString applicationDisplayName(const QString& bundleIdentifier) const override;
    QStringList defaultPinnedCandidates() const override;
    QIcon icon(const RunningApplication& application) const override;
    QIcon iconForFile(const QString& path) const override;
    QString fileBrowserIdentifier() const override { return QStringLiteral("com.apple.finder"); }
    QString fileBrowserName() const override { return QStringLiteral("Finder"); }

private:
    SimDesktop& desktop_;
};

class SimWindowServer : public WindowServer {
public:
    explicit SimWindowServer(SimDesktop& desktop) : desktop_(desktop) {}
    std::optional<std::vector<WindowListEntry>> windowList(const WindowListOptions& options) const override;
    // A window-sized image in a colour of the window number with the title on
    // it; nothing for a minimised, hidden or uncapturable window.
    std::optional<QImage> captureWindow(quint32 windowNumber) override;
    bool screenCaptureAllowed() const override;
    void requestScreenCapture() override;
    std::optional<QString> screenCaptureSettingsURL() const override;

private:
    SimDesktop& desktop_;
};

class SimScreens : public Screens {
    Q_OBJECT
public:
    explicit SimScreens(SimDesktop& desktop) : desktop_(desktop) {}
    std::vector<Display> displays() const override;
    std::optional<quint32> mainDisplayId() const override;

private:
    SimDesktop& desktop_;
};

class SimTheme : public Theme {
    Q_OBJECT
public:
    ResolvedTheme systemTheme() const override { return theme_; }
    void set(ResolvedTheme t) {
        if (t == theme_)
            return;
        theme_ = t;
        Q_EMIT systemThemeChanged();
    }

private:
    ResolvedTheme theme_ = ResolvedTheme::Light;
};

// The simulated desktop: applications with windows, displays, the pointer,
// preferences, alerts with scripted answers. Deterministic; a test builds one
// in a few lines and installs its platform() into the services it tests.
class SimDesktop final : public Pointer,
                         public BundleInfo,
                         public Alerts,
                         public Accessibility,
                         public Sound,
                         public InstanceGuard,
                         public Identity,
                         public PanelHost,
                         public ClickMonitor,
                         public KeyEvents,
                         public SystemInfo {
public:
    SimDesktop();
    ~SimDesktop() override;

    // The ports, with the in-memory defaults store unless another is given.
    Platform platform(DefaultsStore* defaults = nullptr);

    // --- applications ---
    // Adds a running application and returns its process id, which is also
    // its handle: every simulated application is a process of its own.
    qint64 launch(const std::optional<QString>& bundleId, const QString& name,
                  ActivationPolicy policy = ActivationPolicy::Regular);
    SimApp* app(qint64 pid);
    SimApp* appWithIdentifier(const QString& bundleId);
    quint32 addWindow(qint64 pid, const QString& title, Rect bounds, bool minimized = false);
    SimWindow* window(quint32 number);
    SimApp* ownerOfWindow(quint32 number);
    void closeWindow(quint32 number);
    void terminate(qint64 pid);
    void activate(qint64 pid);
    void setHidden(qint64 pid, bool hidden);
    void install(const QString& bundleId, const QString& location);
    const std::vector<SimApp>& apps() const { return apps_; }
    QStringList openedUrls;
    QStringList openedApplications;
    // The applications asked to quit (not forced), in order.
    std::vector<qint64> quitRequests;

    // --- installed applications on disk, as a launcher finds them ---
    // Walked in this order; an installed location (install()) gives an application its identifier.
    QStringList applicationFolders = {QStringLiteral("/Applications"),
                                      QDir::homePath() + QStringLiteral("/Applications"),
                                      QStringLiteral("/System/Applications")};
    QString fileBrowserBundle = QStringLiteral("/System/Library/CoreServices/Finder.app");
    QStringList openedLocations;
    QStringList revealedPaths;

    // --- displays ---
    void setDisplays(std::vector<Display> displays, std::optional<quint32> mainId);
    const std::vector<Display>& displays() const { return displays_; }
    std::optional<quint32> mainDisplayId() const { return mainId_; }

    // --- pointer, theme, bundle ---
    // Moves the pointer; a move announces itself when motion is announced.
    void setPointer(Point p);
    // Whether the desktop announces pointer motion (notifyNextMotion); off, as
    // the taskbar's decisions must not depend on it.
    bool announcesMotion = false;
    bool hasMotionRequest() const { return static_cast<bool>(onMotion_); }
    SimTheme theme;
    std::optional<QString> bundleIdentifier = QStringLiteral("com.vantorel.app");
    QVariantMap infoKeys;
    std::map<QString, QByteArray> resources; // "NAME.EXT" -> contents
    QString executable = QStringLiteral("/usr/bin/vantorel");
    qint64 ownPid = 1000;

    // --- alerts ---
    // Answers given to the next alerts, in order; an unscripted alert is dismissed (-1).
    std::deque<int> scriptedAlertAnswers;
    std::vector<AlertSpec> shownAlerts;

    // --- identity ---
    // The current user's record; reset it to simulate a user the store does not know.
    std::optional<UserIdentity> user = UserIdentity{QStringLiteral("Alex Morgan"), std::nullopt};
    std::optional<UserIdentity> currentUser() const override { return user; }
    void preparePanel(QWidget* panel) override { preparedPanels.insert(panel); }
    void reserveBottomEdge(QWidget* panel, const Rect& display, int height) override {
        reservedEdges[panel] = {display, height};
    }
    void standAboveFullScreen(QWidget* panel, bool above) override {
        if (above)
            panelsAboveFullScreen.insert(panel);
        else
            panelsAboveFullScreen.erase(panel);
    }
    std::set<QWidget*> preparedPanels;
    std::map<QWidget*, std::pair<Rect, int>> reservedEdges;
    std::set<QWidget*> panelsAboveFullScreen;
    // When set, the pointer follows this source instead of setPointer (the demo
    // passes the real cursor through).
    std::function<Point()> pointerSource;

    // --- accessibility, sound ---
    bool trusted = true;
    int trustPrompts = 0;
    double messagingTimeout = 0;
    int beeps = 0;

    // Like the other platform's desktop, the simulated one cannot tell when
    // something changed, unless a test says so.
    std::optional<quint64> revision;

    // --- window server ---
    bool windowListUnavailable = false;
    bool screenCaptureAllowed = true;
    int screenCaptureRequests = 0;
    // Listed after the applications' windows (desktop elements, odd entries).
    std::vector<WindowListEntry> extraWindowListEntries;
    // Lookups that go to the "disk", for tests of caches.
    mutable int locationLookups = 0;
    // Installed locations the desktop has no icon for.
    QStringList locationsWithoutIcon;

    MemoryDefaultsStore memoryDefaults;
    SimWorkspace workspace{*this};
    SimWindowServer windowServer{*this};
    SimScreens screens{*this};

    // --- Dock, programs, login items ---
    // The runner's process id follows ownPid when platform() is taken.
    SimProcessRunner processes;
    SimDock dock;
    SimLoginItems loginItems;
    SimLaunchAgent launchAgent{processes};
    SimScripting scripting;
    SimKeychain keychain;

    // --- the operating system, named as the behaviour's texts name it ---
    QString osVersion = QStringLiteral("Version 13.6 (Build 22G120)");
    QString operatingSystemVersion() const override { return osVersion; }
    QString thisComputer() const override { return QStringLiteral("this Mac"); }
    QString systemName() const override { return QStringLiteral("macOS"); }
    QString desktopName() const override { return QStringLiteral("macOS"); }

    // Ports implemented by the desktop itself.
    Point location() const override { return pointerSource ? pointerSource() : pointer_; }
    bool notifyNextMotion(std::function<void()> onMotion) override;
    void cancelMotionNotice() override { onMotion_ = nullptr; }
    std::optional<QString> identifier() const override { return bundleIdentifier; }
    std::optional<QVariant> infoValue(const QString& key) const override;
    std::optional<QByteArray> resource(const QString& name, const QString& extension) const override;
    QString executablePath() const override { return executable; }
    int runModal(const AlertSpec& alert) override;
    bool isProcessTrusted(bool prompt) override;
    void setMessagingTimeout(double seconds) override { messagingTimeout = seconds; }
    AXRead copyAttribute(const AXElement& element, const QString& attribute) override;
    AXError setAttribute(const AXElement& element, const QString& attribute, const AXValue& value) override;
    AXError performAction(const AXElement& element, const QString& action) override;
    std::optional<quint32> windowNumber(const AXElement& element) override;
    static AXElement windowElement(qint64 pid, quint32 number) {
        return {AXElement::Kind::Window, AppHandle{pid}, number, 0};
    }
    // Every accessibility action and write, as "ACTION pid:window", for tests that check order.
    QStringList axJournal;
    void beep() override { ++beeps; }
    bool postToFrontmost(const KeyChord& chord) override;
    bool postToApplication(AppHandle app, const KeyChord& chord) override;
    std::vector<SimPostedKey> postedKeys;
    bool claim(const QString& bundleIdentifier) override;

    // --- clicks in other applications ---
    std::unique_ptr<Watch> watchMouseDowns(std::function<void()> onMouseDown) override;
    // A left or right mouse-down in another application.
    void clickInOtherApplication();
    std::size_t clickWatchCount() const { return clickWatches_.size(); }

    // A demo desktop for --platform sim: a few applications with windows on
    // the given displays.
    static void populateDemo(SimDesktop& desktop);

private:
    friend class SimWorkspace;
    AXRead copyMenuAttribute(const SimApp& app, const MenuPath& path, const QString& attribute);
    AXError performMenuAction(SimApp& app, const MenuPath& path, const QString& action);
    std::vector<SimApp> apps_;
    std::map<QString, QString> installed_;
    std::vector<Display> displays_;
    std::optional<quint32> mainId_;
    Point pointer_;
    std::function<void()> onMotion_;
    qint64 nextPid_ = 2000;
    quint32 nextWindow_ = 100;
    std::map<int, std::function<void()>> clickWatches_;
    int nextClickWatch_ = 1;
};

} // namespace vantorel
