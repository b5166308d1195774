#include "platform/x11/X11Workspace.h"

#include "core/Log.h"
#include "platform/common/LetterIcon.h"
#include "platform/x11/AppMatcher.h"
#include "platform/x11/DesktopEntryIndex.h"
#include "platform/x11/DesktopIconLookup.h"
#include "platform/x11/MenuApplications.h"
#include "platform/x11/MimeDefaults.h"
#include "platform/x11/X11Launcher.h"
#include "platform/x11/X11UserTime.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDateTime>
#include <QFileInfo>
#include <QImage>
#include <QMimeDatabase>
#include <QPixmap>
#include <QProcess>
#include <QUrl>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb_icccm.h>

namespace vantorel {

namespace {
constexpr uint32_t kSourcePager = 2; // requests from a taskbar or pager

// Links into the system settings of another platform open the desktop's settings application.
bool isSystemSettingsLink(const QString& url) { return url.startsWith(QLatin1String("x-apple.systempreferences:")); }
} // namespace

X11Workspace::X11Workspace(X11WindowTracker& tracker, DesktopEntryIndex& index, AppMatcher& matcher, MimeDefaults& mime,
                           DesktopIconLookup& icons, X11Launcher& launcher, const X11UserTime& userTime, qint64 ownPid,
                           QObject* parent)
    : Workspace(parent), tracker_(tracker), index_(index), matcher_(matcher), mime_(mime), icons_(icons),
      launcher_(launcher), userTime_(userTime), ownPid_(ownPid) {
    connect(&tracker_, &X11WindowTracker::changed, this, &X11Workspace::rebuild);
    connect(&tracker_, &X11WindowTracker::windowRemoved, this, [this](xcb_window_t id) {
        windowApp_.erase(id);
        windowIcons_.erase(id);
        expected_.erase(id);
    });
    connect(&tracker_, &X11WindowTracker::windowIconChanged, this, [this](xcb_window_t id) { windowIcons_.erase(id); });
    lastDesktop_ = tracker_.currentDesktop();
    rebuild();
}

namespace {
bool reportedMinimized(X11WindowTracker& tracker, const X11Window& w) {
    return w.iconic || w.hasState(tracker.connection().ewmh()->_NET_WM_STATE_HIDDEN);
}
// How long a request may stay unanswered before the window's own state counts again.
constexpr std::chrono::milliseconds kExpectationLifetime{1000};
} // namespace

bool X11Workspace::isMinimized(const X11Window& w) const {
    if (auto it = expected_.find(w.id); it != expected_.end() && std::chrono::steady_clock::now() < it->second.until)
        return it->second.minimized;
    return reportedMinimized(tracker_, w);
}

void X11Workspace::expectMinimized(xcb_window_t window, bool minimized) {
    expected_[window] = {minimized, std::chrono::steady_clock::now() + kExpectationLifetime};
    // What reads as minimised changes now, and again if the window manager never answers.
    ++revision_;
    scheduleExpiryCheck();
}

void X11Workspace::scheduleExpiryCheck() {
    if (expected_.empty() || expiryCheck_.isActive())
        return;
    auto earliest = std::chrono::steady_clock::time_point::max();
    for (const auto& [id, e] : expected_)
        earliest = std::min(earliest, e.until);
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(earliest - std::chrono::steady_clock::now());
    expiryCheck_ = tracker_.scheduler().after(std::max(wait, std::chrono::milliseconds(0)) + std::chrono::milliseconds(20),
                                              this, [this] { rebuild(); });
}

bool X11Workspace::skipsTaskbar(const X11Window& w) const {
    return w.hasState(tracker_.connection().ewmh()->_NET_WM_STATE_SKIP_TASKBAR);
}

bool X11Workspace::isNormalWindow(const X11Window& w) const {
    auto* e = tracker_.connection().ewmh();
    if (w.types.empty())
        return w.transientFor == 0;
    return w.hasType(e->_NET_WM_WINDOW_TYPE_NORMAL);
}

std::optional<QString> X11Workspace::desktopIdFor(const X11Window& w) {
    auto cached = windowApp_.find(w.id);
    if (cached != windowApp_.end())
        return cached->second;
    WindowFacts facts;
    facts.applicationId = w.applicationId;
    facts.wmClassInstance = w.wmInstance;
    facts.wmClassClass = w.wmClass;
    if (w.pid) {
        auto p = processFacts_.find(*w.pid);
        if (p == processFacts_.end()) {
            WindowFacts proc;
            AppMatcher::readProcess(*w.pid, proc);
            p = processFacts_.insert(*w.pid, ProcessFacts{proc.executablePath, proc.commandLine});
        }
        facts.executablePath = p->executablePath;
        facts.commandLine = p->commandLine;
    }
    auto id = matcher_.desktopIdFor(facts);
    // Class or application id can still arrive after the window maps; only a match is final.
    if (id)
        windowApp_[w.id] = id;
    return id;
}

void X11Workspace::rebuild() {
    ++revision_;
    correctPlacements();
    index_.refresh();
    auto* e = tracker_.connection().ewmh();
    const auto now = std::chrono::steady_clock::now();
    for (auto it = expected_.begin(); it != expected_.end();) {
        const X11Window* w = tracker_.window(it->first);
        const bool settled = !w || now >= it->second.until || reportedMinimized(tracker_, *w) == it->second.minimized;
        it = settled ? expected_.erase(it) : std::next(it);
    }
    scheduleExpiryCheck();

    // Applications are created in the order their first window mapped, and
    // keep their place from then on; their windows stay front to back.
    const auto& stacking = tracker_.stacking();
    std::unordered_map<xcb_window_t, std::size_t> depth; // higher is nearer the front
    for (std::size_t i = 0; i < stacking.size(); ++i)
        depth[stacking[i]] = i;
    std::unordered_map<xcb_window_t, std::size_t> age;
    const auto& mapping = tracker_.mappingOrder();
    for (std::size_t i = 0; i < mapping.size(); ++i)
        age.emplace(mapping[i], i);
    std::vector<xcb_window_t> ordered(stacking.begin(), stacking.end());
    std::stable_sort(ordered.begin(), ordered.end(), [&](xcb_window_t a, xcb_window_t b) {
        const auto ia = age.find(a), ib = age.find(b);
        const std::size_t na = ia == age.end() ? SIZE_MAX : ia->second, nb = ib == age.end() ? SIZE_MAX : ib->second;
        return na < nb;
    });

    std::vector<X11AppGroup> groups;
    QHash<QString, int> byKey;
    std::set<qint64> livePids;
    for (xcb_window_t id : ordered) {
        const X11Window* w = tracker_.window(id);
        if (!w || w->hasType(e->_NET_WM_WINDOW_TYPE_DOCK) || w->hasType(e->_NET_WM_WINDOW_TYPE_DESKTOP))
            continue;
        if (w->pid)
            livePids.insert(*w->pid);
        const auto desktopId = desktopIdFor(*w);
        QString key;
        if (desktopId)
            key = *desktopId;
        else if (w->pid)
            key = QStringLiteral("pid:%1").arg(*w->pid);
        else
            key = QStringLiteral("window:%1").arg(w->id);
        int at = byKey.value(key, -1);
        if (at < 0) {
            at = static_cast<int>(groups.size());
            byKey.insert(key, at);
            X11AppGroup g;
            g.key = key;
            g.desktopId = desktopId;
            auto known = handles_.constFind(key);
            g.info.handle = known != handles_.constEnd() ? *known : AppHandle{nextHandle_++};
            groups.push_back(g);
        }
        X11AppGroup& g = groups[at];
        g.windows.push_back(w->id);
        if (w->pid && std::find(g.pids.begin(), g.pids.end(), *w->pid) == g.pids.end())
            g.pids.push_back(*w->pid);
    }
    std::sort(groups.begin(), groups.end(),
              [](const X11AppGroup& a, const X11AppGroup& b) { return a.info.handle < b.info.handle; });
    handles_.clear();
    for (auto& g : groups) {
        handles_.insert(g.key, g.info.handle);
        std::sort(g.windows.begin(), g.windows.end(),
                  [&](xcb_window_t a, xcb_window_t b) { return depth[a] > depth[b]; });
    }
    // Facts of processes that no longer have a window go with them.
    for (auto it = processFacts_.begin(); it != processFacts_.end();)
        it = livePids.count(it.key()) ? std::next(it) : processFacts_.erase(it);

    const xcb_window_t active = tracker_.activeWindow();
    for (auto& g : groups) {
        std::sort(g.pids.begin(), g.pids.end()); // the oldest process stands for the group
        RunningApplication& a = g.info;
        a.pid = g.pids.empty() ? -static_cast<qint64>(g.windows.front()) : g.pids.front();
        a.bundleIdentifier = g.desktopId;
        const DesktopEntry* entry = g.desktopId ? index_.find(*g.desktopId) : nullptr;
        const X11Window* first = tracker_.window(g.windows.front());
        const ProcessFacts facts = processFacts_.value(a.pid);
        a.executablePath = facts.executablePath;
        a.bundlePath = entry ? entry->filePath() : QString();
        if (entry && !entry->name().isEmpty())
            a.localizedName = entry->name();
        else if (first && !first->wmClass.isEmpty())
            a.localizedName = first->wmClass;
        else if (!facts.executablePath.isEmpty())
            a.localizedName = QFileInfo(facts.executablePath).fileName();
        else
            a.localizedName = first ? first->title : QString();
        bool regular = false, allMinimized = true, isActive = false;
        for (xcb_window_t id : g.windows) {
            const X11Window* w = tracker_.window(id);
            if (!w)
                continue;
            regular = regular || (isNormalWindow(*w) && !skipsTaskbar(*w));
            allMinimized = allMinimized && isMinimized(*w);
            isActive = isActive || id == active;
        }
        a.activationPolicy = regular ? ActivationPolicy::Regular : ActivationPolicy::Accessory;
        a.isActive = isActive;
        a.isHidden = allMinimized;
        a.isTerminated = false;
    }

    // Announce what changed, as the workspace notices do.
    std::vector<X11AppGroup> before = std::move(groups_);
    groups_ = std::move(groups);
    auto find = [](const std::vector<X11AppGroup>& list, const QString& key) -> const X11AppGroup* {
        for (const auto& g : list)
            if (g.key == key)
                return &g;
        return nullptr;
    };
    for (const auto& old : before)
        if (!find(groups_, old.key))
            Q_EMIT applicationTerminated(old.info.handle);
    for (const auto& g : groups_) {
        const X11AppGroup* old = find(before, g.key);
        if (!old) {
            Q_EMIT applicationLaunched(g.info.handle);
            if (g.info.isActive)
                Q_EMIT applicationActivated(g.info.handle);
            continue;
        }
        if (old->info.isActive != g.info.isActive) {
            if (g.info.isActive)
                Q_EMIT applicationActivated(g.info.handle);
            else
                Q_EMIT applicationDeactivated(g.info.handle);
        }
        if (old->info.isHidden != g.info.isHidden) {
            if (g.info.isHidden)
                Q_EMIT applicationHidden(g.info.handle);
            else
                Q_EMIT applicationUnhidden(g.info.handle);
        }
    }
    if (tracker_.currentDesktop() != lastDesktop_) {
        lastDesktop_ = tracker_.currentDesktop();
        Q_EMIT activeSpaceChanged();
    }
}

std::vector<RunningApplication> X11Workspace::runningApplications() const {
    std::vector<RunningApplication> out;
    out.reserve(groups_.size());
    for (const auto& g : groups_)
        out.push_back(g.info);
    return out;
}

std::optional<RunningApplication> X11Workspace::frontmostApplication() const {
    for (const auto& g : groups_)
        if (g.info.isActive)
            return g.info;
    return std::nullopt;
}

const X11AppGroup* X11Workspace::group(AppHandle app) const {
    for (const auto& g : groups_)
        if (g.info.handle == app)
            return &g;
    return nullptr;
}

std::optional<AppHandle> X11Workspace::currentApplication() const {
    // Our own windows, other than the panels, which belong to no application.
    for (const auto& g : groups_)
        for (xcb_window_t id : g.windows)
            if (const X11Window* w = tracker_.window(id); w && w->clientPid == ownPid_)
                return g.info.handle;
    return std::nullopt;
}

QString X11Workspace::applicationDisplayName(const QString& bundleIdentifier) const {
    if (const DesktopEntry* entry = index_.find(bundleIdentifier); entry && !entry->name().isEmpty())
        return entry->name();
    // Not installed: the last part of the desktop-file id ("org.example.TextEditor.desktop").
    QString id = bundleIdentifier;
    if (id.endsWith(QLatin1String(".desktop")))
        id.chop(8);
    return id.section(u'.', -1);
}

const X11AppGroup* X11Workspace::groupForWindow(xcb_window_t window) const {
    for (const auto& g : groups_)
        if (std::find(g.windows.begin(), g.windows.end(), window) != g.windows.end())
            return &g;
    return nullptr;
}

std::optional<QString> X11Workspace::applicationLocation(const QString& bundleIdentifier) const {
    if (const DesktopEntry* entry = index_.find(bundleIdentifier))
        return entry->filePath();
    return std::nullopt;
}

bool X11Workspace::openUrl(const QString& url) {
    if (isSystemSettingsLink(url)) {
        for (const auto& id : MimeDefaults::knownSettingsApplications())
            if (index_.find(id))
                return openApplication(id);
        return false;
    }
    const QUrl parsed(url);
    if (!parsed.isValid() || parsed.scheme().isEmpty())
        return false;
    // An argument list, never a shell: the URL cannot become a command.
    return QProcess::startDetached(QStringLiteral("xdg-open"), {parsed.toString(QUrl::FullyEncoded)});
}

bool X11Workspace::openApplication(const QString& bundleIdentifier) {
    const DesktopEntry* entry = index_.find(bundleIdentifier);
    return entry && launcher_.launch(bundleIdentifier, *entry);
}

std::vector<InstalledApplication> X11Workspace::installedApplications() const {
    // Only folders that changed are read again.
    index_.refresh();
    return menuApplications(index_, MimeDefaults::currentDesktopsFromEnvironment());
}

bool X11Workspace::openApplicationAt(const QString& location) {
    const QString id = index_.idForPath(location);
    const DesktopEntry* entry = id.isEmpty() ? nullptr : index_.find(id);
    if (!entry)
        return false;
    return launcher_.launch(id, *entry);
}

bool X11Workspace::revealInFileBrowser(const QString& path) {
    const QFileInfo file(path);
    if (!file.exists())
        return false;
    const QString folder = file.absolutePath();
    auto call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file.absoluteFilePath()).toString(QUrl::FullyEncoded)} << QString();
    // Asynchronous: a file manager started by D-Bus activation may take a while to answer.
    auto* watcher = new QDBusPendingCallWatcher(launcher_.bus().asyncCall(call), this);
    // Without a file manager on the bus, the containing folder opens instead.
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, folder] {
        watcher->deleteLater();
        if (watcher->isError()) {
            Log::app().info(QStringLiteral("No file manager answers on D-Bus (%1); opening the folder")
                                .arg(watcher->error().message()));
            openUrl(QUrl::fromLocalFile(folder).toString());
        }
    });
    return true;
}

