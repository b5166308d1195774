#include "../apps/AppsTestSupport.h"
#include "support/TestSupport.h"

#include "apps/ActivationController.h"
#include "apps/AppRegistryService.h"
#include "widgets/AppMenuHandler.h"
#include "widgets/WindowCommands.h"

#include <gtest/gtest.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

const QString kWindows = QStringLiteral("windows");

SimMenuItem item(const QString& title, std::function<void()> onPress = {}) {
    SimMenuItem i;
    i.title = title;
    i.onPress = std::move(onPress);
    return i;
}

SimMenuItem shortcut(const QString& title, const QString& key, std::optional<qint64> modifiers,
                     std::function<void()> onPress) {
    SimMenuItem i = item(title, std::move(onPress));
    i.cmdChar = key;
    i.cmdModifiers = modifiers;
    return i;
}

class AppMenu : public ::testing::Test {
protected:
    AppsWorld w;
    SimDesktop& d = w.desktop;
    bool unpinned = (w.persistence.savePinnedApps({}), true);
    AppRegistryService registry{w.platform, w.persistence, w.settings, w.scheduler};
    ActivationController activation{w.platform, w.scheduler, registry};
    WindowCommands commands{w.platform, w.scheduler, activation};
    AppMenuHandler handler{w.platform, w.scheduler, activation, commands};
    LogCapture log;

    // The menu's titles, "-" for a separator.
    QStringList titles(const AppEntry& entry) {
        QStringList out;
        for (const auto& i : handler.buildContextMenu(entry))
            out << (i.separator ? QStringLiteral("-") : i.title);
        return out;
    }
    void choose(const AppEntry& entry, const QString& title) {
        for (const auto& i : handler.buildContextMenu(entry))
            if (!i.separator && i.title == title)
                return handler.perform(i);
        ADD_FAILURE() << "no item " << title.toStdString();
    }
    QStringList windowLog() const { return log.messages(kWindows); }
    int windowCount(qint64 pid) { return int(d.app(pid)->windows.size()); }
    // An application with one window and a menu bar: the system's menu, then these.
    qint64 launchWithMenus(const QString& id, const QString& name, std::vector<SimMenu> menus) {
        const qint64 pid = d.launch(id, name);
        d.addWindow(pid, name, kFrame);
        menus.insert(menus.begin(), SimMenu{QStringLiteral("Apple"), {item(QStringLiteral("About This Mac"))}});
        d.app(pid)->menuBar = std::move(menus);
        return pid;
    }
    std::function<void()> opensWindow(qint64 pid) {
        return [this, pid] { d.addWindow(pid, QStringLiteral("new"), kFrame); };
    }
};

TEST_F(AppMenu, TheMenuFollowsTheApplicationsStateAndDiscoversItsOwnCommands) {
    d.install(kEditor, QStringLiteral("/Applications/Editor.app"));
    EXPECT_EQ(titles(appEntry(kEditor, true, false)),
              QStringList({"Open", "-", "Unpin from Taskbar", "Reveal in Finder"}));

    SimMenuItem disabled = item(QStringLiteral("New Tab"));
    disabled.enabled = false;
    SimMenuItem untitled = item(QStringLiteral("New Untitled"));
    untitled.titleReadable = false;
    SimMenuItem guest = item(QStringLiteral("  New Guest Window "));
    guest.cmdVirtualKey = 5;
    guest.cmdModifiers = 1;
    launchWithMenus(
        kChrome, QStringLiteral("Google Chrome"),
        {{QStringLiteral("Google Chrome"),
          {item(QStringLiteral("Preferences\u2026")), item(QStringLiteral("New Profile"))}},
         {QStringLiteral("File"),
          {shortcut(QStringLiteral("New Window"), QStringLiteral("N"), 0, {}),
           item(QStringLiteral("New Incognito Window")), guest, item(QStringLiteral("Private Browsing")),
           item(QStringLiteral("Export")), disabled, untitled, item(QStringLiteral("Settings...")),
           item(QStringLiteral("Preferences..."))}},
         {QStringLiteral("Edit"), {item(QStringLiteral("New Thing"))}},
         {QStringLiteral("Window"),
          {item(QStringLiteral("Profile 1")), item(QStringLiteral("Profile 2")), item(QStringLiteral("Profile 3")),
           item(QStringLiteral("Profile 4")), item(QStringLiteral("Profile 5"))}}});
    // The known command first, then at most seven found ones, each title once.
    EXPECT_EQ(titles(appEntry(kChrome, false)),
              QStringList({"Hide", "-", "New Window", "Close All Windows", "-", "New Incognito Window", "New Profile",
                           "New Guest Window", "Private Browsing", "Profile 1", "Profile 2", "Profile 3", "Profile 4",
                           "-", "Pin to Taskbar", "Reveal in Finder", "-", "Quit", "Force Quit"}));

    // Close All Windows only for an application that shows a window.
    d.launch(kEditor, QStringLiteral("Editor"));
    EXPECT_EQ(titles(appEntry(kEditor, true)).mid(0, 4), QStringList({"Hide", "-", "New Window", "-"}));

    // The file browser, one button per window: its window, and Relaunch instead of Quit.
    const qint64 finder = d.launch(kFinder, QStringLiteral("Finder"));
    const quint32 docs = d.addWindow(finder, QStringLiteral("Documents"), kFrame);
    EXPECT_EQ(titles(windowEntry(kFinder, docs, QStringLiteral("Documents"))),
              QStringList({"Close Window", "-", "Hide", "-", "New Window", "-", "Pin to Taskbar", "Reveal in Finder",
                           "-", "Relaunch Finder"}));

    // An application without an identifier cannot be pinned.
    const qint64 tool = d.launch(std::nullopt, QStringLiteral("Tool"));
    d.addWindow(tool, QStringLiteral("tool"), kFrame);
    AppEntry toolEntry = appEntry(QStringLiteral("pid:%1").arg(tool), false);
    toolEntry.runningApp = d.app(tool)->info;
    EXPECT_EQ(titles(toolEntry), QStringList({"Hide", "-", "New Window", "Close All Windows", "-", "Reveal in Finder",
                                              "-", "Quit", "Force Quit"}));
}

