#include "widgets/WindowPreviewPanel.h"

#include "app/ThemeService.h"
#include "core/KeepAlive.h"
#include "platform/Screens.h"
#include "platform/WindowServer.h"
#include "platform/Workspace.h"
#include "widgets/WindowPreviewViews.h"

namespace vantorel {

std::optional<Rect> screenFrameOf(const QWidget* view) {
    if (!view || !view->isVisible())
        return std::nullopt;
    const QRectF frame(view->mapToGlobal(QPointF(0, 0)), QSizeF(view->size()));
    return ScreenSpace::fromPrimaryScreen().fromQt(frame);
}

WindowPreviewPanel::WindowPreviewPanel(WindowPreviewDependencies deps, Duration cacheTTL, QObject* parent)
    : QObject(parent), deps_(std::move(deps)), cacheTTL_(cacheTTL) {}

WindowPreviewPanel::~WindowPreviewPanel() {
    close();
}

PreviewWindow* WindowPreviewPanel::panel() const {
    return panel_.data();
}

bool WindowPreviewPanel::isShown() const {
    return panel_ && panel_->isVisible();
}

bool WindowPreviewPanel::isFileBrowser(const QString& bundleId) const {
    const QString fileBrowser = deps_.platform.workspace->fileBrowserIdentifier();
    return !fileBrowser.isEmpty() && bundleId == fileBrowser;
}

void WindowPreviewPanel::show(const AppEntry& entry, QWidget* button, const AppSettings& settings,
                              PreviewActions actions) {
    close();
    pruneCachedPreviews(cacheByBundleID_, deps_.scheduler.now(), cacheTTL_);
    // A button in a window of its own is none of ours: it stands in no taskbar.
    const auto buttonFrame = button && !button->isWindow() ? screenFrameOf(button) : std::nullopt;
    if (!buttonFrame)
        return;
    const auto display = displayFor(button, *buttonFrame);
    const int limit = previewWindowLimit(display ? std::optional(display->width) : std::nullopt);

    std::vector<CapturedWindow> windows = windowsFor(entry, limit);
    if (entry.windowID) {
        std::erase_if(windows, [&](const CapturedWindow& w) { return w.windowNumber != entry.windowID; });
        if (windows.size() > 1)
            windows.resize(1);
    }
    // On-screen windows come first, so minimised ones are dropped first.
    if (static_cast<int>(windows.size()) > limit)
        windows.resize(static_cast<size_t>(limit));

    actions_ = std::move(actions);
    QPointer<WindowPreviewPanel> self(this);
    std::function<void()> quit;
    if (!isFileBrowser(entry.bundleId))
        quit = [self] {
            if (!self)
                return;
            if (auto onQuit = self->actions_.onQuitApp)
                onQuit();
            if (self)
                self->close();
        };

    const ResolvedTheme look = deps_.theme.resolve(settings.appearanceMode);
    QWidget* content = nullptr;
    if (windows.empty()) {
        content = new PreviewCardView(entry, look, std::move(quit));
    } else {
        content = new PreviewStripView(
            windows, entry.icon, settings.showWindowTitles, look,
            [self](int i) {
                if (self)
                    self->runWindowAction(self->actions_.onSelectWindow, i);
            },
            [self](int i) {
                if (self)
                    self->runWindowAction(self->actions_.onCloseWindow, i);
            });
    }
    const Size size{double(content->width()), double(content->height())};
    const Point origin = previewPanelOrigin(*buttonFrame, size, display);
    auto* window = new PreviewWindow(content, look);
    window->setFrame({origin.x, origin.y, size.width, size.height});
    window->orderFrontRegardless();
    panel_ = window;
    button_ = button;
    shown_ = std::move(windows);
    dismissTimer_ = deps_.scheduler.every(kDismissPollInterval, 0ms, this, [this] { pollPointer(); });
}

void WindowPreviewPanel::close() {
    dismissTimer_.cancel();
    dismissTimer_ = {};
    button_.clear();
    shown_.clear();
    if (PreviewWindow* window = panel_.data()) {
        panel_.clear();
        window->hide();
        // Its own press handler may be what closes it.
        deleteWhenReleased(window);
    }
    pruneCachedPreviews(cacheByBundleID_, deps_.scheduler.now(), cacheTTL_);
}

std::vector<CapturedWindow> WindowPreviewPanel::windowsFor(const AppEntry& entry, int limit) {
    Workspace& ws = *deps_.platform.workspace;
    std::optional<RunningApplication> running;
    if (const auto handle = resolvePreviewProcessIdentifier(entry, ws))
        for (const auto& app : ws.runningApplications())
            if (app.handle == *handle && !app.isTerminated)
                running = app;
    if (!running) {
        cacheByBundleID_.erase(entry.bundleId);
        return {};
    }
    const AppHandle app = running->handle;
    WindowServer* server = deps_.platform.windowServer;
    const QImage icon = previewIconImage(entry.icon);
    const auto table = readPreviewWindowTable(deps_.platform.accessibility, app);
    std::vector<CapturedWindow> fresh;
    if (server)
        fresh = captureOnScreenWindows(*server, app, limit, table, icon);
    std::vector<CapturedWindow> minimized = minimizedPreviewWindows(table, icon, server);

    std::vector<CapturedWindow> list;
    if (!fresh.empty()) {
        cacheByBundleID_[entry.bundleId] = CachedPreview{fresh, deps_.scheduler.now()};
        list = std::move(fresh);
    } else if (minimized.empty()) {
        // Nothing to capture this moment (a window list that failed, windows
        // between two states): what was seen a moment ago, minus what has gone.
        if (auto cached = cacheByBundleID_.find(entry.bundleId); cached != cacheByBundleID_.end() && server)
            list = stillOwnedWindows(cached->second.windows, existingWindowNumbers(*server, app));
    }
    list.insert(list.end(), std::make_move_iterator(minimized.begin()), std::make_move_iterator(minimized.end()));
    return list;
}

std::optional<Rect> WindowPreviewPanel::displayFor(QWidget* button, const Rect& buttonFrame) const {
    const auto displays = deps_.platform.screens->displays();
    auto containing = [&](Point p) -> std::optional<Rect> {
        for (const auto& d : displays)
            if (d.frame.contains(p))
                return d.frame;
        return std::nullopt;
    };
    const QWidget* window = button->window();
    const Rect windowFrame = ScreenSpace::fromPrimaryScreen().fromQt(QRectF(window->geometry()));
    if (auto display = containing({windowFrame.midX(), windowFrame.midY()}))
        return display;
    return containing({buttonFrame.midX(), buttonFrame.midY()});
}

void WindowPreviewPanel::pollPointer() {
    if (!panel_) {
        close();
        return;
    }
    const Point at = deps_.platform.pointer->location();
    if (previewPointerHasLeft(at, panel_->frame(), screenFrameOf(button_.data())))
        close();
}

void WindowPreviewPanel::runWindowAction(const PreviewWindowAction& which, int index) {
    if (index < 0 || index >= static_cast<int>(shown_.size()))
        return;
    // The action may close the panel (and so forget both) before it returns.
    const CapturedWindow window = shown_[static_cast<size_t>(index)];
    const PreviewWindowAction action = which;
    QPointer<WindowPreviewPanel> self(this);
    if (action)
        action(window.title, window.windowNumber, window.bounds);
    if (self)
        close();
}

} // namespace vantorel
