#include "taskbar/TaskbarWindowController.h"

#include "app/PersistenceService.h"
#include "app/QuitConfirmation.h"
#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "apps/ActivationController.h"
#include "apps/AppButtonsRail.h"
#include "apps/AppRegistryService.h"
#include "core/KeepAlive.h"
#include "platform/PanelHost.h"
#include "platform/Screens.h"
#include "platform/Theme.h"
#include "platform/Workspace.h"
#include "recording/RecordingButton.h"
#include "recording/SummariesFolderButton.h"
#include "taskbar/AutoHide.h"
#include "taskbar/BarGeometry.h"
#include "taskbar/TaskbarPanel.h"
#include "taskbar/TaskbarView.h"
#include "taskbar/TrayView.h"
#include "widgets/AppMenuHandler.h"
#include "widgets/ClockView.h"
#include "widgets/LauncherPanelController.h"
#include "widgets/WindowCommands.h"
#include "widgets/WindowPreviewPanel.h"
#include "windows/ChangelogWindowController.h"
#include "windows/SettingsWindowController.h"
#include "windows/UpdateService.h"

#include <QApplication>
#include <QIcon>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QMouseEvent>
#include <QSaveFile>
#include <QScreen>
#include <algorithm>
#include <set>
#include <utility>

namespace vantorel {

namespace {
// How often the pointer is read while auto-hide applies.
constexpr Duration kRevealInterval = 80ms;
} // namespace

TaskbarWindowController::TaskbarWindowController(TaskbarDependencies deps, QObject* parent)
    : QObject(parent), deps_(std::move(deps)) {
    presentMenu = [](QMenu& menu, QWidget* anchor) {
        if (const QVariant point = menu.property("popupAt"); point.isValid()) {
            // At the click; Qt opens it upwards where the bar leaves no room below.
            menu.exec(point.toPoint());
            return;
        }
        const QPoint at = anchor ? anchor->mapToGlobal(QPoint(0, 0)) : QCursor::pos();
        // Open upwards from the bar: the menu's bottom-left at the anchor's top-left.
        menu.exec(at - QPoint(0, menu.sizeHint().height()));
    };
    registry_ = std::make_unique<AppRegistryService>(
        deps_.platform, deps_.persistence ? *deps_.persistence : deps_.settings.persistence(), deps_.settings,
        deps_.scheduler);
    activation_ = std::make_unique<ActivationController>(deps_.platform, deps_.scheduler, *registry_);
    windowCommands_ = std::make_unique<WindowCommands>(deps_.platform, deps_.scheduler, *activation_);
    appMenu_ = std::make_unique<AppMenuHandler>(deps_.platform, deps_.scheduler, *activation_, *windowCommands_);
    appMenu_->registry = registry_.get();
    appMenu_->closeWindowAction = [commands = windowCommands_.get()](const AppEntry& entry) {
        commands->closeWindow(entry, entry.windowTitle, entry.windowID, std::nullopt);
    };
    connectNewWindowCommand(*activation_);
    previewPanel_ = std::make_unique<WindowPreviewPanel>(
        WindowPreviewDependencies{deps_.platform, deps_.scheduler, deps_.theme}, 8000ms);
    stateFile_ = qEnvironmentVariable("VANTOREL_STATE_FILE");
    registry_->onEntriesChanged = [this](const std::vector<AppEntry>& entries) {
        for (auto& [id, view] : taskbarViews_)
            if (view)
                view->appRail->update(entries);
        writeStateFile();
    };
    primaryPanel_ = makePanel();
    showingOnAllDisplays_ = deps_.settings.current().showOnAllDisplays;
    autoHideEnabled_ = deps_.settings.current().autoHideTaskbar;
    rebuildPanels();
    applyCurrentSettings();
    observe();
    startWindowStateTimer();
}

TaskbarWindowController::~TaskbarWindowController() {
    if (!tornDown_)
        teardown();
}

std::unique_ptr<TaskbarPanel> TaskbarWindowController::makePanel() const {
    auto panel = std::make_unique<TaskbarPanel>();
    if (deps_.platform.panels)
        deps_.platform.panels->preparePanel(panel.get());
    return panel;
}

std::vector<Display> TaskbarWindowController::targetScreens() const {
    return vantorel::targetScreens(deps_.platform.screens->displays(), deps_.platform.screens->mainDisplayId(),
                                   showingOnAllDisplays_);
}

void TaskbarWindowController::rebuildPanels() {
    const auto screens = targetScreens();
    if (screens.empty())
        return;
    // The buttons they stand on may move or go.
    closePreviewAndLauncher();
    std::set<QString> ids;
    for (const auto& s : screens)
        ids.insert(screenId(s));

    for (auto it = extraPanels_.begin(); it != extraPanels_.end();) {
        if (ids.count(it->first)) {
            ++it;
            continue;
        }
        restoreAdjustedWindows(it->first);
        if (deps_.platform.panels)
            deps_.platform.panels->standAboveFullScreen(it->second.get(), false);
        retirePanel(std::move(it->second));
        taskbarViews_.erase(it->first);
        visibleByScreenID_.erase(it->first);
        it = extraPanels_.erase(it);
    }

    const QString primaryId = screenId(screens.front());
    if (primaryScreenID_ && *primaryScreenID_ != primaryId) {
        taskbarViews_.erase(*primaryScreenID_);
        visibleByScreenID_.erase(*primaryScreenID_);
    }
    if (auto it = extraPanels_.find(primaryId); it != extraPanels_.end()) {
        // The primary moved onto a display that had an extra panel: one panel per display.
        if (deps_.platform.panels)
            deps_.platform.panels->standAboveFullScreen(it->second.get(), false);
        retirePanel(std::move(it->second));
        extraPanels_.erase(it);
        taskbarViews_.erase(primaryId);
        visibleByScreenID_.erase(primaryId);
    }
    primaryScreenID_ = primaryId;

    auto existing = taskbarViews_.find(primaryId);
    if (!(primaryPanel_->contentView() && existing != taskbarViews_.end() && existing->second)) {
        TaskbarView* view = makeTaskbarView();
        primaryPanel_->setContentView(view);
        taskbarViews_[primaryId] = view;
    }

    for (std::size_t i = 1; i < screens.size(); ++i) {
        const QString id = screenId(screens[i]);
        if (extraPanels_.count(id))
            continue;
        auto panel = makePanel();
        TaskbarView* view = makeTaskbarView();
        panel->setContentView(view);
        taskbarViews_[id] = view;
        extraPanels_.emplace(id, std::move(panel));
    }

    for (auto& [id, panel] : extraPanels_)
        panel->orderFrontRegardless();
    primaryPanel_->orderFrontRegardless();
    positionPanels();
    pushEntries();
    refreshViews();
}

void TaskbarWindowController::retirePanel(std::unique_ptr<TaskbarPanel> panel) {
    panel->close();
    // A menu of this panel may be open and return into its widgets.
    deleteWhenReleased(panel.release());
}

std::vector<std::pair<QString, TaskbarPanel*>> TaskbarWindowController::panelsById() const {
    std::vector<std::pair<QString, TaskbarPanel*>> panels;
    for (auto& [id, panel] : extraPanels_)
        panels.emplace_back(id, panel.get());
    if (primaryScreenID_)
        panels.emplace_back(*primaryScreenID_, primaryPanel_.get());
    return panels;
}

void TaskbarWindowController::positionPanels() {
    std::map<QString, Display> byId;
    for (const auto& s : targetScreens())
        byId.emplace(screenId(s), s);

    const double percent = deps_.settings.current().iconScalePercent;
    for (auto& [id, panel] : panelsById()) {
        auto screen = byId.find(id);
        if (screen == byId.end())
            continue;
        Rect target = shownPanelFrame(screen->second.frame, percent);
        auto visible = visibleByScreenID_.find(id);
        const bool shown = visible == visibleByScreenID_.end() || visible->second;
        if (!shown)
            target = hiddenPanelFrame(target);
        // Maximised windows keep clear of a bar that stays. A bar hidden only
        // for a full-screen window keeps its reservation: full-screen windows
        // ignore it, and dropping it would resize every maximised window behind.
        if (deps_.platform.panels)
            deps_.platform.panels->reserveBottomEdge(panel, screen->second.frame,
                                                     autoHideEnabled_ ? 0 : barHeight(percent));
        if (panel->standsAt(target))
            continue;
        panel->setFrame(target);
        panel->orderFrontRegardless();
    }
    applyStacking();
}

void TaskbarWindowController::applyCurrentSettings() {
    const auto& s = deps_.settings.current();
    if (s.showOnAllDisplays != showingOnAllDisplays_) {
        showingOnAllDisplays_ = s.showOnAllDisplays;
        rebuildPanels();
    }
    applyPanelAppearance();
    refreshViews();
    autoHideEnabled_ = s.autoHideTaskbar;
    pushEntries();
    positionPanels();
    updateWindowState();
    // The tray's buttons may have come or gone.
    writeStateFile();
}

void TaskbarWindowController::applyPanelAppearance() {
    const auto appearance = ThemeService::windowAppearance(deps_.settings.current().appearanceMode);
    primaryPanel_->setAppearance(appearance);
    for (auto& [id, panel] : extraPanels_)
        panel->setAppearance(appearance);
}

void TaskbarWindowController::refreshViews() {
    for (auto& [id, view] : taskbarViews_)
        if (view)
            view->applySettings();
}

void TaskbarWindowController::updateWindowState() {
    registry_->refresh();
    fullscreenLikeActive_ = hasFullscreenLikeWindow();
    updateRevealTimer();
    // A warped pointer moves without any device reporting it: at rest, one read a second finds it.
    if (revealPollResting_ && lastRevealPass_ && deps_.platform.pointer &&
        deps_.platform.pointer->location() != lastRevealPass_->pointer)
        wakeRevealPoll(); // its pass is this check's
    else
        refreshAutoHideFrames();
    if (!autoHideEnabled_ && !fullscreenLikeActive_)
        clampMaximizedFrontWindow();
}

void TaskbarWindowController::recoverTaskbarPresentation(bool rebuild) {
    closePreviewAndLauncher();
    restoreAdjustedWindows(std::nullopt);
    pushEntries();
    if (rebuild)
        rebuildPanels();
    else
        positionPanels();
    for (auto& [id, panel] : extraPanels_) {
        panel->setIgnoresMouseEvents(false);
        panel->orderFrontRegardless();
    }
    primaryPanel_->setIgnoresMouseEvents(false);
    primaryPanel_->orderFrontRegardless();
    refreshAutoHideFrames();
}

void TaskbarWindowController::observe() {
    auto& p = deps_.platform;
    observers_.push_back(connect(p.screens, &Screens::parametersChanged, this, [this] {
        rebuildPanels();
        refreshAutoHideFrames();
    }));
    observers_.push_back(connect(&deps_.settings, &SettingsService::didChange, this, [this] { applyCurrentSettings(); }));
    observers_.push_back(connect(p.theme, &Theme::systemThemeChanged, this, [this] {
        if (deps_.settings.current().appearanceMode != AppearanceMode::Auto)
            return;
        refreshViews();
        applyPanelAppearance();
    }));
    auto recoverWithRebuild = [this] { recoverTaskbarPresentation(true); };
    observers_.push_back(connect(p.workspace, &Workspace::didWake, this, recoverWithRebuild));
    observers_.push_back(connect(p.workspace, &Workspace::screensDidWake, this, recoverWithRebuild));
    observers_.push_back(connect(p.workspace, &Workspace::sessionDidBecomeActive, this, recoverWithRebuild));
    observers_.push_back(connect(p.workspace, &Workspace::activeSpaceChanged, this, [this] {
        recoverTaskbarPresentation(false);
        updateWindowState();
    }));
    observers_.push_back(connect(p.workspace, &Workspace::applicationActivated, this, [this] { updateWindowState(); }));
    observers_.push_back(connect(p.workspace, &Workspace::sessionDidResignActive, this, [this] { closePreviewAndLauncher(); }));
    observers_.push_back(connect(p.workspace, &Workspace::screensDidSleep, this, [this] { closePreviewAndLauncher(); }));
}

void TaskbarWindowController::startWindowStateTimer() {
    if (windowStateTimer_.isActive())
        return;
    windowStateTimer_ = deps_.scheduler.every(1000ms, 250ms, this, [this] { updateWindowState(); });
}

void TaskbarWindowController::teardown() {
    for (auto& c : observers_)
        disconnect(c);
    observers_.clear();
    stopRevealPoll();
    windowStateTimer_.cancel();
    restoreAdjustedWindows(std::nullopt);
    closePreviewAndLauncher();
    // Hidden, not deleted: an alert of the window may still be returning into it.
    if (settingsWindow_)
        settingsWindow_->window()->hide();
    for (auto& [id, panel] : extraPanels_)
        panel->close();
    extraPanels_.clear();
    taskbarViews_.clear();
    registry_->onEntriesChanged = nullptr;
    tornDown_ = true;
}

void TaskbarWindowController::writeStateFile() const {
    if (stateFile_.isEmpty() || !primaryScreenID_)
        return;
    TaskbarView* view = taskbarView(*primaryScreenID_);
    if (!view)
        return;
    QJsonArray buttons;
    for (QWidget* widget : view->appRail->arrangedViews())
        if (auto* button = qobject_cast<AppButton*>(widget)) {
            const AppEntry& e = button->entry();
            // Where the button is on the screen, in Qt's (the X root's) coordinates.
            const QRect frame(button->mapToGlobal(QPoint(0, 0)), button->size());
            buttons.append(QJsonObject{
                {QStringLiteral("key"), e.key()},
                {QStringLiteral("title"), e.windowTitle.value_or(e.name)},
                {QStringLiteral("running"), e.isRunning},
                {QStringLiteral("active"), e.isActive},
                {QStringLiteral("frame"), QJsonArray{frame.x(), frame.y(), frame.width(), frame.height()}}});
        }
    // The add-on's tray buttons while they are shown.
    QJsonObject tray;
    auto trayButton = [&tray](const char* name, QWidget* button) {
        if (!button->isVisible())
            return;
        const QRect frame(button->mapToGlobal(QPoint(0, 0)), button->size());
        tray.insert(QLatin1String(name), QJsonArray{frame.x(), frame.y(), frame.width(), frame.height()});
    };
    trayButton("folder", view->tray()->summariesFolderBtn());
    trayButton("record", view->tray()->recordBtn());
    // Written whole or not at all, so a reader never sees half a list.
    QSaveFile file(stateFile_);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(QJsonObject{{QStringLiteral("buttons"), buttons}, {QStringLiteral("tray"), tray}})
                       .toJson(QJsonDocument::Compact));
        file.commit();
    }
}

