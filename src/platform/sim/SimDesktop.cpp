#include "platform/sim/SimDesktop.h"

#include "platform/common/LetterIcon.h"
#include "platform/sim/ApplicationFolders.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <utility>

namespace vantorel {

SimDesktop::SimDesktop() {
    dock.installTools(processes);
    SimLaunchAgent::installTools(processes);
}
SimDesktop::~SimDesktop() = default;

Platform SimDesktop::platform(DefaultsStore* defaults) {
    Platform p;
    p.name = QStringLiteral("sim");
    p.defaults = defaults ? defaults : &memoryDefaults;
    p.workspace = &workspace;
    p.screens = &screens;
    p.pointer = this;
    p.clicks = this;
    p.theme = &theme;
    p.bundle = this;
    p.alerts = this;
    p.accessibility = this;
    p.windowServer = &windowServer;
    p.sound = this;
    p.instances = this;
    p.identity = this;
    p.panels = this;
    processes.pid = ownPid;
    p.dock = &dock;
    p.processes = &processes;
    p.loginItems = &loginItems;
    p.launchAgent = &launchAgent;
    p.scripting = &scripting;
    p.keyEvents = this;
    p.keychain = &keychain;
    p.system = this;
    return p;
}

qint64 SimDesktop::launch(const std::optional<QString>& bundleId, const QString& name, ActivationPolicy policy) {
    SimApp app;
    app.info.pid = nextPid_++;
    app.info.handle = AppHandle{app.info.pid};
    app.info.bundleIdentifier = bundleId;
    app.info.localizedName = name;
    app.info.activationPolicy = policy;
    app.info.executablePath = QStringLiteral("/usr/bin/") + name.toLower().remove(u' ');
    if (bundleId) {
        auto loc = installed_.find(*bundleId);
        app.info.bundlePath = loc != installed_.end() ? loc->second : QStringLiteral("/Applications/%1.app").arg(name);
        installed_.emplace(*bundleId, app.info.bundlePath);
    }
    apps_.push_back(app);
    Q_EMIT workspace.applicationLaunched(app.info.handle);
    return app.info.pid;
}

SimApp* SimDesktop::app(qint64 pid) {
    auto it = std::find_if(apps_.begin(), apps_.end(), [pid](const SimApp& a) { return a.info.pid == pid; });
    return it == apps_.end() ? nullptr : &*it;
}

SimApp* SimDesktop::appWithIdentifier(const QString& bundleId) {
    auto it = std::find_if(apps_.begin(), apps_.end(),
                           [&](const SimApp& a) { return a.info.bundleIdentifier == bundleId && !a.info.isTerminated; });
    return it == apps_.end() ? nullptr : &*it;
}

quint32 SimDesktop::addWindow(qint64 pid, const QString& title, Rect bounds, bool minimized) {
    SimApp* a = app(pid);
    if (!a)
        return 0;
    SimWindow w;
    w.number = nextWindow_++;
    if (!minimized && !a->focusedWindow)
        a->focusedWindow = w.number;
    w.title = title;
    w.bounds = bounds;
    w.minimized = minimized;
    w.onScreen = !minimized;
    a->windows.push_back(w);
    return w.number;
}

SimWindow* SimDesktop::window(quint32 number) {
    for (auto& a : apps_)
        for (auto& w : a.windows)
            if (w.number == number)
                return &w;
    return nullptr;
}

SimApp* SimDesktop::ownerOfWindow(quint32 number) {
    for (auto& a : apps_)
        for (auto& w : a.windows)
            if (w.number == number)
                return &a;
    return nullptr;
}

void SimDesktop::closeWindow(quint32 number) {
    if (SimApp* a = ownerOfWindow(number)) {
        std::erase_if(a->windows, [number](const SimWindow& w) { return w.number == number; });
        if (a->focusedWindow == number)
            a->focusedWindow.reset();
    }
}

void SimDesktop::terminate(qint64 pid) {
    auto it = std::find_if(apps_.begin(), apps_.end(), [pid](const SimApp& a) { return a.info.pid == pid; });
    if (it == apps_.end())
        return;
    apps_.erase(it);
    Q_EMIT workspace.applicationTerminated(AppHandle{pid});
}

void SimDesktop::activate(qint64 pid) {
    qint64 previous = 0;
    for (auto& a : apps_) {
        if (a.info.isActive && a.info.pid != pid)
            previous = a.info.pid;
        a.info.isActive = a.info.pid == pid;
    }
    if (previous)
        Q_EMIT workspace.applicationDeactivated(AppHandle{previous});
    Q_EMIT workspace.applicationActivated(AppHandle{pid});
}

void SimDesktop::setHidden(qint64 pid, bool hidden) {
    SimApp* a = app(pid);
    if (!a || a->info.isHidden == hidden)
        return;
    a->info.isHidden = hidden;
    if (hidden)
        Q_EMIT workspace.applicationHidden(AppHandle{pid});
    else
        Q_EMIT workspace.applicationUnhidden(AppHandle{pid});
}

void SimDesktop::install(const QString& bundleId, const QString& location) { installed_[bundleId] = location; }

void SimDesktop::setDisplays(std::vector<Display> displays, std::optional<quint32> mainId) {
    displays_ = std::move(displays);
    mainId_ = mainId;
    Q_EMIT screens.parametersChanged();
}

std::optional<QVariant> SimDesktop::infoValue(const QString& key) const {
    if (key == QLatin1String("CFBundleIdentifier") && bundleIdentifier)
        return QVariant(*bundleIdentifier);
    auto it = infoKeys.constFind(key);
    if (it == infoKeys.constEnd())
        return std::nullopt;
    return *it;
}

std::optional<QByteArray> SimDesktop::resource(const QString& name, const QString& extension) const {
    auto it = resources.find(name + u'.' + extension);
    if (it == resources.end())
        return std::nullopt;
    return it->second;
}

int SimDesktop::runModal(const AlertSpec& alert) {
    shownAlerts.push_back(alert);
    if (scriptedAlertAnswers.empty())
        return -1;
    const int answer = scriptedAlertAnswers.front();
    scriptedAlertAnswers.pop_front();
    return answer;
}

bool SimDesktop::isProcessTrusted(bool prompt) {
    if (prompt && !trusted)
        ++trustPrompts;
    return trusted;
}

bool SimDesktop::postToFrontmost(const KeyChord& chord) {
    const auto front = workspace.frontmostApplication();
    postedKeys.push_back({chord, front ? std::optional(front->handle) : std::nullopt, true});
    return true;
}

bool SimDesktop::postToApplication(AppHandle target, const KeyChord& chord) {
    if (!app(target.value))
        return false;
    postedKeys.push_back({chord, target, false});
    return true;
}

bool SimDesktop::claim(const QString& bundleId) {
    return std::none_of(apps_.begin(), apps_.end(), [&](const SimApp& a) {
        return a.info.bundleIdentifier == bundleId && a.info.pid != ownPid && !a.info.isTerminated;
    });
}

std::vector<RunningApplication> SimWorkspace::runningApplications() const {
    std::vector<RunningApplication> out;
    out.reserve(desktop_.apps_.size());
    for (const auto& a : desktop_.apps_)
        out.push_back(a.info);
    return out;
}

std::optional<RunningApplication> SimWorkspace::frontmostApplication() const {
    for (const auto& a : desktop_.apps_)
        if (a.info.isActive)
            return a.info;
    return std::nullopt;
}

std::optional<QString> SimWorkspace::applicationLocation(const QString& bundleIdentifier) const {
    ++desktop_.locationLookups;
    auto it = desktop_.installed_.find(bundleIdentifier);
    if (it == desktop_.installed_.end())
        return std::nullopt;
    return it->second;
}

bool SimWorkspace::openUrl(const QString& url) {
    desktop_.openedUrls << url;
    return true;
}

bool SimWorkspace::openApplication(const QString& bundleIdentifier) {
    auto location = desktop_.installed_.find(bundleIdentifier);
    if (location == desktop_.installed_.end())
        return false;
    if (SimApp* running = desktop_.appWithIdentifier(bundleIdentifier)) {
        desktop_.activate(running->info.pid);
        return true;
    }
    desktop_.openedApplications << bundleIdentifier;
    QString name = location->second.section(u'/', -1);
    name.chop(name.endsWith(QLatin1String(".app")) ? 4 : 0);
    desktop_.activate(desktop_.launch(bundleIdentifier, name));
    return true;
}

std::vector<InstalledApplication> SimWorkspace::installedApplications() const {
    auto found = walkApplicationFolders(desktop_.applicationFolders, desktop_.fileBrowserBundle);
    for (auto& app : found)
        for (const auto& [id, location] : desktop_.installed_)
            if (QDir::cleanPath(location) == app.location)
                app.bundleIdentifier = id;
    return found;
}

bool SimWorkspace::openApplicationAt(const QString& location) {
    desktop_.openedLocations << location;
    for (const auto& [id, installedAt] : desktop_.installed_)
        if (QDir::cleanPath(installedAt) == QDir::cleanPath(location))
            return openApplication(id);
    if (!QFileInfo::exists(location))
        return false;
    // An application without an identifier still runs.
    desktop_.activate(desktop_.launch(std::nullopt, QFileInfo(location).completeBaseName()));
    return true;
}

bool SimWorkspace::revealInFileBrowser(const QString& path) {
    desktop_.revealedPaths << path;
    return true;
}

bool SimWorkspace::hide(AppHandle app) {
    const qint64 pid = app.value;
    if (!desktop_.app(pid))
        return false;
    desktop_.setHidden(pid, true);
    return true;
}

bool SimWorkspace::unhide(AppHandle app) {
    const qint64 pid = app.value;
    if (!desktop_.app(pid))
        return false;
    desktop_.setHidden(pid, false);
    return true;
}

bool SimWorkspace::activate(AppHandle app, bool) {
    const qint64 pid = app.value;
    const SimApp* a = desktop_.app(pid);
    if (!a || a->refusesActivation)
        return false;
    desktop_.activate(pid);
    return true;
}

bool SimWorkspace::terminate(AppHandle app) {
    const qint64 pid = app.value;
    const SimApp* a = desktop_.app(pid);
    if (!a)
        return false;
    desktop_.quitRequests.push_back(pid);
    if (!a->ignoresQuit)
        desktop_.terminate(pid);
    return true;
}

bool SimWorkspace::forceTerminate(AppHandle app) {
    const qint64 pid = app.value;
    if (!desktop_.app(pid))
        return false;
    desktop_.terminate(pid);
    return true;
}

bool SimWorkspace::openApplicationInBackground(const QString& bundleIdentifier) {
    if (!desktop_.installed_.count(bundleIdentifier))
        return false;
    if (desktop_.appWithIdentifier(bundleIdentifier))
        return true;
    desktop_.openedApplications << bundleIdentifier;
    const QString location = desktop_.installed_[bundleIdentifier];
    desktop_.launch(bundleIdentifier, QFileInfo(location).completeBaseName());
    return true;
}

std::optional<quint64> SimWorkspace::stateRevision() const { return desktop_.revision; }

std::optional<AppHandle> SimWorkspace::currentApplication() const {
    for (const auto& a : desktop_.apps_)
        if (a.info.pid == desktop_.ownPid ||
            (desktop_.bundleIdentifier && a.info.bundleIdentifier == desktop_.bundleIdentifier))
            return a.info.handle;
    return std::nullopt;
}

QString SimWorkspace::applicationDisplayName(const QString& bundleIdentifier) const {
    // The bundle's file name without its extension, else the identifier's last part.
    if (const auto location = desktop_.installed_.find(bundleIdentifier); location != desktop_.installed_.end()) {
        QString path = location->second;
        while (path.size() > 1 && path.endsWith(u'/'))
            path.chop(1);
        return QFileInfo(path.section(u'/', -1)).completeBaseName();
    }
    return bundleIdentifier.section(u'.', -1);
}

QStringList SimWorkspace::defaultPinnedCandidates() const {
    return {QStringLiteral("com.apple.finder"), QStringLiteral("com.apple.Safari"), QStringLiteral("com.apple.mail"),
            QStringLiteral("com.apple.systempreferences")};
}


QIcon SimWorkspace::icon(const RunningApplication& application) const {
    SimApp* a = desktop_.app(application.pid);
    if (!a || !a->hasIcon)
        return {};
    if (a->icon.isNull())
        a->icon = letterIcon(a->info.localizedName);
    return a->icon;
}

QIcon SimWorkspace::iconForFile(const QString& path) const {
    if (desktop_.locationsWithoutIcon.contains(path))
        return {};
    for (const auto& [id, location] : desktop_.installed_)
        if (location == path)
            return letterIcon(QFileInfo(path).completeBaseName());
    return {};
}

std::optional<std::vector<WindowListEntry>> SimWindowServer::windowList(const WindowListOptions& options) const {
    if (desktop_.windowListUnavailable)
        return std::nullopt;
    std::vector<WindowListEntry> out;
    for (const auto& a : desktop_.apps()) {
        for (const auto& w : a.windows) {
            if (options.onScreenOnly && (!w.onScreen || w.minimized || a.info.isHidden))
                continue;
            WindowListEntry e;
            e.number = w.number;
            e.owner = a.info.handle;
            e.ownerPid = a.info.pid;
            e.ownerName = a.info.localizedName;
            e.name = w.title;
            e.layer = 0;
            e.bounds = w.bounds;
            e.alpha = 1.0;
            out.push_back(std::move(e));
        }
    }
    out.insert(out.end(), desktop_.extraWindowListEntries.begin(), desktop_.extraWindowListEntries.end());
    return out;
}

std::optional<QImage> SimWindowServer::captureWindow(quint32 windowNumber) {
    const SimWindow* w = desktop_.window(windowNumber);
    const SimApp* a = desktop_.ownerOfWindow(windowNumber);
    if (!w || !a || w->minimized || a->info.isHidden || !w->capturable)
        return std::nullopt;
    QImage image(std::max(1, qRound(w->bounds.width)), std::max(1, qRound(w->bounds.height)), QImage::Format_RGB32);
    image.fill(QColor::fromHsv(static_cast<int>(windowNumber * 47 % 360), 120, 230));
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QPainter p(&image);
        p.setPen(Qt::black);
        p.drawText(image.rect().adjusted(8, 8, -8, -8), Qt::AlignLeft | Qt::AlignTop, w->title);
    }
    return image;
}