TEST_F(AppMenu, ApplicationCommandsArePressedInItsMenuOrTyped) {
    int guests = 0;
    const qint64 chrome =
        launchWithMenus(kChrome, QStringLiteral("Google Chrome"),
                        {{QStringLiteral("File"), {item(QStringLiteral("New Guest Window"), [&] { ++guests; })}}});
    d.launch(kEditor, QStringLiteral("Editor"));
    d.activate(d.appWithIdentifier(kEditor)->info.pid);
    const AppEntry entry = appEntry(kChrome, false);

    choose(entry, QStringLiteral("New Guest Window"));
    w.scheduler.advance(1000ms);
    EXPECT_EQ(guests, 1) << "a press that worked is not repeated";
    EXPECT_TRUE(d.app(chrome)->info.isActive);

    // The known command types its shortcut into the application: Command + Shift + N.
    choose(entry, QStringLiteral("New Incognito Window"));
    w.scheduler.runPending();
    ASSERT_EQ(d.postedKeys.size(), 1u);
    EXPECT_EQ(d.postedKeys[0].chord, (KeyChord{VirtualKey::N, KeyModifier::Command | KeyModifier::Shift}));
    EXPECT_EQ(d.postedKeys[0].target, AppHandle{chrome});
    EXPECT_FALSE(d.postedKeys[0].toFrontmost);
}

TEST_F(AppMenu, NewWindowTriesTheClosedMenusThenTheOpenedOnesThenTheKeystroke) {
    // Command+N in a closed File menu: pressed, and 0.6 s later the count has
    // grown (the window takes half a second to come), so nothing more is tried.
    qint64 pid = 0;
    int presses = 0;
    pid = launchWithMenus(
        kEditor, QStringLiteral("Editor"),
        {{QStringLiteral("File"), {shortcut(QStringLiteral("New Window"), QStringLiteral("n "), std::nullopt, [&] {
              ++presses;
              w.scheduler.after(500ms, &d.workspace, opensWindow(pid));
          })}}});
    choose(appEntry(kEditor, false), QStringLiteral("New Window"));
    w.scheduler.advance(159ms);
    EXPECT_EQ(presses, 0);
    w.scheduler.advance(2001ms);
    EXPECT_EQ(windowCount(pid), 2);
    EXPECT_EQ(presses, 1);
    EXPECT_TRUE(d.postedKeys.empty());
    d.terminate(pid);

    // Items that only show in an open menu: the second strategy opens each
    // menu and presses; a menu is cancelled only when nothing was pressed.
    pid = launchWithMenus(
        kEditor, QStringLiteral("Editor"),
        {{QStringLiteral("Edit"), {item(QStringLiteral("Undo"))}},
         {QStringLiteral("File"), {shortcut(QStringLiteral("New Window"), QStringLiteral("N"), 0, {})}, true}});
    d.app(pid)->menuBar->at(2).items[0].onPress = opensWindow(pid);
    d.axJournal.clear();
    choose(appEntry(kEditor, false), QStringLiteral("New Window"));
    w.scheduler.advance(160ms + 50ms);
    EXPECT_EQ(windowCount(pid), 2);
    EXPECT_EQ(d.axJournal.filter(QStringLiteral("AXCancel")), QStringList());
    d.terminate(pid);

    // No Command+N anywhere (one without Command does not count): both menu
    // strategies fail, the last opened menu is cancelled, Command+N is typed.
    pid = launchWithMenus(kEditor, QStringLiteral("Editor"),
                          {{QStringLiteral("File"), {shortcut(QStringLiteral("Next"), QStringLiteral("N"), 8, {})}},
                           {QStringLiteral("Edit"), {item(QStringLiteral("Undo"))}}});
    d.axJournal.clear();
    choose(appEntry(kEditor, false), QStringLiteral("New Window"));
    w.scheduler.advance(160ms + 50ms + 50ms);
    EXPECT_EQ(d.axJournal.filter(QStringLiteral("AXCancel")),
              QStringList({QStringLiteral("AXCancel %1:Edit").arg(pid)}));
    ASSERT_EQ(d.postedKeys.size(), 1u);
    EXPECT_EQ(d.postedKeys[0].chord, (KeyChord{VirtualKey::N, KeyModifier::Command}));
    EXPECT_TRUE(d.postedKeys[0].toFrontmost);

    // One that never comes to the front gets no keystroke: five retries 0.1 s apart.
    d.activate(d.launch(kChrome, QStringLiteral("Other")));
    d.app(pid)->refusesActivation = true;
    choose(appEntry(kEditor, false), QStringLiteral("New Window"));
    w.scheduler.advance(160ms + 50ms + 50ms + 500ms);
    EXPECT_EQ(windowLog().back(), "New Window: Editor never became frontmost; skipped Cmd-N");
    EXPECT_EQ(d.postedKeys.size(), 1u);
    d.terminate(pid);

    // Only bit 3 of the modifiers counts: Command+Shift+N, first in depth-first order, wins.
    int shifted = 0, plain = 0;
    SimMenuItem recent = item(QStringLiteral("Open Recent"));
    recent.submenu = {shortcut(QStringLiteral("New Shifted"), QStringLiteral("n"), 1, [&] { ++shifted; })};
    pid =
        launchWithMenus(kEditor, QStringLiteral("Editor"),
                        {{QStringLiteral("File"),
                          {recent, shortcut(QStringLiteral("New Window"), QStringLiteral("N"), 0, [&] { ++plain; })}}});
    EXPECT_TRUE(commands.tryInvokeNewWindowMenu(d.app(pid)->info, false));
    EXPECT_EQ(std::make_pair(shifted, plain), std::make_pair(1, 0));

    // Not running: it starts.
    d.terminate(pid);
    d.install(kEditor, QStringLiteral("/Applications/Editor.app"));
    commands.newWindow(appEntry(kEditor, false, false));
    EXPECT_EQ(d.openedLocations, QStringList({"/Applications/Editor.app"}));
}