void TaskbarWindowController::showWindow() { primaryPanel_->orderFrontRegardless(); }

TaskbarView* TaskbarWindowController::makeTaskbarView() {
    auto* view = new TaskbarView(TaskbarViewDependencies{deps_.settings, deps_.theme, deps_.updates, deps_.scheduler,
                                                         deps_.platform, deps_.recording});
    QPointer<TaskbarWindowController> self(this);
    view->appRail->onReorder = [self](const QString& bundleId, int visualIndex) {
        if (self)
            self->registry_->reorderApp(bundleId, visualIndex);
    };
    wireAppButtons(*view->appRail);
    view->appRail->update(registry_->buildEntries());
    view->onStartButtonClicked = [self](QWidget* anchor) {
        if (self)
            self->toggleLauncher(anchor);
    };
    view->onStartButtonRightClicked = [self](QWidget* anchor) {
        if (self)
            self->showStartButtonMenu(anchor);
    };
    connect(view->tray()->clock(), &ClockView::calendarShown, this, [this] { wakeRevealPoll(); });
    view->applySettings();
    return view;
}

void TaskbarWindowController::runMenu(QMenu& menu, QWidget* anchor) {
    // The menu's loop returns into the anchor's press handler: a rebuild
    // meanwhile must not delete the panel around it.
    KeepAlive alive(anchor);
    ++menuTrackingDepth_;
    wakeRevealPoll();
    if (presentMenu)
        presentMenu(menu, anchor);
    menuTrackingDepth_ = std::max(0, menuTrackingDepth_ - 1);
}