bool SimWindowServer::screenCaptureAllowed() const { return desktop_.screenCaptureAllowed; }

void SimWindowServer::requestScreenCapture() { ++desktop_.screenCaptureRequests; }

std::optional<QString> SimWindowServer::screenCaptureSettingsURL() const {
    return QStringLiteral("x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture");
}

namespace {
class SimClickWatch : public ClickMonitor::Watch {
public:
    SimClickWatch(std::map<int, std::function<void()>>& watches, int id) : watches_(watches), id_(id) {}
    ~SimClickWatch() override { watches_.erase(id_); }

private:
    std::map<int, std::function<void()>>& watches_;
    int id_;
};
} // namespace

std::unique_ptr<ClickMonitor::Watch> SimDesktop::watchMouseDowns(std::function<void()> onMouseDown) {
    const int id = nextClickWatch_++;
    clickWatches_.emplace(id, std::move(onMouseDown));
    return std::make_unique<SimClickWatch>(clickWatches_, id);
}

void SimDesktop::setPointer(Point p) {
    const bool moved = p != pointer_;
    pointer_ = p;
    if (moved && onMotion_)
        std::exchange(onMotion_, nullptr)();
}

bool SimDesktop::notifyNextMotion(std::function<void()> onMotion) {
    onMotion_ = announcesMotion ? std::move(onMotion) : nullptr;
    return announcesMotion;
}

