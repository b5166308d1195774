#include "apps/ActivationController.h"

#include "core/Scheduler.h"
#include "platform/BundleInfo.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"

#include <QDir>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace vantorel {

namespace {

constexpr Duration kVisibilityCheckDelay = 220ms;
constexpr Duration kNewWindowAfterReopen = 240ms;
constexpr Duration kNewWindowAfterFailedReopen = 60ms;
constexpr Duration kMinimizeAfterFullScreen = 600ms;
} // namespace

std::optional<RunningApplication> resolveRunningApplication(const AppEntry& entry, const Workspace& workspace) {
    const auto running = workspace.runningApplications();
    // The entry's copy is as old as the list it came with: read the application again.
    if (entry.runningApp)
        for (const auto& app : running)
            if (app.handle == entry.runningApp->handle && !app.isTerminated)
                return app;
    for (const auto& app : running)
        if (app.bundleIdentifier == entry.bundleId && app.activationPolicy == ActivationPolicy::Regular &&
            !app.isTerminated)
            return app;
    return std::nullopt;
}

double windowMatchScore(const Rect& frame, const Rect& expected) {
    const double centres = std::hypot(frame.midX() - expected.midX(), frame.midY() - expected.midY());
    return centres + (std::abs(frame.width - expected.width) + std::abs(frame.height - expected.height)) * 0.25;
}

ActivationController::ActivationController(const Platform& platform, Scheduler& scheduler, AppRegistryService& registry,
                                           QObject* parent)
    : QObject(parent), platform_(platform), scheduler_(scheduler), registry_(registry) {}

bool ActivationController::trusted() const {
    return platform_.accessibility && platform_.accessibility->isProcessTrusted(false);
}

bool ActivationController::isFileBrowser(const QString& bundleId) const {
    const QString fileBrowser = platform_.workspace->fileBrowserIdentifier();
    return !fileBrowser.isEmpty() && bundleId == fileBrowser;
}

bool ActivationController::isFrontmost(AppHandle app) const {
    const auto front = platform_.workspace->frontmostApplication();
    return front && front->handle == app;
}

void ActivationController::activate(const AppEntry& entry) {
    ++clicks_;
    const auto app = resolveRunningApplication(entry, *platform_.workspace);
    if (!app)
        return launch(entry.bundleId);
    if (entry.windowID)
        return toggleWindow(*entry.windowID, *app, entry);
    if (isFileBrowser(entry.bundleId))
        return shouldMinimizeFileBrowserOnClick(*app) ? minimize(*app) : restoreFileBrowser(*app);
    if (shouldMinimizeOnClick(entry, *app))
        return minimize(*app);
    showAllWindows(*app);
}

void ActivationController::bringForward(const RunningApplication& app) {
    Workspace& ws = *platform_.workspace;
    // Hidden may have changed since the caller looked.
    const auto now = lookupRunningApplication(app.handle, app.bundleIdentifier);
    if (now ? now->isHidden : app.isHidden)
        ws.unhide(app.handle);
    ws.activate(app.handle, true);
}

void ActivationController::showAllWindows(const RunningApplication& app) {
    bringForward(app);
    if (trusted()) {
        raiseAllWindows(app);
        focusFrontmostWindow(app);
    }
    scheduleVisibilityRecovery(app);
}

void ActivationController::minimize(const RunningApplication& app) {
    if (trusted())
        minimizeAllWindows(app);
    else
        platform_.workspace->hide(app.handle);
}

void ActivationController::restoreFileBrowser(const RunningApplication& app) {
    bringForward(app);
    switch (restoreExistingFileBrowserWindow()) {
    case FileBrowserRestore::Restored:
        return;
    case FileBrowserRestore::None:
        return openNewFileBrowserWindow();
    case FileBrowserRestore::NoAnswer:
        if (trusted()) {
            raiseAllWindows(app);
            focusFrontmostWindow(app);
        }
        bringForward(app);
        scheduleVisibilityRecovery(app);
        return;
    }
}

bool ActivationController::shouldMinimizeOnClick(const AppEntry& entry, const RunningApplication& app) const {
    if (isFileBrowser(entry.bundleId))
        return false;
    if (entry.isActive || app.isActive)
        return true;
    const auto front = platform_.workspace->frontmostApplication();
    if (!front)
        return false;
    // Right after our own launcher or menu, this program is in front: the
    // click means "bring it here", never "put it away".
    const auto own = platform_.bundle ? platform_.bundle->identifier() : std::nullopt;
    if (front->handle == platform_.workspace->currentApplication() || front->bundleIdentifier == own)
        return false;
    if (front->activationPolicy != ActivationPolicy::Regular)
        return false;
    return front->bundleIdentifier == entry.bundleId;
}