void X11Workspace::requestActivate(xcb_window_t window) {
    expectMinimized(window, false);
    auto* e = tracker_.connection().ewmh();
    // With the time of the click that asked for it: window managers that
    // prevent focus stealing refuse an activation without a recent user time.
    xcb_ewmh_request_change_active_window(e, 0, window, static_cast<xcb_ewmh_client_source_type_t>(kSourcePager),
                                          userTime_.last(), XCB_NONE);
    tracker_.connection().flush();
}

void X11Workspace::requestIconify(xcb_window_t window) {
    expectMinimized(window, true);
    auto& x = tracker_.connection();
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = window;
    ev.type = x.atoms().WM_CHANGE_STATE;
    ev.data.data32[0] = XCB_ICCCM_WM_STATE_ICONIC;
    xcb_send_event(x.connection(), 0, x.root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    x.flush();
}

void X11Workspace::requestClose(xcb_window_t window) {
    xcb_ewmh_request_close_window(tracker_.connection().ewmh(), 0, window, XCB_CURRENT_TIME,
                                  static_cast<xcb_ewmh_client_source_type_t>(kSourcePager));
    tracker_.connection().flush();
}

void X11Workspace::requestFullScreen(xcb_window_t window, bool on) {
    auto* e = tracker_.connection().ewmh();
    xcb_ewmh_request_change_wm_state(e, 0, window, on ? XCB_EWMH_WM_STATE_ADD : XCB_EWMH_WM_STATE_REMOVE,
                                     e->_NET_WM_STATE_FULLSCREEN, 0,
                                     static_cast<xcb_ewmh_client_source_type_t>(kSourcePager));
    tracker_.connection().flush();
}

void X11Workspace::requestMoveResize(xcb_window_t window, std::optional<QPoint> frameTopLeft,
                                     std::optional<QSize> frameSize) {
    const X11Window* w = tracker_.window(window);
    if (!w)
        return;
    const QPoint target = frameTopLeft.value_or(w->frame().topLeft());
    std::optional<QSize> client;
    if (frameSize)
        client = QSize(std::max(1, frameSize->width() - static_cast<int>(w->extentLeft + w->extentRight)),
                       std::max(1, frameSize->height() - static_cast<int>(w->extentTop + w->extentBottom)));
    placements_[window] = PendingPlacement{target, w->frame(), QDateTime::currentMSecsSinceEpoch(), 0};
    sendMoveResize(window, target, client);
}

void X11Workspace::sendMoveResize(xcb_window_t window, QPoint frameTopLeft, std::optional<QSize> clientSize) {
    auto* e = tracker_.connection().ewmh();
    // North-west gravity: the position is the frame's outer corner, the size the client's.
    uint32_t flags = XCB_EWMH_MOVERESIZE_WINDOW_X | XCB_EWMH_MOVERESIZE_WINDOW_Y;
    if (clientSize)
        flags |= XCB_EWMH_MOVERESIZE_WINDOW_WIDTH | XCB_EWMH_MOVERESIZE_WINDOW_HEIGHT;
    xcb_ewmh_request_moveresize_window(e, 0, window, XCB_GRAVITY_NORTH_WEST, XCB_EWMH_CLIENT_SOURCE_TYPE_NORMAL,
                                       static_cast<xcb_ewmh_moveresize_window_opt_flags_t>(flags), frameTopLeft.x(),
                                       frameTopLeft.y(), clientSize ? clientSize->width() : 0,
                                       clientSize ? clientSize->height() : 0);
    tracker_.connection().flush();
}

void X11Workspace::correctPlacements() {
    for (auto it = placements_.begin(); it != placements_.end();) {
        const X11Window* w = tracker_.window(it->first);
        if (!w) {
            it = placements_.erase(it);
            continue;
        }
        const bool expired = QDateTime::currentMSecsSinceEpoch() - it->second.askedAtMs > 2000;
        if (w->frame() == it->second.frameWhenAsked && !expired) {
            ++it;
            continue;
        }
        const QPoint off = w->frame().topLeft() - it->second.frameTopLeft;
        if (off.isNull() || expired || it->second.corrections >= 2 || off.manhattanLength() > 64) {
            // Done, or the window manager placed it elsewhere on purpose (a constraint).
            it = placements_.erase(it);
            continue;
        }
        ++it->second.corrections;
        it->second.frameWhenAsked = w->frame();
        sendMoveResize(it->first, it->second.frameTopLeft - off, std::nullopt);
        ++it;
    }
}

bool X11Workspace::hide(AppHandle app) {
    const X11AppGroup* g = group(app);
    if (!g)
        return false;
    for (xcb_window_t id : g->windows)
        if (const X11Window* w = tracker_.window(id); w && !isMinimized(*w))
            requestIconify(id);
    return true;
}

bool X11Workspace::unhide(AppHandle app) {
    const X11AppGroup* g = group(app);
    if (!g)
        return false;
    // Back to front, so that the front window ends up on top again.
    for (auto it = g->windows.rbegin(); it != g->windows.rend(); ++it)
        if (const X11Window* w = tracker_.window(*it); w && isMinimized(*w))
            requestActivate(*it);
    return true;
}

bool X11Workspace::activate(AppHandle app, bool allWindows) {
    const X11AppGroup* g = group(app);
    if (!g || g->windows.empty())
        return false;
    if (allWindows) {
        for (auto it = g->windows.rbegin(); it != g->windows.rend(); ++it)
            if (const X11Window* w = tracker_.window(*it); w && !isMinimized(*w))
                requestActivate(*it);
    }
    requestActivate(g->windows.front());
    return true;
}

namespace {
// A process of this user (never another user's, even when we could signal it).
bool ownedByUs(qint64 pid) {
    struct stat st {};
    const QByteArray path = "/proc/" + QByteArray::number(pid);
    return ::stat(path.constData(), &st) == 0 && st.st_uid == ::getuid();
}
} // namespace

bool X11Workspace::signalGroup(AppHandle app, int sig) {
    const X11AppGroup* g = group(app);
    if (!g)
        return false;
    // Only processes that really hold one of the group's windows: _NET_WM_PID
    // is the window's own claim, and any window can name any process.
    std::set<qint64> targets;
    for (xcb_window_t id : g->windows)
        if (const X11Window* w = tracker_.window(id); w && w->clientPid)
            targets.insert(*w->clientPid);
    bool any = false;
    for (qint64 pid : targets) {
        if (pid <= 1 || pid == ownPid_)
            continue;
        if (!ownedByUs(pid)) {
            Log::app().error(
                QStringLiteral("Not signalling process %1 of %2: it belongs to another user").arg(pid).arg(g->key));
            continue;
        }
        any = ::kill(static_cast<pid_t>(pid), sig) == 0 || any;
    }
    if (!any)
        Log::app().info(QStringLiteral("No process of %1 could be signalled").arg(g->key));
    return any;
}

bool X11Workspace::terminate(AppHandle app) {
    const X11AppGroup* g = group(app);
    if (!g)
        return false;
    // Each window is asked to close, as its own close button does: the
    // application may ask to save first, or refuse. SIGTERM, which nobody can
    // answer, is left for an application without a window to ask.
    bool asked = false;
    for (xcb_window_t id : g->windows)
        if (tracker_.window(id)) {
            requestClose(id);
            asked = true;
        }
    return asked || signalGroup(app, SIGTERM);
}

bool X11Workspace::forceTerminate(AppHandle app) {
    return signalGroup(app, SIGKILL);
}

QIcon X11Workspace::windowIcon(xcb_window_t window) const {
    auto cached = windowIcons_.find(window);
    if (cached != windowIcons_.end())
        return cached->second;
    auto& x = tracker_.connection();
    QIcon icon;
    auto reply = xreply(xcb_get_property_reply(
        x.connection(), xcb_get_property(x.connection(), 0, window, x.atoms().NET_WM_ICON, XCB_ATOM_CARDINAL, 0, 1 << 20),
        nullptr));
    if (reply && reply->format == 32) {
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        const int count = xcb_get_property_value_length(reply.get()) / 4;
        // Several images one after the other: width, height, then ARGB pixels.
        for (int i = 0; i + 2 <= count;) {
            const uint32_t w = data[i], h = data[i + 1];
            if (w == 0 || h == 0 || w > 1024 || h > 1024 || static_cast<qint64>(w) * h > count - i - 2)
                break;
            QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_ARGB32);
            for (uint32_t y = 0; y < h; ++y)
                std::memcpy(image.scanLine(static_cast<int>(y)), data + i + 2 + y * w, w * 4);
            icon.addPixmap(QPixmap::fromImage(image));
            i += 2 + static_cast<int>(w * h);
        }
    }
    windowIcons_[window] = icon;
    return icon;
}