void SimDesktop::clickInOtherApplication() {
    // A watcher may stop watching (or another start) from its callback.
    std::vector<int> ids;
    for (const auto& [id, fn] : clickWatches_)
        ids.push_back(id);
    for (int id : ids)
        if (auto it = clickWatches_.find(id); it != clickWatches_.end()) {
            auto fn = it->second;
            fn();
        }
}

std::vector<Display> SimScreens::displays() const { return desktop_.displays(); }
std::optional<quint32> SimScreens::mainDisplayId() const { return desktop_.mainDisplayId(); }

void SimDesktop::populateDemo(SimDesktop& d) {
    const Rect area = d.displays().empty() ? Rect{0, 0, 1440, 900} : d.displays().front().frame;
    auto at = [&](double x, double y, double w, double h) { return Rect{area.x + x, y, w, h}; };
    d.install(QStringLiteral("com.apple.finder"), QStringLiteral("/System/Library/CoreServices/Finder.app"));
    d.install(QStringLiteral("com.apple.Safari"), QStringLiteral("/Applications/Safari.app"));
    d.install(QStringLiteral("com.apple.mail"), QStringLiteral("/Applications/Mail.app"));
    d.install(QStringLiteral("com.apple.systempreferences"), QStringLiteral("/Applications/System Settings.app"));
    d.install(QStringLiteral("com.apple.Terminal"), QStringLiteral("/Applications/Utilities/Terminal.app"));

    const qint64 finder = d.launch(QStringLiteral("com.apple.finder"), QStringLiteral("Finder"));
    d.addWindow(finder, QStringLiteral("Documents"), at(80, 80, 700, 450));
    const qint64 safari = d.launch(QStringLiteral("com.apple.Safari"), QStringLiteral("Safari"));
    d.addWindow(safari, QStringLiteral("Start Page"), at(200, 60, 900, 600));
    d.addWindow(safari, QStringLiteral("Release notes"), at(240, 100, 900, 600));
    d.addWindow(safari, QStringLiteral("Weather"), at(280, 140, 900, 600), true);
    const qint64 terminal = d.launch(QStringLiteral("com.apple.Terminal"), QStringLiteral("Terminal"));
    d.addWindow(terminal, QStringLiteral("~ — zsh"), at(400, 300, 640, 400));
    d.launch(std::nullopt, QStringLiteral("helper-tool"));
    d.activate(terminal);
}

} // namespace vantorel