namespace {
QIcon symbolIcon(const QString& symbol) {
    if (symbol == QLatin1String("arrow.down.circle.fill"))
        return QIcon::fromTheme(QStringLiteral("software-update-available"),
                                QIcon::fromTheme(QStringLiteral("go-down")));
    return {};
}
} // namespace

void TaskbarWindowController::showStartButtonMenu(QWidget* anchor) {
    QMenu menu;
    if (auto look = ThemeService::windowAppearance(deps_.settings.current().appearanceMode))
        menu.setPalette(ThemeService::palette(*look));
    const auto& updates = deps_.updates;
    for (const auto& item : startButtonMenuModel(updates.availableVersion(), updates.isConfigured())) {
        if (item.separator) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(symbolIcon(item.symbol), item.title);
        const auto what = *item.action;
        QPointer<TaskbarWindowController> self(this);
        connect(action, &QAction::triggered, this, [self, what] {
            if (self)
                self->perform(what);
        });
    }
    runMenu(menu, anchor);
}

void TaskbarWindowController::perform(StartMenuAction action) {
    switch (action) {
    case StartMenuAction::CheckForUpdates:
        return checkForUpdates();
    case StartMenuAction::OpenSettings:
        return openSettings();
    case StartMenuAction::ShowWhatsNew:
        return showWhatsNew();
    case StartMenuAction::ConfirmQuit:
        return confirmQuit();
    }
}

