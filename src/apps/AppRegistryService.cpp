#include "apps/AppRegistryService.h"

#include "app/PersistenceService.h"
#include "app/SettingsService.h"
#include "core/Scheduler.h"
#include "platform/Accessibility.h"
#include "platform/BundleInfo.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"

#include <algorithm>

namespace vantorel {

namespace {

QString lastPathComponent(QString path) {
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path.section(u'/', -1);
}
} // namespace

AppRegistryService::AppRegistryService(const Platform& platform, PersistenceService& persistence,
                                       const SettingsService& settings, Scheduler& scheduler, QObject* parent)
    : QObject(parent), platform_(platform), persistence_(persistence), settings_(settings), scheduler_(scheduler) {
    // A stored empty list stays empty; the defaults are written only with the first change.
    pinnedBundleIds_ = persistence_.loadPinnedApps().value_or(persistence_.defaultPinnedApps());
    observeWorkspace();
}

AppRegistryService::~AppRegistryService() {
    for (auto& c : observers_)
        disconnect(c);
}

void AppRegistryService::observeWorkspace() {
    Workspace* ws = platform_.workspace;
    auto publishNow = [this] { publish(); };
    observers_.push_back(connect(ws, &Workspace::applicationLaunched, this, [this](AppHandle launched) {
        forgetCaches(launched);
        publish();
    }));
    observers_.push_back(connect(ws, &Workspace::applicationTerminated, this, [this] {
        publish();
        // The workspace may still list a quitting application at the first publish.
        scheduler_.after(500ms, this, [this] { publish(); });
    }));
    observers_.push_back(connect(ws, &Workspace::applicationActivated, this, publishNow));
    observers_.push_back(connect(ws, &Workspace::applicationDeactivated, this, publishNow));
    observers_.push_back(connect(ws, &Workspace::applicationHidden, this, publishNow));
    observers_.push_back(connect(ws, &Workspace::applicationUnhidden, this, publishNow));
    observers_.push_back(connect(ws, &Workspace::activeSpaceChanged, this, publishNow));
    observers_.push_back(connect(ws, &Workspace::didWake, this, publishNow));
    observers_.push_back(connect(ws, &Workspace::screensDidWake, this, publishNow));
    observers_.push_back(connect(ws, &Workspace::sessionDidBecomeActive, this, publishNow));
}

void AppRegistryService::forgetCaches(AppHandle launched) {
    // A relaunched application may have moved or changed its icon.
    for (const auto& app : platform_.workspace->runningApplications()) {
        if (app.handle != launched)
            continue;
        if (app.bundleIdentifier) {
            iconCache_.remove(*app.bundleIdentifier);
            urlCache_.remove(*app.bundleIdentifier);
        }
        return;
    }
}

void AppRegistryService::publish() {
    if (!onEntriesChanged)
        return;
    publishedRevision_ = platform_.workspace->stateRevision();
    onEntriesChanged(buildEntries());
}

void AppRegistryService::refresh() {
    const auto revision = platform_.workspace->stateRevision();
    if (revision && revision == publishedRevision_)
        return;
    publish();
}

std::vector<AppEntry> AppRegistryService::buildEntries() {
    Workspace& ws = *platform_.workspace;
    std::vector<RunningApplication> candidates = ws.runningApplications();
    std::erase_if(candidates, [](const RunningApplication& a) {
        return a.activationPolicy != ActivationPolicy::Regular || a.isTerminated;
    });

    const bool trusted = platform_.accessibility && platform_.accessibility->isProcessTrusted(false);
    const QString fileBrowser = ws.fileBrowserIdentifier();
    // This program as an application of its own is listed like any other
    // while it shows an ordinary window (the settings window): the desktop
    // then calls it regular. Its panels and popups never make it one.
    const auto own = platform_.bundle ? platform_.bundle->identifier() : std::nullopt;
    // At most one real-window probe per build: it asks another process.
    std::optional<bool> fileBrowserHasWindow;
    auto fileBrowserShown = [&](const RunningApplication& app) {
        if (!fileBrowserHasWindow)
            fileBrowserHasWindow = hasRealWindow(app, trusted);
        return *fileBrowserHasWindow;
    };

    std::vector<AppEntry> entries;
    entries.reserve(pinnedBundleIds_.size() + candidates.size());

    for (const QString& b : pinnedBundleIds_) {
        const RunningApplication* app = nullptr;
        for (const auto& c : candidates)
            if (c.bundleIdentifier == b) {
                app = &c;
                break;
            }
        AppEntry e;
        e.bundleId = b;
        e.name = app && !app->localizedName.isEmpty() ? app->localizedName : nameForBundleId(b);
        e.icon = iconForBundleId(b, app);
        e.isPinned = true;
        e.isRunning = app && !(b == fileBrowser && !fileBrowserShown(*app));
        e.isActive = app && app->isActive && e.isRunning;
        if (app) {
            e.pid = app->pid;
            e.runningApp = *app;
        }
        entries.push_back(std::move(e));
    }

    for (const auto& app : candidates) {
        const QString b = app.bundleIdentifier.value_or(kPidPrefix + QString::number(app.pid));
        if (pinnedBundleIds_.contains(b))
            continue;
        if (own && b == *own)
            continue;
        if (b == fileBrowser && !fileBrowserShown(app))
            continue;
        AppEntry e;
        e.bundleId = b;
        if (!app.localizedName.isEmpty())
            e.name = app.localizedName;
        else if (const QString exe = lastPathComponent(app.executablePath); !exe.isEmpty())
            e.name = exe;
        else
            e.name = b;
        e.icon = ws.icon(app);
        e.isRunning = true;
        e.isActive = app.isActive;
        e.pid = app.pid;
        e.runningApp = app;
        entries.push_back(std::move(e));
    }

    if (!settings_.current().combineWindowsByApp && trusted)
        expandIntoWindows(entries);
    return entries;
}

void AppRegistryService::expandIntoWindows(std::vector<AppEntry>& entries) {
    const auto focused = focusedWindowNumber();
    std::vector<AppEntry> out;
    out.reserve(entries.size() * 2);
    for (auto& entry : entries) {
        if (!entry.runningApp) {
            out.push_back(std::move(entry));
            continue;
        }
        const auto windows = standardWindows(entry.runningApp->handle);
        if (windows.empty()) {
            out.push_back(std::move(entry));
            continue;
        }
        for (const auto& w : windows) {
            AppEntry copy = entry;
            copy.windowID = w.id;
            copy.windowTitle = w.title.isEmpty() ? entry.name : w.title;
            copy.isMinimized = w.isMinimized;
            copy.isActive = entry.isActive && focused && *focused == w.id;
            out.push_back(std::move(copy));
        }
    }
    entries = std::move(out);
}

std::optional<std::vector<WindowInfo>> readStandardWindows(Accessibility& ax, AppHandle app) {
    const auto list = ax.copyAttribute(ax.applicationElement(app), AX::kWindows).as<std::vector<AXElement>>();
    if (!list)
        return std::nullopt;
    std::vector<WindowInfo> out;
    for (const auto& w : *list) {
        const auto number = ax.windowNumber(w);
        if (!number || *number == 0)
            continue;
        if (ax.copyAttribute(w, AX::kSubrole).as<QString>() != AX::kStandardWindow)
            continue;
        WindowInfo info;
        info.id = *number;
        info.isMinimized = ax.copyAttribute(w, AX::kMinimized).as<bool>().value_or(false);
        info.title = ax.copyAttribute(w, AX::kTitle).as<QString>().value_or(QString()).trimmed();
        out.push_back(std::move(info));
    }
    return out;
}

std::vector<WindowInfo> AppRegistryService::standardWindows(AppHandle app) {
    if (!platform_.accessibility)
        return {};
    return readStandardWindows(*platform_.accessibility, app).value_or(std::vector<WindowInfo>{});
}

std::optional<quint32> AppRegistryService::focusedWindowNumber() {
    Accessibility* ax = platform_.accessibility;
    const auto front = platform_.workspace->frontmostApplication();
    if (!ax || !front)
        return std::nullopt;
    const auto element = ax->copyAttribute(ax->applicationElement(front->handle), AX::kFocusedWindow).as<AXElement>();
    if (!element)
        return std::nullopt;
    const auto number = ax->windowNumber(*element);
    if (!number || *number == 0)
        return std::nullopt;
    return number;
}

bool AppRegistryService::hasRealWindow(const RunningApplication& app, bool trusted) {
    Accessibility* ax = platform_.accessibility;
    if (trusted && ax) {
        if (const auto list =
                ax->copyAttribute(ax->applicationElement(app.handle), AX::kWindows).as<std::vector<AXElement>>()) {
            // Minimised windows count: the browser still has something to show.
            return std::any_of(list->begin(), list->end(), [&](const AXElement& w) {
                return ax->copyAttribute(w, AX::kSubrole).as<QString>() == AX::kStandardWindow;
            });
        }
    }
    if (!platform_.windowServer)
        return true;
    const auto windows = platform_.windowServer->windowList({true, true});
    // Without a list, better a button too many than a missing one.
    if (!windows)
        return true;
    return std::any_of(windows->begin(), windows->end(), [&](const WindowListEntry& w) {
        return w.owner == app.handle && w.layer.value_or(0) == 0 && w.bounds && w.bounds->width > 50 &&
               w.bounds->height > 50;
    });
}

QString AppRegistryService::nameForBundleId(const QString& bundleId) {
    return platform_.workspace->applicationDisplayName(bundleId);
}

QIcon AppRegistryService::iconForBundleId(const QString& bundleId, const RunningApplication* running) {
    if (auto it = iconCache_.constFind(bundleId); it != iconCache_.constEnd())
        return *it;
    QIcon icon;
    if (running)
        icon = platform_.workspace->icon(*running);
    else if (const auto location = applicationLocation(bundleId))
        icon = platform_.workspace->iconForFile(*location);
    // A miss is looked up again next time: the application may be installed meanwhile.
    if (!icon.isNull())
        iconCache_.insert(bundleId, icon);
    return icon;
}

std::optional<QString> AppRegistryService::applicationLocation(const QString& bundleId) {
    if (auto it = urlCache_.constFind(bundleId); it != urlCache_.constEnd())
        return *it;
    auto location = platform_.workspace->applicationLocation(bundleId);
    if (location)
        urlCache_.insert(bundleId, *location);
    return location;
}

void AppRegistryService::pin(const QString& bundleId) {
    if (isProcessIdentifier(bundleId) || pinnedBundleIds_.contains(bundleId))
        return;
    pinnedBundleIds_.append(bundleId);
    storeAndPublish();
}

void AppRegistryService::unpin(const QString& bundleId) {
    pinnedBundleIds_.removeAll(bundleId);
    storeAndPublish();
}

void AppRegistryService::reorderApp(const QString& bundleId, int toVisualIndex) {
    if (isProcessIdentifier(bundleId))
        return;
    const auto shown = buildEntries();
    pinnedBundleIds_ = reorderedPins(pinnedBundleIds_, shown, bundleId, toVisualIndex);
    storeAndPublish();
}

void AppRegistryService::storeAndPublish() {
    persistence_.savePinnedApps(pinnedBundleIds_);
    publish();
}

} // namespace vantorel
