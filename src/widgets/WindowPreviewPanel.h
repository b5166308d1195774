#pragma once

#include "app/AppSettings.h"
#include "apps/AppEntry.h"
#include "core/Scheduler.h"
#include "platform/Platform.h"
#include "widgets/WindowPreviewModel.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <optional>

namespace vantorel {

class PreviewWindow;
class ThemeService;

// What a thumbnail's action receives: the window's title (also when empty),
// number and bounds as the panel saw them.
using PreviewWindowAction = std::function<void(const std::optional<QString>& title, std::optional<quint32> number,
                                               const std::optional<Rect>& bounds)>;

struct PreviewActions {
    PreviewWindowAction onSelectWindow;
    PreviewWindowAction onCloseWindow;
    std::function<void()> onQuitApp;
};

// The platform gives the workspace, the window server, accessibility, the
// displays and the pointer.
struct WindowPreviewDependencies {
    Platform platform;
    Scheduler& scheduler;
    const ThemeService& theme;
};

// The floating strip of window thumbnails above a hovered application button,
// one for every taskbar: at most one panel is on screen. It goes away by itself
// once the pointer has left both the panel and the button.
class WindowPreviewPanel : public QObject {
    Q_OBJECT
public:
    explicit WindowPreviewPanel(WindowPreviewDependencies deps, Duration cacheTTL = 8000ms, QObject* parent = nullptr);
    ~WindowPreviewPanel() override;

    // Closes any panel that shows and shows one for the entry above the button.
    // Nothing is shown for a button in no window.
    void show(const AppEntry& entry, QWidget* button, const AppSettings& settings, PreviewActions actions);
    // Safe at any time, also from the panel's own handlers.
    void close();
    bool isShown() const;

    PreviewWindow* panel() const;
    // The thumbnails of the panel on screen (empty for the card).
    const std::vector<CapturedWindow>& shownWindows() const { return shown_; }
    const std::map<QString, CachedPreview>& cacheByBundleID() const { return cacheByBundleID_; }
    Duration cacheTTL() const { return cacheTTL_; }
    bool isPollingForDismiss() const { return dismissTimer_.isActive(); }

    static constexpr Duration kDismissPollInterval = 80ms;

private:
    std::vector<CapturedWindow> windowsFor(const AppEntry& entry, int limit);
    std::optional<Rect> displayFor(QWidget* button, const Rect& buttonFrame) const;
    void pollPointer();
    void runWindowAction(const PreviewWindowAction& action, int index);
    bool isFileBrowser(const QString& bundleId) const;

    WindowPreviewDependencies deps_;
    Duration cacheTTL_;
    QPointer<PreviewWindow> panel_;
    QPointer<QWidget> button_;
    ScheduledTask dismissTimer_;
    std::map<QString, CachedPreview> cacheByBundleID_;
    std::vector<CapturedWindow> shown_;
    PreviewActions actions_;
};

// The button's frame on screen, bottom-left space; nothing for a button in no window.
std::optional<Rect> screenFrameOf(const QWidget* view);

} // namespace vantorel