namespace vantorel {

struct MenuPath {
    bool bar = false;
    bool menu = false;
    std::vector<std::size_t> indices;
};

namespace {
const QString kWindows = QStringLiteral("AXWindows");

// Menu elements are parts of no window (id 0), addressed by their place:
// bits 0-7 the bar item, 8-15 the item, 16-23 the submenu's item, each
// counted from 1; kMenuOf marks the menu under an item; kMenuBar the bar.
constexpr quint32 kMenuBarPart = 1u << 31;
constexpr quint32 kMenuOf = 1u << 30;

std::optional<MenuPath> menuPath(const AXElement& e) {
    if (e.kind != AXElement::Kind::Part || e.id != 0)
        return std::nullopt;
    MenuPath path;
    if (e.part == kMenuBarPart) {
        path.bar = true;
        return path;
    }
    path.menu = e.part & kMenuOf;
    for (int shift = 0; shift < 24; shift += 8)
        if (const quint32 n = (e.part >> shift) & 0xff)
            path.indices.push_back(n - 1);
        else
            break;
    if (path.indices.empty())
        return std::nullopt;
    return path;
}

AXElement menuElement(AppHandle app, const std::vector<std::size_t>& indices, bool menu) {
    quint32 part = menu ? kMenuOf : 0;
    for (std::size_t i = 0; i < indices.size(); ++i)
        part |= quint32(indices[i] + 1) << (8 * i);
    return {AXElement::Kind::Part, app, 0, part};
}

// The window with this number among the application's own.
SimWindow* windowOf(SimApp& a, quint64 number) {
    for (auto& w : a.windows)
        if (w.number == number)
            return &w;
    return nullptr;
}
} // namespace

AXRead SimDesktop::copyAttribute(const AXElement& e, const QString& attr) {
    SimApp* a = app(e.app.value);
    if (!a || e.kind == AXElement::Kind::SystemWide)
        return {AXError::InvalidElement, std::nullopt};
    if (a->refusesAccessibility)
        return {AXError::CannotComplete, std::nullopt};
    auto ok = [](AXValue v) { return AXRead{AXError::Success, std::move(v)}; };
    if (e.kind == AXElement::Kind::Application) {
        if (attr == kWindows) {
            std::vector<AXElement> list;
            for (const auto& w : a->windows)
                list.push_back(windowElement(a->info.pid, w.number));
            return ok(list);
        }
        if (attr == QLatin1String("AXFocusedWindow") || attr == QLatin1String("AXMainWindow")) {
            if (!a->focusedWindow)
                return {AXError::NoValue, std::nullopt};
            return ok(windowElement(a->info.pid, *a->focusedWindow));
        }
        if (attr == QLatin1String("AXTitle"))
            return ok(a->info.localizedName);
        if (attr == QLatin1String("AXFrontmost"))
            return ok(a->info.isActive);
        if (attr == QLatin1String("AXHidden"))
            return ok(a->info.isHidden);
        if (attr == AX::kMenuBar && a->menuBar)
            return ok(AXElement{AXElement::Kind::Part, a->info.handle, 0, kMenuBarPart});
        return {AXError::AttributeUnsupported, std::nullopt};
    }
    if (const auto path = menuPath(e))
        return copyMenuAttribute(*a, *path, attr);
    SimWindow* w = windowOf(*a, e.id);
    if (!w)
        return {AXError::InvalidElement, std::nullopt};
    if (e.kind == AXElement::Kind::Part) {
        if (attr == QLatin1String("AXRole"))
            return ok(QStringLiteral("AXButton"));
        if (attr == QLatin1String("AXSubrole"))
            return ok(QStringLiteral("AXCloseButton"));
        return {AXError::AttributeUnsupported, std::nullopt};
    }
    if (attr == QLatin1String("AXTitle"))
        return ok(w->title);
    if (attr == QLatin1String("AXRole"))
        return ok(QStringLiteral("AXWindow"));
    if (attr == QLatin1String("AXSubrole")) {
        if (w->subrole.isEmpty())
            return {AXError::NoValue, std::nullopt};
        return ok(w->subrole);
    }
    if (attr == QLatin1String("AXMinimized"))
        return ok(w->minimized);
    if (attr == QLatin1String("AXFullScreen"))
        return ok(w->fullScreen);
    if (attr == QLatin1String("AXMain") || attr == QLatin1String("AXFocused"))
        return ok(a->focusedWindow == w->number);
    if (attr == QLatin1String("AXPosition"))
        return ok(w->bounds.origin());
    if (attr == QLatin1String("AXSize"))
        return ok(w->bounds.size());
    if (attr == QLatin1String("AXCloseButton"))
        return ok(AXElement{AXElement::Kind::Part, a->info.handle, w->number, 1});
    return {AXError::AttributeUnsupported, std::nullopt};
}

namespace {
const SimMenuItem* menuItemAt(const std::vector<SimMenu>& bar, const std::vector<std::size_t>& indices) {
    if (indices.size() < 2 || indices[0] >= bar.size() || indices[1] >= bar[indices[0]].items.size())
        return nullptr;
    const SimMenuItem* item = &bar[indices[0]].items[indices[1]];
    if (indices.size() > 2) {
        if (indices[2] >= item->submenu.size())
            return nullptr;
        item = &item->submenu[indices[2]];
    }
    return item;
}
} // namespace

AXRead SimDesktop::copyMenuAttribute(const SimApp& a, const MenuPath& path, const QString& attr) {
    auto ok = [](AXValue v) { return AXRead{AXError::Success, std::move(v)}; };
    const AXRead none{AXError::NoValue, std::nullopt};
    if (!a.menuBar)
        return {AXError::InvalidElement, std::nullopt};
    const auto& bar = *a.menuBar;
    const AppHandle app = a.info.handle;
    if (path.bar) {
        if (attr == AX::kRole)
            return ok(QStringLiteral("AXMenuBar"));
        if (attr != AX::kChildren)
            return {AXError::AttributeUnsupported, std::nullopt};
        std::vector<AXElement> items;
        for (std::size_t i = 0; i < bar.size(); ++i)
            items.push_back(menuElement(app, {i}, false));
        return ok(items);
    }
    const std::size_t top = path.indices[0];
    if (top >= bar.size())
        return {AXError::InvalidElement, std::nullopt};
    if (path.indices.size() == 1 && !path.menu) {
        if (attr == AX::kTitle)
            return ok(bar[top].title);
        if (attr == AX::kRole)
            return ok(QStringLiteral("AXMenuBarItem"));
        if (attr == AX::kMenu)
            return ok(menuElement(app, {top}, true));
        if (attr == AX::kChildren)
            return ok(std::vector<AXElement>{menuElement(app, {top}, true)});
        return {AXError::AttributeUnsupported, std::nullopt};
    }
    if (path.menu) {
        if (attr == AX::kRole)
            return ok(QStringLiteral("AXMenu"));
        if (attr != AX::kChildren)
            return {AXError::AttributeUnsupported, std::nullopt};
        std::vector<AXElement> items;
        if (path.indices.size() == 1) {
            if (!bar[top].itemsOnlyWhenOpen || a.openMenu == top)
                for (std::size_t i = 0; i < bar[top].items.size(); ++i)
                    items.push_back(menuElement(app, {top, i}, false));
        } else if (const SimMenuItem* owner = menuItemAt(bar, path.indices)) {
            for (std::size_t i = 0; i < owner->submenu.size(); ++i)
                items.push_back(menuElement(app, {top, path.indices[1], i}, false));
        }
        return ok(items);
    }
    const SimMenuItem* item = menuItemAt(bar, path.indices);
    if (!item)
        return {AXError::InvalidElement, std::nullopt};
    if (attr == AX::kTitle)
        return item->titleReadable ? ok(item->title) : none;
    if (attr == AX::kRole)
        return ok(item->role);
    if (attr == AX::kEnabled)
        return item->enabled ? ok(*item->enabled) : none;
    if (attr == AX::kMenuItemCmdChar)
        return item->cmdChar ? ok(*item->cmdChar) : none;
    if (attr == AX::kMenuItemCmdVirtualKey)
        return item->cmdVirtualKey ? ok(*item->cmdVirtualKey) : none;
    if (attr == AX::kMenuItemCmdModifiers)
        return item->cmdModifiers ? ok(*item->cmdModifiers) : none;
    if (attr == AX::kChildren) {
        if (item->submenu.empty() || path.indices.size() > 2)
            return ok(std::vector<AXElement>{});
        return ok(std::vector<AXElement>{menuElement(app, path.indices, true)});
    }
    return {AXError::AttributeUnsupported, std::nullopt};
}

AXError SimDesktop::performMenuAction(SimApp& a, const MenuPath& path, const QString& action) {
    if (!a.menuBar || path.bar)
        return AXError::ActionUnsupported;
    auto& bar = *a.menuBar;
    const std::size_t top = path.indices[0];
    if (top >= bar.size())
        return AXError::InvalidElement;
    const QString where = QStringLiteral("%1 %2:%3").arg(action).arg(a.info.pid).arg(bar[top].title);
    if (path.indices.size() == 1) {
        if (!path.menu && action == AX::kPress) {
            axJournal << where;
            a.openMenu = top;
            return AXError::Success;
        }
        if (path.menu && action == AX::kCancel) {
            axJournal << where;
            if (a.openMenu == top)
                a.openMenu.reset();
            return AXError::Success;
        }
        return AXError::ActionUnsupported;
    }
    const SimMenuItem* item = menuItemAt(bar, path.indices);
    if (!item || path.menu)
        return AXError::InvalidElement;
    if (action != AX::kPress)
        return AXError::ActionUnsupported;
    axJournal << where + u'>' + item->title;
    if (item->enabled == false)
        return AXError::CannotComplete;
    // Choosing an item closes the open menu.
    a.openMenu.reset();
    if (item->onPress)
        item->onPress();
    return AXError::Success;
}

AXError SimDesktop::setAttribute(const AXElement& e, const QString& attr, const AXValue& value) {
    SimApp* a = app(e.app.value);
    if (!a || e.kind == AXElement::Kind::SystemWide)
        return AXError::InvalidElement;
    if (a->refusesAccessibility)
        return AXError::CannotComplete;
    const qint64 pid = a->info.pid;
    // A window given as the value is written as its number: "AXFocusedWindow=101 2000:0".
    QString written = QStringLiteral("value");
    if (const bool* flag = std::get_if<bool>(&value))
        written = *flag ? QStringLiteral("true") : QStringLiteral("false");
    else if (const AXElement* element = std::get_if<AXElement>(&value))
        written = QString::number(element->id);
    axJournal << QStringLiteral("%1=%2 %3:%4").arg(attr, written).arg(pid).arg(e.id);
    if (e.kind == AXElement::Kind::Application) {
        if (attr == QLatin1String("AXFrontmost") && std::holds_alternative<bool>(value)) {
            if (std::get<bool>(value) && !a->refusesActivation)
                activate(pid);
            return AXError::Success;
        }
        if (attr == QLatin1String("AXFocusedWindow") && std::holds_alternative<AXElement>(value)) {
            const AXElement& window = std::get<AXElement>(value);
            if (window.kind != AXElement::Kind::Window || window.app != e.app || !windowOf(*a, window.id))
                return AXError::IllegalArgument;
            a->focusedWindow = static_cast<quint32>(window.id);
            return AXError::Success;
        }
        return AXError::AttributeUnsupported;
    }
    SimWindow* w = windowOf(*a, e.id);
    if (!w)
        return AXError::InvalidElement;
    if (attr == QLatin1String("AXMinimized") && std::holds_alternative<bool>(value)) {
        w->minimized = std::get<bool>(value);
        w->onScreen = !w->minimized;
        return AXError::Success;
    }
    if (attr == QLatin1String("AXFullScreen") && std::holds_alternative<bool>(value)) {
        w->fullScreen = std::get<bool>(value);
        return AXError::Success;
    }
    if ((attr == QLatin1String("AXMain") || attr == QLatin1String("AXFocused")) && std::holds_alternative<bool>(value)) {
        if (std::get<bool>(value))
            a->focusedWindow = w->number;
        return AXError::Success;
    }
    if (attr == QLatin1String("AXPosition") && std::holds_alternative<Point>(value)) {
        const Point p = std::get<Point>(value);
        w->bounds.x = p.x;
        w->bounds.y = p.y;
        return AXError::Success;
    }
    if (attr == QLatin1String("AXSize") && std::holds_alternative<Size>(value)) {
        const Size sz = std::get<Size>(value);
        w->bounds.width = sz.width;
        w->bounds.height = sz.height;
        return AXError::Success;
    }
    return AXError::AttributeUnsupported;
}

AXError SimDesktop::performAction(const AXElement& e, const QString& action) {
    SimApp* a = app(e.app.value);
    if (!a || e.kind == AXElement::Kind::SystemWide)
        return AXError::InvalidElement;
    if (a->refusesAccessibility)
        return AXError::CannotComplete;
    if (const auto path = menuPath(e))
        return performMenuAction(*a, *path, action);
    const quint32 number = static_cast<quint32>(e.id);
    SimWindow* w = windowOf(*a, number);
    if (!w)
        return AXError::InvalidElement;
    axJournal << QStringLiteral("%1 %2:%3").arg(action).arg(a->info.pid).arg(number);
    if (e.kind == AXElement::Kind::Part && action == QLatin1String("AXPress")) {
        closeWindow(number);
        return AXError::Success;
    }
    if (e.kind == AXElement::Kind::Window && action == QLatin1String("AXRaise")) {
        // Raising moves the window to the front of its application's list.
        auto it = std::find_if(a->windows.begin(), a->windows.end(),
                               [number](const SimWindow& x) { return x.number == number; });
        std::rotate(a->windows.begin(), it, it + 1);
        a->focusedWindow = number;
        return AXError::Success;
    }
    return AXError::ActionUnsupported;
}

std::optional<quint32> SimDesktop::windowNumber(const AXElement& e) {
    SimApp* a = e.kind == AXElement::Kind::Window ? app(e.app.value) : nullptr;
    const SimWindow* w = a ? windowOf(*a, e.id) : nullptr;
    if (!w || !w->numberReadable)
        return std::nullopt;
    return static_cast<quint32>(e.id);
}

} // namespace vantorel