void TaskbarWindowController::checkForUpdates() {
    if (!deps_.updates.hasUpdater())
        return;
    deps_.updates.checkForUpdates();
}

void TaskbarWindowController::confirmQuit() { deps_.quit.confirmAndQuit(); }

std::vector<QString> TaskbarWindowController::extraPanelIds() const {
    std::vector<QString> ids;
    for (const auto& [id, panel] : extraPanels_)
        ids.push_back(id);
    return ids;
}

TaskbarPanel* TaskbarWindowController::extraPanel(const QString& id) const {
    auto it = extraPanels_.find(id);
    return it == extraPanels_.end() ? nullptr : it->second.get();
}

TaskbarView* TaskbarWindowController::taskbarView(const QString& id) const {
    auto it = taskbarViews_.find(id);
    return it == taskbarViews_.end() ? nullptr : it->second.data();
}

// --- Connections to features that arrive with their own parts of the program ---

void TaskbarWindowController::toggleLauncher(QWidget* anchor) {
    if (isLauncherOpen()) {
        closeLauncher();
        return;
    }
    closeLauncher();
    launcherController_ = std::make_unique<LauncherPanelController>(
        LauncherDependencies{*registry_, deps_.settings, deps_.theme, deps_.scheduler, deps_.platform});
    if (anchor && anchor->window())
        launcherController_->show(anchor);
    wakeRevealPoll();
}

