#include "widgets/WindowCommands.h"

#include "app/QuitConfirmation.h"
#include "apps/ActivationController.h"
#include "apps/AppEntry.h"
#include "core/Log.h"
#include "core/Scheduler.h"
#include "platform/Alerts.h"
#include "platform/KeyEvents.h"
#include "platform/Scripting.h"
#include "platform/WindowServer.h"

namespace vantorel {

namespace {
constexpr Duration kFirstStrategyDelay = 160ms;
constexpr Duration kAfterPressedItem = 600ms;
constexpr Duration kAfterNothingPressed = 50ms;
constexpr Duration kFrontmostRetry = 100ms;
constexpr int kFrontmostAttempts = 5;
constexpr int kMaxMenuDepth = 10;
// Bit 3 of a menu shortcut's modifiers: the shortcut is without the Command key.
constexpr qint64 kWithoutCommand = 1 << 3;

QString boolText(bool value) {
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

std::vector<AXElement> elementsOf(const AXRead& read) {
    if (auto list = read.as<std::vector<AXElement>>())
        return *list;
    // A single element where a list was asked for (a bar item's menu) counts as a list of one.
    if (auto one = read.as<AXElement>())
        return {*one};
    return {};
}
} // namespace

std::optional<qint64> axInteger(const AXRead& read) {
    if (auto i = read.as<qint64>())
        return i;
    if (auto d = read.as<double>())
        return static_cast<qint64>(*d);
    return std::nullopt;
}

bool axReadsFalse(const AXRead& read) {
    return read.as<bool>() == false || axInteger(read) == 0;
}

std::optional<AXElement> menuOfBarItem(Accessibility& ax, const AXElement& barItem) {
    if (auto menu = ax.copyAttribute(barItem, AX::kMenu).as<AXElement>())
        return menu;
    const auto children = ax.copyAttribute(barItem, AX::kChildren).as<std::vector<AXElement>>();
    if (children && !children->empty())
        return children->front();
    return std::nullopt;
}

QString rawValue(NewWindowStrategy strategy) {
    switch (strategy) {
    case NewWindowStrategy::ClosedMenu:
        return QStringLiteral("closedMenu");
    case NewWindowStrategy::OpenedMenu:
        return QStringLiteral("openedMenu");
    case NewWindowStrategy::Keystroke:
        return QStringLiteral("keystroke");
    }
    return {};
}

int accessibilityErrorCode(AXError error) {
    switch (error) {
    case AXError::Success:
        return 0;
    case AXError::Failure:
        return -25200;
    case AXError::IllegalArgument:
        return -25201;
    case AXError::InvalidElement:
        return -25202;
    case AXError::CannotComplete:
        return -25204;
    case AXError::AttributeUnsupported:
        return -25205;
    case AXError::ActionUnsupported:
        return -25206;
    case AXError::APIDisabled:
        return -25211;
    case AXError::NoValue:
        return -25212;
    }
    return -25200;
}

QString loggedName(const RunningApplication& app) {
    return app.localizedName.isEmpty() ? QStringLiteral("app") : app.localizedName;
}

WindowCommands::WindowCommands(const Platform& platform, Scheduler& scheduler, ActivationController& activation,
                               QObject* parent)
    : QObject(parent), platform_(platform), scheduler_(scheduler), activation_(activation) {}

bool WindowCommands::trusted() const {
    return activation_.trusted();
}

bool WindowCommands::isFileBrowser(const QString& bundleId) const {
    return activation_.isFileBrowser(bundleId);
}

void WindowCommands::bringForward(const RunningApplication& app) {
    Workspace& ws = *platform_.workspace;
    const auto now = activation_.lookupRunningApplication(app.handle, app.bundleIdentifier);
    if (now ? now->isHidden : app.isHidden)
        ws.unhide(app.handle);
    ws.activate(app.handle, true);
    if (trusted())
        platform_.accessibility->setAttribute(platform_.accessibility->applicationElement(app.handle), AX::kFrontmost,
                                              true);
}

int WindowCommands::onScreenWindowCount(const RunningApplication& app) const {
    if (!platform_.windowServer)
        return 0;
    const auto list = platform_.windowServer->windowList({true, true});
    if (!list)
        return 0;
    // By application rather than process: a new window may come from a
    // process of its own (a desktop action starts one).
    int count = 0;
    for (const auto& w : *list)
        if (w.owner == app.handle && w.layer.value_or(0) == 0)
            ++count;
    return count;
}

void WindowCommands::newWindow(const AppEntry& entry) {
    Workspace& ws = *platform_.workspace;
    if (isFileBrowser(entry.bundleId))
        return activation_.openNewFileBrowserWindow();
    const auto app = resolveRunningApplication(entry, ws);
    if (!app) {
        if (const auto location = ws.applicationLocation(entry.bundleId))
            ws.openApplicationAt(*location);
        return;
    }
    if (!trusted()) {
        Log::windows().error(QStringLiteral("New Window: Accessibility not granted"));
        if (platform_.alerts)
            presentAccessibilityNeededAlert(QStringLiteral("New Window"), *platform_.alerts, ws);
        return;
    }
    bringForward(*app);
    const int before = onScreenWindowCount(*app);
    scheduler_.after(kFirstStrategyDelay, this, [this, handle = app->handle, id = app->bundleIdentifier, before] {
        attemptStrategies({NewWindowStrategy::ClosedMenu, NewWindowStrategy::OpenedMenu, NewWindowStrategy::Keystroke},
                          handle, id, before);
    });
}

void WindowCommands::attemptStrategies(std::vector<NewWindowStrategy> strategies, AppHandle handle,
                                       std::optional<QString> bundleId, int windowsBefore) {
    if (strategies.empty())
        return;
    const auto app = activation_.lookupRunningApplication(handle, bundleId);
    if (!app || app->isTerminated)
        return;
    const NewWindowStrategy strategy = strategies.front();
    strategies.erase(strategies.begin());
    bringForward(*app);
    if (strategy == NewWindowStrategy::Keystroke) {
        Log::windows().info(QStringLiteral("New Window: sending Cmd-N to %1").arg(loggedName(*app)));
        sendKeystrokeWhenFrontmost(handle, bundleId, kFrontmostAttempts);
        return;
    }
    const bool pressed = tryInvokeNewWindowMenu(*app, strategy == NewWindowStrategy::OpenedMenu);
    Log::windows().info(QStringLiteral("New Window: %1 pressed=%2").arg(rawValue(strategy), boolText(pressed)));
    scheduler_.after(pressed ? kAfterPressedItem : kAfterNothingPressed, this,
                     [this, strategies = std::move(strategies), handle, bundleId, windowsBefore] {
                         const auto now = activation_.lookupRunningApplication(handle, bundleId);
                         if (!now || onScreenWindowCount(*now) > windowsBefore)
                             return;
                         attemptStrategies(strategies, handle, bundleId, windowsBefore);
                     });
}

void WindowCommands::sendKeystrokeWhenFrontmost(AppHandle handle, std::optional<QString> bundleId, int attemptsLeft) {
    const auto app = activation_.lookupRunningApplication(handle, bundleId);
    if (!app || app->isTerminated)
        return;
    const auto front = platform_.workspace->frontmostApplication();
    if (front && front->handle == app->handle) {
        if (platform_.keyEvents)
            platform_.keyEvents->postToFrontmost({VirtualKey::N, KeyModifier::Command});
        return;
    }
    if (attemptsLeft < 1) {
        Log::windows().info(
            QStringLiteral("New Window: %1 never became frontmost; skipped Cmd-N").arg(loggedName(*app)));
        return;
    }
    bringForward(*app);
    scheduler_.after(kFrontmostRetry, this, [this, handle, bundleId, attemptsLeft] {
        sendKeystrokeWhenFrontmost(handle, bundleId, attemptsLeft - 1);
    });
}

bool WindowCommands::tryInvokeNewWindowMenu(const RunningApplication& app, bool openingMenus) {
    if (!trusted())
        return false;
    Accessibility& ax = *platform_.accessibility;
    const auto bar = ax.copyAttribute(ax.applicationElement(app.handle), AX::kMenuBar).as<AXElement>();
    if (!bar)
        return false;
    const auto items = ax.copyAttribute(*bar, AX::kChildren).as<std::vector<AXElement>>();
    if (!items)
        return false;
    std::optional<AXElement> lastOpened;
    // The first item is the system's own menu.
    for (std::size_t i = 1; i < items->size(); ++i) {
        const AXElement& top = (*items)[i];
        if (openingMenus)
            ax.performAction(top, AX::kPress);
        const auto menu = menuOfBarItem(ax, top);
        if (!menu)
            continue;
        if (openingMenus)
            lastOpened = menu;
        if (const auto item = findNewWindowItem(*menu, 0))
            if (ax.performAction(*item, AX::kPress) == AXError::Success)
                return true;
    }
    if (lastOpened)
        ax.performAction(*lastOpened, AX::kCancel);
    return false;
}

std::optional<AXElement> WindowCommands::findNewWindowItem(const AXElement& element, int depth) const {
    if (depth > kMaxMenuDepth)
        return std::nullopt;
    Accessibility& ax = *platform_.accessibility;
    const auto role = ax.copyAttribute(element, AX::kRole).as<QString>();
    if (role && role->toLower() == AX::kMenuItemRole.toLower()) {
        const bool disabled = axReadsFalse(ax.copyAttribute(element, AX::kEnabled));
        const auto cmdChar = ax.copyAttribute(element, AX::kMenuItemCmdChar).as<QString>();
        const auto modifiers = axInteger(ax.copyAttribute(element, AX::kMenuItemCmdModifiers));
        if (!disabled && cmdChar && cmdChar->trimmed().toLower() == QLatin1String("n") &&
            (!modifiers || !(*modifiers & kWithoutCommand)))
            return element;
    }
    for (const QString& attribute : {AX::kChildren, AX::kMenu})
        for (const AXElement& child : elementsOf(ax.copyAttribute(element, attribute)))
            if (auto found = findNewWindowItem(child, depth + 1))
                return found;
    return std::nullopt;
}

bool WindowCommands::closeWindow(const AppEntry& entry, const std::optional<QString>& title,
                                 std::optional<quint32> number, const std::optional<Rect>& expectedBounds) {
    Workspace& ws = *platform_.workspace;
    const auto app = resolveRunningApplication(entry, ws);
    if (!app) {
        Log::windows().error(QStringLiteral("Close window: %1 isn't running").arg(entry.bundleId));
        return false;
    }
    const bool isTrusted = trusted();
    Log::windows().info(QStringLiteral("Close window: %1 number=%2 accessibility=%3")
                            .arg(entry.bundleId)
                            .arg(number ? qint64(*number) : qint64(-1))
                            .arg(boolText(isTrusted)));
    if (isFileBrowser(entry.bundleId)) {
        if (isTrusted && closeWindow(*app, title, number, expectedBounds))
            return true;
        return closeFileBrowserWindow(title);
    }
    if (!isTrusted) {
        if (platform_.alerts)
            presentAccessibilityNeededAlert(QStringLiteral("Closing a window from its preview"), *platform_.alerts, ws);
        return false;
    }
    return closeWindow(*app, title, number, expectedBounds);
}

bool WindowCommands::closeWindow(const RunningApplication& app, const std::optional<QString>& matchingTitle,
                                 std::optional<quint32> matchingNumber, const std::optional<Rect>& expectedBounds) {
    Workspace& ws = *platform_.workspace;
    Accessibility& ax = *platform_.accessibility;
    const auto now = activation_.lookupRunningApplication(app.handle, app.bundleIdentifier);
    if (now ? now->isHidden : app.isHidden)
        ws.unhide(app.handle);
    ws.activate(app.handle, true);

    const AXElement application = ax.applicationElement(app.handle);
    const auto windows = ax.copyAttribute(application, AX::kWindows).as<std::vector<AXElement>>();
    if (!windows) {
        Log::windows().error(QStringLiteral("Close window: couldn't read the app's windows over Accessibility"));
        return false;
    }
    std::vector<AXElement> standard;
    for (const auto& w : *windows)
        if (ax.copyAttribute(w, AX::kSubrole).as<QString>() == AX::kStandardWindow)
            standard.push_back(w);
    if (standard.empty()) {
        Log::windows().error(QStringLiteral("Close window: no standard windows"));
        return false;
    }
    std::optional<AXElement> target;
    if (matchingNumber)
        for (const auto& w : standard)
            if (ax.windowNumber(w) == matchingNumber) {
                target = w;
                break;
            }
    if (!target)
        target = activation_.selectBestWindow(standard, matchingTitle, std::nullopt, expectedBounds);
    if (!target) {
        Log::windows().error(QStringLiteral("Close window: target window not found"));
        return false;
    }
    if (ax.copyAttribute(*target, AX::kMinimized).as<bool>() == true)
        ax.setAttribute(*target, AX::kMinimized, false);
    ax.setAttribute(*target, AX::kMain, true);
    ax.setAttribute(application, AX::kFocusedWindow, *target);
    ax.performAction(*target, AX::kRaise);

    if (const auto button = ax.copyAttribute(*target, AX::kCloseButton).as<AXElement>()) {
        const int status = accessibilityErrorCode(ax.performAction(*button, AX::kPress));
        Log::windows().info(QStringLiteral("Close window: pressed close button, status=%1").arg(status));
        if (status == 0)
            return true;
    }
    // The last resort is not checked: the command reports success.
    if (ax.performAction(*target, AX::kClose) != AXError::Success && platform_.keyEvents)
        platform_.keyEvents->postToApplication(app.handle, {VirtualKey::W, KeyModifier::Command | KeyModifier::Shift});
    return true;
}

bool WindowCommands::closeFileBrowserWindow(const std::optional<QString>& name) {
    if (!name || name->isEmpty() || !platform_.scripting)
        return false;
    const ScriptOutcome outcome = platform_.scripting->closeFileBrowserWindow(*name);
    if (!outcome.ran || outcome.error) {
        Log::windows().error(QStringLiteral("Close Finder window via AppleScript failed: %1")
                                 .arg(outcome.error.value_or(QStringLiteral("the request could not be made"))));
        return false;
    }
    return outcome.result == QLatin1String("closed");
}

void WindowCommands::closeAllWindows(const AppEntry& entry) {
    const auto app = resolveRunningApplication(entry, *platform_.workspace);
    if (!app)
        return;
    if (isFileBrowser(entry.bundleId) && platform_.scripting) {
        const ScriptOutcome outcome = platform_.scripting->closeAllFileBrowserWindows();
        if (!outcome.ran || !outcome.error)
            return;
    }
    if (!trusted()) {
        Log::windows().error(QStringLiteral("Close All Windows: Accessibility not granted"));
        return;
    }
    Accessibility& ax = *platform_.accessibility;
    const auto windows =
        ax.copyAttribute(ax.applicationElement(app->handle), AX::kWindows).as<std::vector<AXElement>>();
    if (!windows)
        return;
    for (const auto& w : *windows) {
        if (ax.copyAttribute(w, AX::kSubrole).as<QString>() != AX::kStandardWindow)
            continue;
        if (const auto button = ax.copyAttribute(w, AX::kCloseButton).as<AXElement>())
            ax.performAction(*button, AX::kPress);
    }
}

} // namespace vantorel
