#include "widgets/AppMenuHandler.h"

#include "apps/ActivationController.h"
#include "apps/AppRegistryService.h"
#include "core/Scheduler.h"
#include "platform/KeyEvents.h"
#include "platform/Workspace.h"
#include "widgets/WindowCommands.h"

#include <QSet>
#include <algorithm>

namespace vantorel {

namespace {
constexpr Duration kSecondAttemptDelay = 180ms;
constexpr Duration kExitCheckInterval = 200ms;
constexpr int kExitChecks = 25;
constexpr std::size_t kMaxCommands = 8;

struct KnownCommand {
    QStringList ids; // the other platform's bundle identifiers, then Linux desktop-file ids
    const char* title;
    quint16 virtualKey;
};

const KnownCommand kKnownCommands[] = {
    {{QStringLiteral("com.apple.Safari")}, "New Private Window", VirtualKey::N},
    {{QStringLiteral("com.google.Chrome"), QStringLiteral("com.brave.Browser"), QStringLiteral("com.microsoft.edgemac"),
      QStringLiteral("company.thebrowser.Browser"), QStringLiteral("chromium.desktop"),
      QStringLiteral("chromium-browser.desktop"), QStringLiteral("org.chromium.Chromium.desktop"),
      QStringLiteral("google-chrome.desktop"), QStringLiteral("com.google.Chrome.desktop"),
      QStringLiteral("brave-browser.desktop"), QStringLiteral("com.brave.Browser.desktop"),
      QStringLiteral("microsoft-edge.desktop"), QStringLiteral("com.microsoft.Edge.desktop")},
     "New Incognito Window",
     VirtualKey::N},
    {{QStringLiteral("org.mozilla.firefox"), QStringLiteral("org.mozilla.floorp"), QStringLiteral("firefox.desktop"),
      QStringLiteral("firefox-esr.desktop"), QStringLiteral("org.mozilla.firefox.desktop")},
     "New Private Window",
     VirtualKey::P},
};

// Items every application has, which the menu offers already or never.
const QSet<QString> kSkippedTitles = {
    QStringLiteral("new window"),        QStringLiteral("open"),           QStringLiteral("close"),
    QStringLiteral("close window"),      QStringLiteral("hide"),           QStringLiteral("quit"),
    QStringLiteral("preferences\u2026"), QStringLiteral("preferences..."), QStringLiteral("settings\u2026"),
    QStringLiteral("settings..."),
};

QString trimmedTitle(Accessibility& ax, const AXElement& element) {
    return ax.copyAttribute(element, AX::kTitle).as<QString>().value_or(QString()).trimmed();
}
} // namespace

std::vector<AppSpecificMenuCommand> knownSupplementalMenuCommands(const QString& bundleId) {
    for (const auto& known : kKnownCommands)
        if (known.ids.contains(bundleId))
            return {{bundleId, QString::fromUtf8(known.title), QStringLiteral("File"), known.virtualKey, 1}};
    return {};
}

bool shouldInspectTopLevelMenu(const QString& title, const QString& applicationName) {
    const QString key = title.trimmed().toLower();
    if (key.isEmpty())
        return false;
    return key == QLatin1String("file") || key == QLatin1String("window") || key == applicationName.trimmed().toLower();
}

bool isOfferedCommandTitle(const QString& key) {
    if (key.isEmpty() || kSkippedTitles.contains(key))
        return false;
    if (key.startsWith(QLatin1String("new ")))
        return true;
    return key.contains(QLatin1String("private")) || key.contains(QLatin1String("incognito")) ||
           key.contains(QLatin1String("guest")) || key.contains(QLatin1String("profile"));
}

AppMenuHandler::AppMenuHandler(const Platform& platform, Scheduler& scheduler, ActivationController& activation,
                               WindowCommands& commands, QObject* parent)
    : QObject(parent), platform_(platform), scheduler_(scheduler), activation_(activation), commands_(commands) {}

bool AppMenuHandler::trusted() const {
    return activation_.trusted();
}

std::vector<AppMenuItem> AppMenuHandler::buildContextMenu(const AppEntry& entry) const {
    Workspace& ws = *platform_.workspace;
    const bool isFileBrowser = activation_.isFileBrowser(entry.bundleId);
    std::vector<AppMenuItem> items;
    auto add = [&](const QString& title, AppMenuAction action) { items.push_back({false, title, action, entry}); };
    auto separator = [&] { items.push_back({true, {}, {}, {}}); };
    auto pinItem = [&] {
        if (isProcessIdentifier(entry.bundleId))
            return;
        add(entry.isPinned ? QStringLiteral("Unpin from Taskbar") : QStringLiteral("Pin to Taskbar"),
            AppMenuAction::Pin);
    };
    const QString reveal = QStringLiteral("Reveal in ") + ws.fileBrowserName();

    const auto app = resolveRunningApplication(entry, ws);
    if (!app) {
        add(QStringLiteral("Open"), AppMenuAction::Open);
        separator();
        pinItem();
        add(reveal, AppMenuAction::Reveal);
        return items;
    }
    if (entry.windowID) {
        add(QStringLiteral("Close Window"), AppMenuAction::CloseWindow);
        separator();
    }
    add(app->isHidden ? QStringLiteral("Show") : QStringLiteral("Hide"), AppMenuAction::Hide);
    separator();
    add(QStringLiteral("New Window"), AppMenuAction::NewWindow);
    // Offered only where it can act: without the permission nobody can tell.
    if (!entry.windowID && (!trusted() || !activation_.axWindows(*app).empty()))
        add(QStringLiteral("Close All Windows"), AppMenuAction::CloseAllWindows);
    const auto commands = supplementalMenuCommands(entry, *app);
    if (!commands.empty()) {
        separator();
        for (const auto& command : commands)
            items.push_back({false, command.title, AppMenuAction::AppSpecificCommand, command});
    }
    separator();
    pinItem();
    add(reveal, AppMenuAction::Reveal);
    separator();
    if (isFileBrowser) {
        items.push_back({false, QStringLiteral("Relaunch ") + ws.fileBrowserName(), AppMenuAction::RelaunchFileBrowser,
                         std::monostate{}});
    } else {
        add(QStringLiteral("Quit"), AppMenuAction::Quit);
        add(QStringLiteral("Force Quit"), AppMenuAction::ForceQuit);
    }
    return items;
}

std::vector<AppSpecificMenuCommand> AppMenuHandler::supplementalMenuCommands(const AppEntry& entry,
                                                                             const RunningApplication& app) const {
    auto commands = knownSupplementalMenuCommands(entry.bundleId);
    if (!trusted())
        return commands;
    Accessibility& ax = *platform_.accessibility;
    const auto bar = ax.copyAttribute(ax.applicationElement(app.handle), AX::kMenuBar).as<AXElement>();
    const auto topItems = bar ? ax.copyAttribute(*bar, AX::kChildren).as<std::vector<AXElement>>() : std::nullopt;
    if (!topItems)
        return commands;
    QSet<QString> seen;
    for (const auto& known : commands)
        seen.insert(known.title.toLower());
    for (const AXElement& top : *topItems) {
        const QString topTitle = trimmedTitle(ax, top);
        if (!shouldInspectTopLevelMenu(topTitle, app.localizedName))
            continue;
        const auto menu = menuOfBarItem(ax, top);
        const auto menuItems =
            menu ? ax.copyAttribute(*menu, AX::kChildren).as<std::vector<AXElement>>() : std::nullopt;
        if (!menuItems)
            continue;
        for (const AXElement& item : *menuItems) {
            const auto title = ax.copyAttribute(item, AX::kTitle).as<QString>();
            if (!title)
                continue;
            const QString trimmed = title->trimmed();
            const QString key = trimmed.toLower();
            if (!isOfferedCommandTitle(key))
                continue;
            if (axReadsFalse(ax.copyAttribute(item, AX::kEnabled)))
                continue;
            if (seen.contains(key))
                continue;
            seen.insert(key);
            commands.push_back({entry.bundleId, trimmed, topTitle,
                                axInteger(ax.copyAttribute(item, AX::kMenuItemCmdVirtualKey)),
                                axInteger(ax.copyAttribute(item, AX::kMenuItemCmdModifiers))});
        }
    }
    if (commands.size() > kMaxCommands)
        commands.resize(kMaxCommands);
    return commands;
}

void AppMenuHandler::perform(const AppMenuItem& item) {
    if (item.separator)
        return;
    if (item.action == AppMenuAction::RelaunchFileBrowser)
        return relaunchFileBrowser();
    if (item.action == AppMenuAction::AppSpecificCommand) {
        if (const auto* command = std::get_if<AppSpecificMenuCommand>(&item.target))
            handleAppSpecificCommand(*command);
        return;
    }
    const auto* entry = std::get_if<AppEntry>(&item.target);
    if (!entry)
        return;
    switch (item.action) {
    case AppMenuAction::Open:
        return handleOpen(*entry);
    case AppMenuAction::Hide:
        return handleHide(*entry);
    case AppMenuAction::NewWindow:
        return commands_.newWindow(*entry);
    case AppMenuAction::CloseWindow:
        if (closeWindowAction)
            closeWindowAction(*entry);
        return;
    case AppMenuAction::CloseAllWindows:
        return commands_.closeAllWindows(*entry);
    case AppMenuAction::Pin:
        return handlePin(*entry);
    case AppMenuAction::Reveal:
        return handleReveal(*entry);
    case AppMenuAction::Quit:
        return handleQuit(*entry, false);
    case AppMenuAction::ForceQuit:
        return handleQuit(*entry, true);
    case AppMenuAction::AppSpecificCommand:
    case AppMenuAction::RelaunchFileBrowser:
        return;
    }
}

void AppMenuHandler::handleOpen(const AppEntry& entry) {
    Workspace& ws = *platform_.workspace;
    if (entry.bundleId == ws.fileBrowserIdentifier())
        return activation_.openNewFileBrowserWindow();
    if (const auto location = ws.applicationLocation(entry.bundleId))
        ws.openApplicationAt(*location);
}

void AppMenuHandler::handleHide(const AppEntry& entry) {
    Workspace& ws = *platform_.workspace;
    const auto app = resolveRunningApplication(entry, ws);
    if (!app)
        return;
    if (app->isHidden)
        ws.activate(app->handle, false);
    else
        ws.hide(app->handle);
}

void AppMenuHandler::handlePin(const AppEntry& entry) {
    if (!registry)
        return;
    if (entry.isPinned)
        registry->unpin(entry.bundleId);
    else
        registry->pin(entry.bundleId);
}

void AppMenuHandler::handleReveal(const AppEntry& entry) {
    Workspace& ws = *platform_.workspace;
    std::optional<QString> path = ws.applicationLocation(entry.bundleId);
    if (!path)
        if (const auto app = resolveRunningApplication(entry, ws)) {
            if (!app->bundlePath.isEmpty())
                path = app->bundlePath;
            else if (!app->executablePath.isEmpty())
                path = app->executablePath;
        }
    if (path)
        ws.revealInFileBrowser(*path);
}

void AppMenuHandler::handleQuit(const AppEntry& entry, bool force) {
    Workspace& ws = *platform_.workspace;
    if (entry.bundleId == ws.fileBrowserIdentifier())
        return;
    const auto app = resolveRunningApplication(entry, ws);
    if (!app)
        return;
    if (force)
        ws.forceTerminate(app->handle);
    else
        ws.terminate(app->handle);
}

void AppMenuHandler::handleAppSpecificCommand(const AppSpecificMenuCommand& command) {
    std::optional<RunningApplication> target;
    for (const auto& app : platform_.workspace->runningApplications())
        if (app.bundleIdentifier == command.bundleId && app.activationPolicy == ActivationPolicy::Regular &&
            !app.isTerminated) {
            target = app;
            break;
        }
    if (!target)
        return;
    // Each attempt looks the application up again: it may quit meanwhile.
    auto attempt = [this, command, handle = target->handle]() {
        const auto app = activation_.lookupRunningApplication(handle, command.bundleId);
        if (!app)
            return true;
        commands_.bringForward(*app);
        return invokeAppSpecificCommand(command, *app);
    };
    scheduler_.post(this, [this, attempt] {
        if (attempt())
            return;
        scheduler_.after(kSecondAttemptDelay, this, [attempt] { attempt(); });
    });
}

bool AppMenuHandler::invokeAppSpecificCommand(const AppSpecificMenuCommand& command, const RunningApplication& app) {
    const auto key = command.commandVirtualKey;
    if (!key || *key < 0 || *key > 0xffff)
        return pressMenuItem(command.title, command.topLevelMenuTitle, app);
    const qint64 mask = command.commandModifiers.value_or(0);
    quint64 flags = (mask & (1 << 3)) ? 0 : KeyModifier::Command;
    if (mask & (1 << 0))
        flags |= KeyModifier::Shift;
    if (mask & (1 << 1))
        flags |= KeyModifier::Option;
    if (mask & (1 << 2))
        flags |= KeyModifier::Control;
    return platform_.keyEvents &&
           platform_.keyEvents->postToApplication(app.handle, {static_cast<quint16>(*key), flags});
}

bool AppMenuHandler::pressMenuItem(const QString& title, const QString& menuTitle, const RunningApplication& app) {
    if (!trusted())
        return false;
    Accessibility& ax = *platform_.accessibility;
    const auto bar = ax.copyAttribute(ax.applicationElement(app.handle), AX::kMenuBar).as<AXElement>();
    const auto topItems = bar ? ax.copyAttribute(*bar, AX::kChildren).as<std::vector<AXElement>>() : std::nullopt;
    if (!topItems)
        return false;
    const QString menuKey = menuTitle.trimmed().toLower();
    const auto top = std::find_if(topItems->begin(), topItems->end(),
                                  [&](const AXElement& e) { return trimmedTitle(ax, e).toLower() == menuKey; });
    if (top == topItems->end())
        return false;
    const auto menu = menuOfBarItem(ax, *top);
    const auto items = menu ? ax.copyAttribute(*menu, AX::kChildren).as<std::vector<AXElement>>() : std::nullopt;
    if (!items)
        return false;
    const QString itemKey = title.trimmed().toLower();
    for (const AXElement& item : *items)
        if (trimmedTitle(ax, item).toLower() == itemKey)
            return ax.performAction(item, AX::kPress) == AXError::Success;
    return false;
}

bool AppMenuHandler::fileBrowserRuns() const {
    const QString id = platform_.workspace->fileBrowserIdentifier();
    const auto running = platform_.workspace->runningApplications();
    return std::any_of(running.begin(), running.end(),
                       [&](const RunningApplication& a) { return a.bundleIdentifier == id && !a.isTerminated; });
}

void AppMenuHandler::ensureFileBrowserRunning() {
    const QString id = platform_.workspace->fileBrowserIdentifier();
    if (id.isEmpty() || fileBrowserRuns())
        return;
    if (platform_.workspace->applicationLocation(id))
        platform_.workspace->openApplicationInBackground(id);
}

void AppMenuHandler::relaunchFileBrowser() {
    Workspace& ws = *platform_.workspace;
    const QString id = ws.fileBrowserIdentifier();
    for (const auto& app : ws.runningApplications())
        if (app.bundleIdentifier == id && !app.isTerminated)
            ws.terminate(app.handle);
    waitForFileBrowserToExit(kExitChecks);
}

void AppMenuHandler::waitForFileBrowserToExit(int checksLeft) {
    if (!fileBrowserRuns() || checksLeft <= 0)
        return ensureFileBrowserRunning();
    scheduler_.after(kExitCheckInterval, this, [this, checksLeft] { waitForFileBrowserToExit(checksLeft - 1); });
}

} // namespace vantorel