bool TaskbarWindowController::isLauncherOpen() const {
    return launcherController_ && launcherController_->isShown();
}

void TaskbarWindowController::closeLauncher() {
    if (!launcherController_)
        return;
    launcherController_->close();
    // Its row menu may be open and return into it.
    deleteWhenReleased(launcherController_.release());
}

void TaskbarWindowController::openSettings() {
    if (tornDown_ || !deps_.account || !deps_.platform.alerts)
        return;
    if (!settingsWindow_)
        settingsWindow_ = makeSettingsWindow();
    settingsWindow_->show();
}

std::unique_ptr<SettingsWindowController> TaskbarWindowController::makeSettingsWindow() {
    if (!deps_.account || !deps_.platform.alerts)
        return nullptr;
    auto window = std::make_unique<SettingsWindowController>(SettingsWindowDependencies{deps_.platform,
                                                                                        deps_.scheduler,
                                                                                        deps_.settings,
                                                                                        deps_.theme,
                                                                                        deps_.updates,
                                                                                        *deps_.account,
                                                                                        deps_.launchAtLogin,
                                                                                        deps_.dock,
                                                                                        {},
                                                                                        deps_.addOns});
    QPointer<TaskbarWindowController> self(this);
    window->onShowWhatsNew = [self] {
        if (self)
            self->showWhatsNew();
    };
    return window;
}

void TaskbarWindowController::showWhatsNew() {
    if (deps_.changelog)
        deps_.changelog->show();
}

void TaskbarWindowController::pushEntries() { registry_->publish(); }

void TaskbarWindowController::wireAppButtons(AppButtonsRail& rail) {
    QPointer<TaskbarWindowController> self(this);
    rail.onAppButtonClicked = [self](const AppEntry& entry) {
        if (self && self->activation_)
            self->activation_->activate(entry);
    };
    rail.onAppHoverBegin = [self](AppButton* button, const AppEntry& entry) {
        // A hover that ends inside a menu's loop would stand the preview over the menu.
        if (self && entry.isRunning && self->menuTrackingDepth_ == 0)
            self->showPreview(button, entry);
    };
    // The end of a hover leaves the preview to its own pointer polling: the
    // pointer may be on its way up into it.
    rail.onAppButtonRightClicked = [self](const AppEntry& entry, const QMouseEvent& event) {
        if (!self)
            return;
        self->closePreview();
        self->showApplicationMenu(entry, event.globalPosition().toPoint());
    };
}