bool ActivationController::shouldMinimizeFileBrowserOnClick(const RunningApplication& app) const {
    if (!hasUsableOnScreenWindow(app))
        return false;
    if (app.isActive)
        return true;
    const auto front = platform_.workspace->frontmostApplication();
    return front && front->bundleIdentifier == platform_.workspace->fileBrowserIdentifier();
}

bool ActivationController::hasUsableOnScreenWindow(const RunningApplication& app) const {
    if (!platform_.windowServer)
        return false;
    const auto windows = platform_.windowServer->windowList({true, true});
    if (!windows)
        return false;
    // Larger than the registry's 50 x 50: a splash or a strip is not something to show.
    return std::any_of(windows->begin(), windows->end(), [&](const WindowListEntry& w) {
        return w.owner == app.handle && w.layer.value_or(0) == 0 && w.bounds && w.bounds->width > 80 &&
               w.bounds->height > 60;
    });
}

void ActivationController::toggleWindow(quint32 windowID, const RunningApplication& app, const AppEntry& entry) {
    Accessibility* ax = platform_.accessibility;
    std::optional<AXElement> window;
    if (trusted())
        for (const auto& w : axWindows(app))
            if (ax->windowNumber(w) == windowID) {
                window = w;
                break;
            }
    if (!window) {
        showAllWindows(app);
        return;
    }
    if (entry.isActive && !entry.isMinimized) {
        ax->setAttribute(*window, AX::kMinimized, true);
        return;
    }
    bringForward(app);
    ax->setAttribute(*window, AX::kMinimized, false);
    focus(app, *window);
}

void ActivationController::focus(const RunningApplication& app, const AXElement& window) {
    Accessibility* ax = platform_.accessibility;
    ax->setAttribute(window, AX::kMain, true);
    ax->setAttribute(ax->applicationElement(app.handle), AX::kFocusedWindow, window);
    ax->performAction(window, AX::kRaise);
}

void ActivationController::launch(const QString& bundleId) {
    Workspace& ws = *platform_.workspace;
    if (isFileBrowser(bundleId)) {
        for (const auto& app : ws.runningApplications())
            if (app.bundleIdentifier == bundleId)
                return restoreFileBrowser(app);
        return openNewFileBrowserWindow();
    }
    // Not installed (or a "pid:" entry, which names no installation): nothing to start, nothing to say.
    if (!ws.applicationLocation(bundleId))
        return;
    ws.openApplication(bundleId);
}

std::vector<AXElement> ActivationController::axWindows(const RunningApplication& app) const {
    Accessibility* ax = platform_.accessibility;
    if (!ax)
        return {};
    return ax->copyAttribute(ax->applicationElement(app.handle), AX::kWindows)
        .as<std::vector<AXElement>>()
        .value_or(std::vector<AXElement>{});
}

void ActivationController::raiseAllWindows(const RunningApplication& app) {
    Accessibility* ax = platform_.accessibility;
    for (const auto& w : axWindows(app)) {
        if (ax->copyAttribute(w, AX::kMinimized).as<bool>() == true)
            ax->setAttribute(w, AX::kMinimized, false);
        ax->performAction(w, AX::kRaise);
    }
}

void ActivationController::focusFrontmostWindow(const RunningApplication& app) {
    Accessibility* ax = platform_.accessibility;
    for (const auto& w : axWindows(app)) {
        // A window whose state cannot be read counts as shown.
        if (ax->copyAttribute(w, AX::kMinimized).as<bool>() == true)
            continue;
        focus(app, w);
        return;
    }
}

void ActivationController::minimizeAllWindows(const RunningApplication& app) {
    Accessibility* ax = platform_.accessibility;
    const auto windows =
        ax->copyAttribute(ax->applicationElement(app.handle), AX::kWindows).as<std::vector<AXElement>>();
    if (!windows) {
        platform_.workspace->hide(app.handle);
        return;
    }
    for (const auto& w : *windows) {
        if (ax->copyAttribute(w, AX::kFullScreen).as<bool>() == true) {
            // A full-screen window cannot be minimised until it has left full screen.
            ax->setAttribute(w, AX::kFullScreen, false);
            scheduler_.after(kMinimizeAfterFullScreen, this,
                             [this, w] { platform_.accessibility->setAttribute(w, AX::kMinimized, true); });
        } else {
            ax->setAttribute(w, AX::kMinimized, true);
        }
    }
}

FileBrowserRestore ActivationController::restoreExistingFileBrowserWindow() {
    return platform_.scripting ? platform_.scripting->restoreFileBrowserWindows() : FileBrowserRestore::NoAnswer;
}

void ActivationController::openNewFileBrowserWindow() {
    if (platform_.scripting && platform_.scripting->openFileBrowserWindow(std::nullopt))
        return;
    platform_.workspace->openUrl(QUrl::fromLocalFile(QDir::homePath() + u'/').toString());
}