QIcon X11Workspace::icon(const RunningApplication& application) const {
    if (application.bundleIdentifier)
        if (const DesktopEntry* entry = index_.find(*application.bundleIdentifier)) {
            QIcon fromEntry = icons_.iconFor(*entry);
            if (!fromEntry.isNull())
                return fromEntry;
        }
    if (const X11AppGroup* g = group(application.handle))
        for (xcb_window_t id : g->windows) {
            QIcon fromWindow = windowIcon(id);
            if (!fromWindow.isNull())
                return fromWindow;
        }
    auto drawn = letterIcons_.constFind(application.localizedName);
    if (drawn == letterIcons_.constEnd())
        drawn = letterIcons_.insert(application.localizedName, letterIcon(application.localizedName));
    return *drawn;
}

QIcon X11Workspace::iconForFile(const QString& path) const {
    const QString id = index_.idForPath(path);
    if (!id.isEmpty())
        if (const DesktopEntry* entry = index_.find(id))
            return icons_.iconFor(*entry);
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    return QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
}

std::vector<DesktopAction> X11Workspace::applicationActions(AppHandle app) const {
    const X11AppGroup* g = group(app);
    const DesktopEntry* entry = g && g->desktopId ? index_.find(*g->desktopId) : nullptr;
    return entry ? entry->actions() : std::vector<DesktopAction>{};
}

bool X11Workspace::launchAction(AppHandle app, const QString& actionId) {
    const X11AppGroup* g = group(app);
    const DesktopEntry* entry = g && g->desktopId ? index_.find(*g->desktopId) : nullptr;
    const auto action = entry ? entry->forAction(actionId) : std::nullopt;
    return action && launcher_.launch(*g->desktopId, *action);
}

QString X11Workspace::fileBrowserIdentifier() const { return mime_.fileBrowserIdentifier(); }

QString X11Workspace::fileBrowserName() const {
    if (const DesktopEntry* entry = index_.find(fileBrowserIdentifier()); entry && !entry->name().isEmpty())
        return entry->name();
    return QStringLiteral("File Manager");
}

QStringList X11Workspace::defaultPinnedCandidates() const { return mime_.defaultPinnedCandidates(); }

} // namespace vantorel