void TaskbarWindowController::showPreview(QWidget* button, const AppEntry& entry) {
    QPointer<TaskbarWindowController> self(this);
    PreviewActions actions;
    actions.onSelectWindow = [self, entry](const std::optional<QString>& title, std::optional<quint32> number,
                                           const std::optional<Rect>& bounds) {
        if (self)
            self->activation_->selectWindow(entry, title, number, bounds);
    };
    actions.onCloseWindow = [self, entry](const std::optional<QString>& title, std::optional<quint32> number,
                                          const std::optional<Rect>& bounds) {
        if (self)
            self->closeWindowFromPreview(entry, title, number, bounds);
    };
    actions.onQuitApp = [self, entry] {
        if (self)
            self->quitFromPreview(entry);
    };
    previewPanel_->show(entry, button, deps_.settings.current(), std::move(actions));
    // An open preview keeps the bar up, so a resting poll must see it.
    wakeRevealPoll();
}

void TaskbarWindowController::quitFromPreview(const AppEntry& entry) {
    // The file browser keeps running whatever its preview says.
    if (entry.bundleId == deps_.platform.workspace->fileBrowserIdentifier())
        return;
    if (const auto app = resolveRunningApplication(entry, *deps_.platform.workspace))
        deps_.platform.workspace->terminate(app->handle);
}

bool TaskbarWindowController::isPreviewOpen() const {
    return previewPanel_ && previewPanel_->isShown();
}

void TaskbarWindowController::closePreview() {
    if (previewPanel_)
        previewPanel_->close();
}

void TaskbarWindowController::connectNewWindowCommand(ActivationController& activation) {
    activation.tryInvokeNewWindowMenu = [commands = windowCommands_.get()](const RunningApplication& app,
                                                                           bool openingMenus) {
        return commands->tryInvokeNewWindowMenu(app, openingMenus);
    };
}

void TaskbarWindowController::closeWindowFromPreview(const AppEntry& entry, const std::optional<QString>& title,
                                                     std::optional<quint32> number, const std::optional<Rect>& bounds) {
    windowCommands_->closeWindow(entry, title, number, bounds);
}

void TaskbarWindowController::showApplicationMenu(const AppEntry& entry, std::optional<QPoint> at) {
    if (tornDown_)
        return;
    closePreview();
    QMenu menu;
    if (auto look = ThemeService::windowAppearance(deps_.settings.current().appearanceMode))
        menu.setPalette(ThemeService::palette(*look));
    menu.setProperty("popupAt", at.value_or(QCursor::pos()));
    QPointer<TaskbarWindowController> self(this);
    for (auto& item : appMenu_->buildContextMenu(entry)) {
        if (item.separator) {
            menu.addSeparator();
            continue;
        }
        // Titles come from other applications: an ampersand is shown, never a mnemonic.
        QAction* action = menu.addAction(QString(item.title).replace(u'&', QLatin1String("&&")));
        connect(action, &QAction::triggered, this, [self, item = std::move(item)] {
            if (self)
                self->appMenu_->perform(item);
        });
    }
    runMenu(menu, nullptr);
}

void TaskbarWindowController::closePreviewAndLauncher() {
    closePreview();
    closeLauncher();
}

void TaskbarWindowController::restoreAdjustedWindows(const std::optional<QString>& id) {
    clearance_.restoreAdjustedWindows(id);
}

bool TaskbarWindowController::hasFullscreenLikeWindow() const {
    return vantorel::hasFullscreenLikeWindow(deps_.platform);
}

void TaskbarWindowController::updateRevealTimer() {
    if (!autoHideEnabled_ && !fullscreenLikeActive_) {
        stopRevealPoll();
        return;
    }
    if (revealTimer_.isActive() || revealPollResting_)
        return;
    startRevealTimer();
}

void TaskbarWindowController::startRevealTimer() {
    // The scheduler's timers also fire inside a menu's loop, so an open menu keeps the bar up.
    revealTimer_ = deps_.scheduler.every(kRevealInterval, 0ms, this, [this] { refreshAutoHideFrames(); });
}

