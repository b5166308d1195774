#pragma once

#include "apps/AppEntry.h"
#include "platform/Accessibility.h"
#include "platform/Platform.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

namespace vantorel {

class ActivationController;
class AppRegistryService;
class Scheduler;
class WindowCommands;
class Workspace;

// A command of an application found in its own menus (or known for it): the
// item to press, or the shortcut that does the same.
struct AppSpecificMenuCommand {
    QString bundleId;
    QString title;
    QString topLevelMenuTitle;
    std::optional<qint64> commandVirtualKey;
    // Bit 0 Shift, bit 1 Option, bit 2 Control, bit 3 set: without the Command key.
    std::optional<qint64> commandModifiers;
    friend bool operator==(const AppSpecificMenuCommand&, const AppSpecificMenuCommand&) = default;
};

enum class AppMenuAction {
    Open,
    Hide,
    NewWindow,
    CloseWindow,
    CloseAllWindows,
    AppSpecificCommand,
    Pin,
    Reveal,
    Quit,
    ForceQuit,
    RelaunchFileBrowser,
};

// One line of the application menu; what it carries is what its handler acts on.
struct AppMenuItem {
    bool separator = false;
    QString title;
    AppMenuAction action = AppMenuAction::Open;
    std::variant<std::monostate, AppEntry, AppSpecificMenuCommand> target;
};

// The commands known for a few browsers (private and incognito windows),
// by identifier; at most one, in "File", with Command + Shift.
std::vector<AppSpecificMenuCommand> knownSupplementalMenuCommands(const QString& bundleId);
// Whether discovery looks into a menu-bar menu: "File", "Window" or the application's own.
bool shouldInspectTopLevelMenu(const QString& title, const QString& applicationName);
// Whether a menu item's title (trimmed, lowercased) names a command worth
// offering: a "new ..." item or a private, incognito, guest or profile one,
// never the standard commands the menu has already.
bool isOfferedCommandTitle(const QString& key);

// Builds the right-click menu of an application button and carries out its commands.
class AppMenuHandler : public QObject {
    Q_OBJECT
public:
    AppMenuHandler(const Platform& platform, Scheduler& scheduler, ActivationController& activation,
                   WindowCommands& commands, QObject* parent = nullptr);

    // Used for pin and unpin; without it they do nothing.
    AppRegistryService* registry = nullptr;
    // What Close Window does with the entry's window.
    std::function<void(const AppEntry&)> closeWindowAction;

    std::vector<AppMenuItem> buildContextMenu(const AppEntry& entry) const;
    std::vector<AppSpecificMenuCommand> supplementalMenuCommands(const AppEntry& entry,
                                                                 const RunningApplication& app) const;

    // Runs an item's command; an item carrying the wrong thing does nothing.
    void perform(const AppMenuItem& item);

    bool invokeAppSpecificCommand(const AppSpecificMenuCommand& command, const RunningApplication& app);
    bool pressMenuItem(const QString& title, const QString& menuTitle, const RunningApplication& app);
    // Starts the file browser, quietly, unless it runs.
    void ensureFileBrowserRunning();

private:
    void handleOpen(const AppEntry& entry);
    void handleHide(const AppEntry& entry);
    void handlePin(const AppEntry& entry);
    void handleReveal(const AppEntry& entry);
    void handleQuit(const AppEntry& entry, bool force);
    void handleAppSpecificCommand(const AppSpecificMenuCommand& command);
    void relaunchFileBrowser();
    void waitForFileBrowserToExit(int checksLeft);
    bool fileBrowserRuns() const;
    bool trusted() const;

    Platform platform_;
    Scheduler& scheduler_;
    ActivationController& activation_;
    WindowCommands& commands_;
};

} // namespace vantorel
