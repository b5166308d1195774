#pragma once

#include "core/Geometry.h"
#include "platform/Accessibility.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"

#include <QObject>
#include <optional>
#include <vector>

namespace vantorel {

class ActivationController;
class Scheduler;
struct AppEntry;

// How New Window tries to open a window, always in this order.
enum class NewWindowStrategy { ClosedMenu, OpenedMenu, Keystroke };
QString rawValue(NewWindowStrategy strategy);

// The code the accessibility interface reports for an error (0 is success).
int accessibilityErrorCode(AXError error);

// New Window, Close Window and Close All Windows on another application's
// windows, through its menus, window attributes, synthetic keys and, for the
// file browser, its scripting; each with its fallbacks and short waits.
class WindowCommands : public QObject {
    Q_OBJECT
public:
    // The platform must provide the workspace; the other ports are used when present.
    WindowCommands(const Platform& platform, Scheduler& scheduler, ActivationController& activation,
                   QObject* parent = nullptr);

    void newWindow(const AppEntry& entry);
    // Presses the first enabled item with the Command+N shortcut in the
    // application's menus (after the system's own), opening each menu first
    // when asked; a menu left open is cancelled. Whether an item was pressed.
    bool tryInvokeNewWindowMenu(const RunningApplication& app, bool openingMenus);
    // Normal on-screen windows of the application in the window list.
    int onScreenWindowCount(const RunningApplication& app) const;

    bool closeWindow(const AppEntry& entry, const std::optional<QString>& title, std::optional<quint32> number,
                     const std::optional<Rect>& expectedBounds);
    bool closeWindow(const RunningApplication& app, const std::optional<QString>& matchingTitle,
                     std::optional<quint32> matchingNumber, const std::optional<Rect>& expectedBounds);
    // The file browser's window of that name, through its scripting.
    bool closeFileBrowserWindow(const std::optional<QString>& name);
    void closeAllWindows(const AppEntry& entry);

    // Unhidden, activated with every window and, where trusted, made frontmost.
    void bringForward(const RunningApplication& app);

private:
    void attemptStrategies(std::vector<NewWindowStrategy> strategies, AppHandle app, std::optional<QString> bundleId,
                           int windowsBefore);
    void sendKeystrokeWhenFrontmost(AppHandle app, std::optional<QString> bundleId, int attemptsLeft);
    std::optional<AXElement> findNewWindowItem(const AXElement& element, int depth) const;
    bool trusted() const;
    bool isFileBrowser(const QString& bundleId) const;

    Platform platform_;
    Scheduler& scheduler_;
    ActivationController& activation_;
};

// An attribute read as an integer (from a number of either kind); nothing when it does not read.
std::optional<qint64> axInteger(const AXRead& read);
// Reads as false, as a boolean or a number; an attribute that does not read is not false.
bool axReadsFalse(const AXRead& read);
// The menu of a menu-bar item: its "AXMenu", else the first of its "AXChildren".
std::optional<AXElement> menuOfBarItem(Accessibility& ax, const AXElement& barItem);

// The name a log line gives an application: its localised name, else "app".
QString loggedName(const RunningApplication& app);

} // namespace vantorel