void TaskbarWindowController::stopRevealPoll() {
    revealTimer_.cancel();
    lastRevealPass_.reset();
    if (!std::exchange(revealPollResting_, false))
        return;
    if (deps_.platform.pointer)
        deps_.platform.pointer->cancelMotionNotice();
}

void TaskbarWindowController::settleRevealPoll(RevealPass pass) {
    bool sliding = false;
    for (auto& [id, panel] : panelsById())
        sliding = sliding || panel->isSliding();
    // Closing popups do not all announce it: while one is open the poll runs.
    const bool still = lastRevealPass_ == pass && !pass.popupOpen && !sliding;
    const std::optional<Point> pointer = pass.pointer;
    lastRevealPass_ = std::move(pass);
    if (!still) {
        if (std::exchange(revealPollResting_, false)) {
            deps_.platform.pointer->cancelMotionNotice();
            startRevealTimer();
        }
        return;
    }
    if (revealPollResting_ || !revealTimer_.isActive() || !pointer)
        return;
    Pointer& port = *deps_.platform.pointer;
    QPointer<TaskbarWindowController> self(this);
    if (!port.notifyNextMotion([self] {
            if (self)
                self->wakeRevealPoll();
        }))
        return;
    // A motion between this pass's read and the request went unannounced.
    if (port.location() != *pointer) {
        port.cancelMotionNotice();
        return;
    }
    revealTimer_.cancel();
    revealPollResting_ = true;
}

void TaskbarWindowController::wakeRevealPoll() {
    if (!std::exchange(revealPollResting_, false))
        return;
    deps_.platform.pointer->cancelMotionNotice();
    startRevealTimer();
    refreshAutoHideFrames();
}

void TaskbarWindowController::refreshAutoHideFrames() {
    if (!autoHideEnabled_ && !fullscreenLikeActive_) {
        restoreAdjustedWindows(std::nullopt);
        for (auto& [id, panel] : panelsById())
            visibleByScreenID_[id] = true;
        positionPanels();
        return;
    }
    std::map<QString, Display> byId;
    for (const auto& s : targetScreens())
        byId.emplace(screenId(s), s);
    // One read of the pointer per pass (a round trip to the display server); none
    // while the poll rests, since a motion wakes it (and the one-second check a warp).
    const std::optional<Point> pointer = revealPollResting_ && lastRevealPass_ ? lastRevealPass_->pointer
                                         : deps_.platform.pointer ? std::optional(deps_.platform.pointer->location())
                                                                  : std::nullopt;
    const bool popupOpen =
        isPreviewOpen() || isLauncherOpen() || ClockView::openCalendarCount() >= 1 || menuTrackingDepth_ > 0;
    const double percent = deps_.settings.current().iconScalePercent;
    for (auto& [id, panel] : panelsById()) {
        auto screen = byId.find(id);
        if (screen == byId.end())
            continue;
        const Display& display = screen->second;
        const bool show = popupOpen || (pointer && pointerWantsBar(display.frame, panel->frame(), *pointer));
        // A panel without a decision yet takes this one in full, windows moved aside included.
        auto known = visibleByScreenID_.find(id);
        if (known != visibleByScreenID_.end() && known->second == show)
            continue;
        visibleByScreenID_[id] = show;
        const Rect shown = shownPanelFrame(display.frame, percent);
        if (show) {
            panel->slideTo(shown, deps_.scheduler);
            clearance_.adjustFullscreenLikeWindows(display, id, barHeight(percent));
        } else {
            panel->slideTo(hiddenPanelFrame(shown), deps_.scheduler);
            restoreAdjustedWindows(id);
        }
    }
    applyStacking();
    settleRevealPoll({pointer, popupOpen, visibleByScreenID_});
}

void TaskbarWindowController::applyStacking() {
    if (!deps_.platform.panels)
        return;
    for (auto& [id, panel] : panelsById()) {
        auto visible = visibleByScreenID_.find(id);
        const bool shown = visible == visibleByScreenID_.end() || visible->second;
        deps_.platform.panels->standAboveFullScreen(panel, shown && fullscreenLikeActive_);
    }
}

void TaskbarWindowController::clampMaximizedFrontWindow() {
    clearance_.clampMaximizedFrontWindow(targetScreens(), barHeight(deps_.settings.current().iconScalePercent));
}

} // namespace vantorel