void ActivationController::scheduleVisibilityRecovery(const RunningApplication& app) {
    // Only identifiers travel: an application that quits meanwhile is simply not found.
    scheduler_.after(kVisibilityCheckDelay, this,
                     [this, handle = app.handle, bundleId = app.bundleIdentifier, click = clicks_] {
                         if (click != clicks_)
                             return;
                         const auto found = lookupRunningApplication(handle, bundleId);
                         if (found && isFrontmost(found->handle) && !hasUsableOnScreenWindow(*found))
                             recoverMissingVisibleWindow(*found);
                     });
}

void ActivationController::recoverMissingVisibleWindow(const RunningApplication& app) {
    const bool reopened = requestReopen(app);
    scheduler_.after(reopened ? kNewWindowAfterReopen : kNewWindowAfterFailedReopen, this,
                     [this, handle = app.handle, bundleId = app.bundleIdentifier, click = clicks_] {
                         const auto found = lookupRunningApplication(handle, bundleId);
                         if (click != clicks_ || !found || !isFrontmost(found->handle) ||
                             hasUsableOnScreenWindow(*found))
                             return;
                         if (tryInvokeNewWindowMenu)
                             tryInvokeNewWindowMenu(*found, false);
                     });
}

bool ActivationController::requestReopen(const RunningApplication& app) {
    if (!app.bundleIdentifier || !platform_.scripting)
        return false;
    return platform_.scripting->reopenApplication(*app.bundleIdentifier);
}

std::optional<RunningApplication>
ActivationController::lookupRunningApplication(AppHandle app, const std::optional<QString>& bundleId) const {
    const auto running = platform_.workspace->runningApplications();
    if (bundleId)
        for (const auto& a : running)
            if (a.bundleIdentifier == bundleId && a.handle == app && !a.isTerminated)
                return a;
    for (const auto& a : running)
        if (a.handle == app)
            return a;
    return std::nullopt;
}

std::optional<Rect> ActivationController::axFrame(const AXElement& window) const {
    Accessibility* ax = platform_.accessibility;
    const auto position = ax->copyAttribute(window, AX::kPosition).as<Point>();
    const auto size = ax->copyAttribute(window, AX::kSize).as<Size>();
    if (!position || !size)
        return std::nullopt;
    return Rect{position->x, position->y, size->width, size->height};
}

std::optional<AXElement> ActivationController::selectBestWindow(const std::vector<AXElement>& windows,
                                                                const std::optional<QString>& matchingTitle,
                                                                std::optional<quint32> matchingNumber,
                                                                const std::optional<Rect>& expectedBounds) const {
    Accessibility* ax = platform_.accessibility;
    if (matchingNumber)
        for (const auto& w : windows)
            if (ax->windowNumber(w) == matchingNumber)
                return w;

    std::vector<AXElement> candidates;
    const QString title = matchingTitle ? matchingTitle->trimmed() : QString();
    if (!title.isEmpty())
        for (const auto& w : windows) {
            const QString own = ax->copyAttribute(w, AX::kTitle).as<QString>().value_or(QString()).trimmed();
            if (!own.isEmpty() && own == title)
                candidates.push_back(w);
        }
    if (candidates.empty())
        candidates = windows;

    if (!expectedBounds)
        return candidates.empty() ? std::nullopt : std::optional(candidates.front());
    std::optional<AXElement> best;
    double bestScore = 0;
    for (const auto& w : candidates) {
        const auto frame = axFrame(w);
        if (!frame)
            continue;
        // On equal scores the earlier window stays.
        const double score = windowMatchScore(*frame, *expectedBounds);
        if (!best || score < bestScore) {
            best = w;
            bestScore = score;
        }
    }
    return best;
}

void ActivationController::focusWindow(const RunningApplication& app, const std::optional<QString>& matchingTitle,
                                       std::optional<quint32> matchingNumber,
                                       const std::optional<Rect>& expectedBounds) {
    const auto windows = axWindows(app);
    if (windows.empty())
        return;
    const AXElement window =
        selectBestWindow(windows, matchingTitle, matchingNumber, expectedBounds).value_or(windows.front());
    Accessibility* ax = platform_.accessibility;
    if (ax->copyAttribute(window, AX::kMinimized).as<bool>() == true)
        ax->setAttribute(window, AX::kMinimized, false);
    focus(app, window);
}

void ActivationController::selectWindow(const AppEntry& entry, const std::optional<QString>& title,
                                        std::optional<quint32> number, const std::optional<Rect>& expectedBounds) {
    const auto app = resolveRunningApplication(entry, *platform_.workspace);
    if (!app)
        return activate(entry);
    showAllWindows(*app);
    // Last, so that the chosen window ends in front of the others just raised.
    if (trusted())
        focusWindow(*app, title, number, expectedBounds);
}

} // namespace vantorel
