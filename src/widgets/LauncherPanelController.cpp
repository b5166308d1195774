#include "widgets/LauncherPanelController.h"

#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "apps/AppRegistryService.h"
#include "core/Geometry.h"
#include "core/KeepAlive.h"
#include "platform/Screens.h"
#include "platform/Workspace.h"
#include "widgets/LauncherView.h"
#include "widgets/Popover.h"

#include <QLocale>
#include <QMenu>

namespace vantorel {

LauncherPanelController::LauncherPanelController(LauncherDependencies deps, QObject* parent)
    : QObject(parent), deps_(std::move(deps)) {
    presentMenu = [](QMenu& menu, QPoint at) { menu.exec(at); };
    loadApps();
}

LauncherPanelController::~LauncherPanelController() {
    close();
}

void LauncherPanelController::loadApps() {
    allApps_ = sortedLauncherApps(deps_.platform.workspace->installedApplications(), QLocale());
}

Popover* LauncherPanelController::popover() const {
    return popover_.data();
}

LauncherSearchField* LauncherPanelController::searchField() const {
    return content_ ? content_->searchField() : nullptr;
}

LauncherListView* LauncherPanelController::tableView() const {
    return content_ ? content_->list() : nullptr;
}

bool LauncherPanelController::isShown() const {
    return popover_ && popover_->isShown();
}

void LauncherPanelController::show(QWidget* anchor) {
    // A closed launcher stays closed; the next opening makes a new one.
    if (wasShown_ || !anchor || !anchor->window())
        return;
    wasShown_ = true;
    anchorView_ = anchor;
    anchorWindow_ = anchor->window();

    const AppearanceMode mode = deps_.settings.current().appearanceMode;
    const ResolvedTheme look = deps_.theme.resolve(mode);
    Workspace* workspace = deps_.platform.workspace;
    auto* content =
        new LauncherContentView(look, [workspace](const QString& url) { return workspace->iconForFile(url); });
    content->resize(kWidth, kHeight);
    content_ = content;
    popover_ = new Popover(content, Popover::Focus::TakesKeyboard);
    const ThemeService* theme = &deps_.theme;
    popover_->systemLook = [theme] { return theme->currentSystemTheme(); };
    popover_->setAppearance(ThemeService::windowAppearance(mode));
    popover_->setFillColor(launcherColors(look).background);
    popover_->setContentSize(QSize(kWidth, kHeight));

    QPointer<LauncherPanelController> self(this);
    LauncherSearchField* field = content->searchField();
    field->onCommandKey = [self](int key) { return self && self->handleSearchCommand(key); };
    connect(field, &QLineEdit::textChanged, this, &LauncherPanelController::applyFilter);
    LauncherListView* list = content->list();
    list->onActivateRow = [self](int row) {
        if (self)
            self->launch(row);
    };
    list->onContextMenu = [self](int row, QPoint at) {
        if (self)
            self->showContextMenu(row, at);
    };
    connect(list, &QListView::clicked, this, [this](const QModelIndex& index) { launch(index.row()); });

    filteredApps_ = allApps_;
    content->model()->setApps(filteredApps_);
    selectRow(0);

    popover_->show(anchor);
    // Typing goes straight into the search field.
    field->setFocus(Qt::OtherFocusReason);
    if (deps_.platform.clicks)
        clickWatch_ = deps_.platform.clicks->watchMouseDowns([self] {
            if (self)
                self->close();
        });
    dismissal_.emplace(deps_.scheduler.now());
    dismissTimer_ = deps_.scheduler.every(kDismissPollInterval, 0ms, this, [this] { pollPointer(); });
}

void LauncherPanelController::close() {
    dismissTimer_.cancel();
    dismissTimer_ = {};
    dismissal_.reset();
    anchorView_.clear();
    anchorWindow_.clear();
    clickWatch_.reset();
    if (Popover* popover = popover_.data()) {
        popover_.clear();
        popover->close();
        // Its own key or click handler, or the row menu's loop, may still run in it.
        deleteWhenReleased(popover);
    }
}

int LauncherPanelController::selectedRow() const {
    const LauncherListView* list = tableView();
    return list ? list->selectedRow() : -1;
}

void LauncherPanelController::selectRow(int row) {
    LauncherListView* list = tableView();
    if (!list)
        return;
    QItemSelectionModel* selection = list->selectionModel();
    if (row >= 0 && row < static_cast<int>(filteredApps_.size())) {
        const QModelIndex index = content_->model()->index(row);
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        list->scrollTo(index);
    } else {
        selection->clearSelection();
        selection->clearCurrentIndex();
    }
}

void LauncherPanelController::applyFilter(const QString& fieldText) {
    filteredApps_ = filterLauncherApps(allApps_, launcherQuery(fieldText), QLocale());
    if (content_)
        content_->model()->setApps(filteredApps_);
    selectRow(0);
}

bool LauncherPanelController::handleSearchCommand(int key) {
    switch (key) {
    case Qt::Key_Down:
        selectRow(rowBelow(selectedRow(), static_cast<int>(filteredApps_.size())));
        return true;
    case Qt::Key_Up:
        selectRow(rowAbove(selectedRow()));
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        launch(rowToOpen(selectedRow()));
        return true;
    case Qt::Key_Escape:
        close();
        return true;
    default:
        return false;
    }
}

void LauncherPanelController::launch(int row) {
    if (row < 0 || row >= static_cast<int>(filteredApps_.size()))
        return;
    const QString url = filteredApps_[static_cast<size_t>(row)].url;
    close();
    deps_.platform.workspace->openApplicationAt(url);
}

std::unique_ptr<QMenu> LauncherPanelController::contextMenu(int row) {
    if (row < 0 || row >= static_cast<int>(filteredApps_.size()))
        return nullptr;
    const LauncherApp app = filteredApps_[static_cast<size_t>(row)];
    if (!app.bundleId)
        return nullptr;
    auto menu = std::make_unique<QMenu>();
    if (auto look = ThemeService::windowAppearance(deps_.settings.current().appearanceMode))
        menu->setPalette(ThemeService::palette(*look));
    const QString id = *app.bundleId;
    AppRegistryService& registry = deps_.registry;
    if (registry.pinnedBundleIds().contains(id))
        connect(menu->addAction(QStringLiteral("Remove from Taskbar")), &QAction::triggered, this,
                [&registry, id] { registry.unpin(id); });
    else
        connect(menu->addAction(QStringLiteral("Add to Taskbar")), &QAction::triggered, this,
                [&registry, id] { registry.pin(id); });
    Workspace* workspace = deps_.platform.workspace;
    connect(menu->addAction(QStringLiteral("Show in ") + workspace->fileBrowserName()), &QAction::triggered, this,
            [workspace, url = app.url] { workspace->revealInFileBrowser(url); });
    return menu;
}

void LauncherPanelController::showContextMenu(int row, QPoint globalPos) {
    auto menu = contextMenu(row);
    if (!menu || !presentMenu)
        return;
    // The menu's loop returns into the list's handler and into this function:
    // a close meanwhile must not delete either.
    KeepAlive holdSelf(this);
    KeepAlive holdList(tableView());
    menuOpen_ = true;
    presentMenu(*menu, globalPos);
    menuOpen_ = false;
}

void LauncherPanelController::pollPointer() {
    if (!popover_ || !popover_->isShown() || !dismissal_)
        return;
    // The pointer on the row menu is still with the launcher.
    const bool inside = menuOpen_ || pointerIsInside();
    if (dismissal_->shouldClose(deps_.scheduler.now(), inside))
        close();
}

bool LauncherPanelController::pointerIsInside() const {
    const Point at = deps_.platform.pointer->location();
    const ScreenSpace space = ScreenSpace::fromPrimaryScreen();
    auto grown = [](Rect r) {
        return Rect{r.x - kHoverMargin, r.y - kHoverMargin, r.width + 2 * kHoverMargin, r.height + 2 * kHoverMargin};
    };
    if (grown(space.fromQt(QRectF(popover_->geometry()))).contains(at))
        return true;
    if (anchorView_ && anchorWindow_) {
        const QRectF anchor(anchorView_->mapToGlobal(QPointF(0, 0)), QSizeF(anchorView_->size()));
        if (grown(space.fromQt(anchor)).contains(at))
            return true;
    }
    return false;
}

} // namespace vantorel
