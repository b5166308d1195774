#pragma once

#include "core/Scheduler.h"
#include "platform/Platform.h"
#include "platform/Screens.h"
#include "taskbar/StartMenuModel.h"
#include "taskbar/WindowClearance.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QMenu;

namespace vantorel {

class AccountService;
class ActivationController;
class AppMenuHandler;
class WindowCommands;
class AddOnService;
class DockService;
class LaunchAtLoginService;
class SettingsWindowController;
class AppButtonsRail;
class AppRegistryService;
class LauncherPanelController;
class PersistenceService;
class QuitConfirmation;
class SettingsService;
class TaskbarPanel;
class RecordingService;
class TaskbarView;
class ThemeService;
class UpdateService;
class ChangelogWindowController;
class WindowPreviewPanel;
struct AppEntry;

// What the taskbar controller needs from the rest of the program.
struct TaskbarDependencies {
    Platform platform;
    Scheduler& scheduler;
    SettingsService& settings;
    ThemeService& theme;
    UpdateService& updates;
    QuitConfirmation& quit;
    // The store of the pinned list; the settings' own store when not given.
    PersistenceService* persistence = nullptr;
    RecordingService* recording = nullptr;
    // The add-ons' files, behind the settings window's add-on row; without it the row only tells the state.
    AddOnService* addOns = nullptr;
    // What the settings window works with; without an account service Settings… opens nothing.
    AccountService* account = nullptr;
    LaunchAtLoginService* launchAtLogin = nullptr;
    DockService* dock = nullptr;
    // "What's New" from the start menu and the settings window; none shows nothing.
    ChangelogWindowController* changelog = nullptr;
};

// Owns the taskbar on screen: one panel along the bottom of each target display.
class TaskbarWindowController : public QObject {
    Q_OBJECT
public:
    explicit TaskbarWindowController(TaskbarDependencies deps, QObject* parent = nullptr);
    ~TaskbarWindowController() override;

    void rebuildPanels();
    void positionPanels();
    void applyCurrentSettings();
    std::vector<Display> targetScreens() const;
    void updateWindowState();
    void recoverTaskbarPresentation(bool rebuildPanels);
    void teardown();

    void toggleLauncher(QWidget* anchor);
    void showStartButtonMenu(QWidget* anchor);
    void openSettings();
    // A settings window on this taskbar's services; none without an account service.
    std::unique_ptr<SettingsWindowController> makeSettingsWindow();
    void checkForUpdates();
    void showWhatsNew();
    void confirmQuit();

    TaskbarView* makeTaskbarView();
    AppRegistryService& registry() const { return *registry_; }
    // What clicks on the buttons do; also picks a window chosen in a preview.
    ActivationController& activation() const { return *activation_; }

    // The primary panel is the controller's window.
    TaskbarPanel* window() const { return primaryPanel_.get(); }
    void showWindow();

    std::optional<QString> primaryScreenID() const { return primaryScreenID_; }
    std::vector<QString> extraPanelIds() const;
    TaskbarPanel* extraPanel(const QString& id) const;
    TaskbarView* taskbarView(const QString& id) const;
    std::size_t taskbarViewCount() const { return taskbarViews_.size(); }
    std::map<QString, bool>& visibleByScreenID() { return visibleByScreenID_; }
    int menuTrackingDepth() const { return menuTrackingDepth_; }
    // The start menu while it is open (the bar stays up meanwhile).
    bool isLauncherOpen() const;
    LauncherPanelController* launcher() const { return launcherController_.get(); }
    // A window preview is on screen (the bar stays up meanwhile).
    bool isPreviewOpen() const;
    WindowPreviewPanel& previewPanel() const { return *previewPanel_; }
    // None until Settings… was chosen once; then kept.
    SettingsWindowController* settingsWindow() const { return settingsWindow_.get(); }
    bool isTornDown() const { return tornDown_; }
    bool hasWindowStateTimer() const { return windowStateTimer_.isActive(); }
    // Whether the pointer is polled for auto-hide now (only while it applies).
    bool hasRevealTimer() const { return revealTimer_.isActive(); }
    // Whether the poll rests until the pointer's next motion: auto-hide
    // applies and the last pass changed nothing.
    bool revealPollRests() const { return revealPollResting_; }
    bool fullscreenLikeActive() const { return fullscreenLikeActive_; }
    // Other applications' windows moved aside for the bar.
    const WindowClearance& clearance() const { return clearance_; }