TEST_F(AppMenu, CloseWindowAndCloseAllWindowsUseTheirFallbacks) {
    // A number that names no standard window: the title chooses.
    const qint64 editor = d.launch(kEditor, QStringLiteral("Editor"));
    const quint32 draft = d.addWindow(editor, QStringLiteral("Draft"), kFrame);
    const quint32 notes = d.addWindow(editor, QStringLiteral("Notes"), kFrame);
    const quint32 panel = d.addWindow(editor, QStringLiteral("Inspector"), kFrame);
    d.window(panel)->subrole = QStringLiteral("AXFloatingWindow");
    EXPECT_TRUE(commands.closeWindow(appEntry(kEditor, false), QStringLiteral("Notes"), 9999, std::nullopt));
    EXPECT_EQ(d.window(notes), nullptr);
    EXPECT_NE(d.window(draft), nullptr);

    // Close All Windows presses the close button of every standard window.
    d.addWindow(editor, QStringLiteral("Third"), kFrame);
    choose(appEntry(kEditor, false), QStringLiteral("Close All Windows"));
    ASSERT_EQ(d.app(editor)->windows.size(), 1u);
    EXPECT_EQ(d.app(editor)->windows[0].number, panel);

    // The file browser's Close All is its own command; when that fails, the close buttons.
    const qint64 finder = d.launch(kFinder, QStringLiteral("Finder"));
    const quint32 docs = d.addWindow(finder, QStringLiteral("Documents"), kFrame);
    const QString closeAll = QStringLiteral("tell application \"Finder\" to close every window");
    d.scripting.answers[closeAll] = {true, QStringLiteral("no"), std::nullopt};
    choose(appEntry(kFinder, false), QStringLiteral("Close All Windows"));
    EXPECT_EQ(d.scripting.scripts.back(), closeAll);
    EXPECT_EQ(d.window(docs), nullptr);
}

TEST_F(AppMenu, RelaunchingTheFileBrowserWaitsForItToQuitThenMakesSureItRuns) {
    // A file browser slow to exit: checked 0.2 s apart up to 5 s, then made sure to run.
    d.install(kFinder, QStringLiteral("/System/Library/CoreServices/Finder.app"));
    const qint64 finder = d.launch(kFinder, QStringLiteral("Finder"));
    d.app(finder)->ignoresQuit = true;
    choose(appEntry(kFinder, false), QStringLiteral("Relaunch Finder"));
    EXPECT_EQ(d.quitRequests.back(), finder);
    w.scheduler.advance(4999ms);
    d.terminate(finder);
    w.scheduler.advance(1ms);
    EXPECT_EQ(d.openedApplications, QStringList({kFinder})) << "the last check finds it gone";
    const qint64 relaunched = d.appWithIdentifier(kFinder)->info.pid;
    EXPECT_FALSE(d.app(relaunched)->info.isActive) << "started without coming forward";
}

} // namespace
