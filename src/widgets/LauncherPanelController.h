#pragma once

#include "core/Scheduler.h"
#include "platform/ClickMonitor.h"
#include "platform/Platform.h"
#include "widgets/LauncherModel.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QMenu;

namespace vantorel {

class AppRegistryService;
class LauncherContentView;
class LauncherListView;
class LauncherSearchField;
class Popover;
class SettingsService;
class ThemeService;

// What the launcher needs; the platform gives the workspace, the pointer and
// (where it can) the clicks in other applications.
struct LauncherDependencies {
    AppRegistryService& registry;
    const SettingsService& settings;
    const ThemeService& theme;
    Scheduler& scheduler;
    Platform platform;
};

// The launcher opened by the start button: every installed application,
// searchable from the keyboard. Made afresh for each opening (so the list is
// read anew) and never shown twice.
class LauncherPanelController : public QObject {
    Q_OBJECT
public:
    explicit LauncherPanelController(LauncherDependencies deps, QObject* parent = nullptr);
    ~LauncherPanelController() override;

    // Opens the popover above the anchor, which must be in a window.
    void show(QWidget* anchor);
    // Safe at any time, also from the launcher's own handlers.
    void close();
    bool isShown() const;

    const std::vector<LauncherApp>& allApps() const { return allApps_; }
    const std::vector<LauncherApp>& filteredApps() const { return filteredApps_; }
    int selectedRow() const;
    // Selects exactly this row and scrolls to it; a row out of range selects none.
    void selectRow(int row);
    // Closes the launcher, then opens the row's application. Invalid rows do nothing.
    void launch(int row);
    // The row's menu: pin or unpin, and show in the file browser; none for a row
    // out of range or an application without an identifier.
    std::unique_ptr<QMenu> contextMenu(int row);
    void showContextMenu(int row, QPoint globalPos);

    Popover* popover() const;
    LauncherSearchField* searchField() const;
    LauncherListView* tableView() const;
    bool isPollingForDismiss() const { return dismissTimer_.isActive(); }
    bool isWatchingClicks() const { return clickWatch_ != nullptr; }

    // Shows a row's menu and returns when it closes. Tests replace it.
    std::function<void(QMenu& menu, QPoint globalPos)> presentMenu;

    static constexpr int kWidth = 320;
    static constexpr int kHeight = 480;
    static constexpr Duration kDismissPollInterval = 100ms;
    static constexpr double kHoverMargin = 4;

private:
    void loadApps();
    void applyFilter(const QString& fieldText);
    bool handleSearchCommand(int key);
    void pollPointer();
    bool pointerIsInside() const;

    LauncherDependencies deps_;
    std::vector<LauncherApp> allApps_;
    std::vector<LauncherApp> filteredApps_;
    QPointer<Popover> popover_;
    QPointer<LauncherContentView> content_;
    QPointer<QWidget> anchorView_;
    QPointer<QWidget> anchorWindow_;
    std::unique_ptr<ClickMonitor::Watch> clickWatch_;
    ScheduledTask dismissTimer_;
    std::optional<LauncherDismissal> dismissal_;
    bool menuOpen_ = false;
    bool wasShown_ = false;
};

} // namespace vantorel