    // The preview of a hovered button's application, above that button.
    void showPreview(QWidget* button, const AppEntry& entry);
    void closePreview();
    // What a preview's close button does with its window: the seam that the
    // window commands take over (closing one window of an application).
    void closeWindowFromPreview(const AppEntry& entry, const std::optional<QString>& title,
                                std::optional<quint32> number, const std::optional<Rect>& bounds);
    // The right-click menu of an application button (its preview is closed
    // before), at a point in global coordinates, else above the pointer.
    void showApplicationMenu(const AppEntry& entry, std::optional<QPoint> at = std::nullopt);
    // Carries out the application menu's commands.
    AppMenuHandler& appMenu() const { return *appMenu_; }
    WindowCommands& windowCommands() const { return *windowCommands_; }

    // Shows a menu for the anchor (at the point the menu's "popupAt"
    // property holds, when it holds one) and returns when it closes. Tests replace it.
    std::function<void(QMenu& menu, QWidget* anchor)> presentMenu;

private:
    void observe();
    void startWindowStateTimer();
    void refreshViews();
    void applyPanelAppearance();
    void pushEntries();
    void wireAppButtons(AppButtonsRail& rail);
    void connectNewWindowCommand(ActivationController& activation);
    void quitFromPreview(const AppEntry& entry);
    void closePreviewAndLauncher();
    void closeLauncher();
    void restoreAdjustedWindows(const std::optional<QString>& screenId);
    bool hasFullscreenLikeWindow() const;
    void updateRevealTimer();
    void refreshAutoHideFrames();
    // What a pass of the poll read and decided. Two equal passes in a row
    // mean the next ones decide the same until the pointer moves or a popup
    // opens, so the poll may rest where the desktop announces motion.
    struct RevealPass {
        std::optional<Point> pointer;
        bool popupOpen = false;
        std::map<QString, bool> visible;
        friend bool operator==(const RevealPass&, const RevealPass&) = default;
    };
    void settleRevealPoll(RevealPass pass);
    void startRevealTimer();
    void stopRevealPoll();
    // Back to the 80 ms poll from rest, with a pass at once.
    void wakeRevealPoll();
    void clampMaximizedFrontWindow();
    // Raises revealed panels above a full-screen window, and only those.
    void applyStacking();
    // Extras, then the primary, each under its screen id.
    std::vector<std::pair<QString, TaskbarPanel*>> panelsById() const;
    void runMenu(QMenu& menu, QWidget* anchor);
    std::unique_ptr<TaskbarPanel> makePanel() const;
    // Hides the panel now and deletes it once nothing runs for it.
    void retirePanel(std::unique_ptr<TaskbarPanel> panel);
    void perform(StartMenuAction action);
    void writeStateFile() const;

    TaskbarDependencies deps_;
    std::unique_ptr<AppRegistryService> registry_;
    std::unique_ptr<ActivationController> activation_;
    std::unique_ptr<WindowCommands> windowCommands_;
    std::unique_ptr<AppMenuHandler> appMenu_;
    std::unique_ptr<TaskbarPanel> primaryPanel_;
    std::optional<QString> primaryScreenID_;
    std::map<QString, std::unique_ptr<TaskbarPanel>> extraPanels_;
    std::map<QString, QPointer<TaskbarView>> taskbarViews_;
    std::map<QString, bool> visibleByScreenID_;
    std::vector<QMetaObject::Connection> observers_;
    ScheduledTask revealTimer_;
    std::optional<RevealPass> lastRevealPass_;
    bool revealPollResting_ = false;
    ScheduledTask windowStateTimer_;
    bool autoHideEnabled_ = false;
    bool fullscreenLikeActive_ = false;
    // The windows moved aside and the last clamp attempt.
    WindowClearance clearance_{deps_.platform};
    bool showingOnAllDisplays_ = false;
    int menuTrackingDepth_ = 0;
    std::unique_ptr<LauncherPanelController> launcherController_;
    std::unique_ptr<WindowPreviewPanel> previewPanel_;
    std::unique_ptr<SettingsWindowController> settingsWindow_;
    bool tornDown_ = false;
    // Desktop tests read the row from outside through this file ($VANTOREL_STATE_FILE).
    QString stateFile_;
};

} // namespace vantorel
