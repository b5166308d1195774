// The application menu's commands on a real desktop: desktop-entry actions
// as the application's menu, real xterms and test clients closed and quit
// through the window manager.
#include "support/TestSupport.h"
#include "widgets/AppMenuHandler.h"
#include "x11desktop/X11TaskbarFixture.h"

using namespace vantorel;
using namespace vantorel::test;

namespace {

// The shell fixture's entry offers a new window and a private one, each a titled xterm.
const QString kShell = QStringLiteral("org.vantorel.Shell.desktop");

class X11AppMenu : public X11Taskbar {
protected:
    ~X11AppMenu() override {
        // The actions' xterms are no children of ours.
        for (const auto& g : backend->workspace().groups())
            if (g.desktopId == kShell)
                backend->workspace().forceTerminate(g.info.handle);
    }

    // The button of the application that shows this window: the application, or the one window.
    AppEntry entryOf(const QString& title, bool windowButton = false) {
        const X11AppGroup* g = groupWithTitle(title);
        if (!g)
            return {};
        AppEntry e;
        e.bundleId = g->desktopId.value_or(g->key);
        e.isRunning = true;
        e.runningApp = g->info;
        if (windowButton) {
            e.windowID = windowTitled(title)->id;
            e.windowTitle = title;
        }
        return e;
    }
    QStringList titles(const AppEntry& e) {
        QStringList out;
        for (const auto& i : controller->appMenu().buildContextMenu(e))
            out << (i.separator ? QStringLiteral("-") : i.title);
        return out;
    }
    void choose(const AppEntry& e, const QString& title) {
        for (const auto& i : controller->appMenu().buildContextMenu(e))
            if (!i.separator && i.title == title)
                return controller->appMenu().perform(i);
        ADD_FAILURE() << "no item " << title.toStdString();
    }

    LogCapture log;
};

} // namespace

TEST_F(X11AppMenu, DesktopActionsAreTheApplicationsMenuAndTheCloseCommandsCloseRealWindows) {
    ASSERT_TRUE(backend);
    startTaskbar();
    term("ShellMain", "40x8+20+40", {"-class", "ShellFixture"});
    ASSERT_TRUE(waitUntil([&] { return shown("ShellMain"); }));
    const AppEntry shell = entryOf("ShellMain");
    ASSERT_EQ(shell.bundleId, kShell);
    EXPECT_EQ(titles(shell), QStringList({"Hide", "-", "New Window", "Close All Windows", "-", "New Private Window",
                                          "-", "Pin to Taskbar", "Reveal in Files", "-", "Quit", "Force Quit"}));

    // The private window: the action's own command, found as a File menu item and pressed.
    choose(shell, "New Private Window");
    ASSERT_TRUE(waitUntil([&] { return shown("Shell Private"); }));

    // New Window presses the File menu's Command+N item, the new-window action, with its menu closed.
    choose(entryOf("ShellMain"), "New Window");
    ASSERT_TRUE(waitUntil([&] { return shown("ShellWindow"); }));
    ASSERT_FALSE(log.messages("windows").isEmpty());
    EXPECT_EQ(log.messages("windows").front(), "New Window: closedMenu pressed=true");

    // Close Window from a window's button closes that xterm only.
    const AppEntry window = entryOf("ShellWindow", true);
    const xcb_window_t closing = *window.windowID;
    choose(window, "Close Window");
    ASSERT_TRUE(waitUntil([&] { return !backend->tracker().window(closing); }));
    EXPECT_TRUE(shown("ShellMain") && shown("Shell Private"));

    // Close All Windows closes the rest.
    choose(entryOf("ShellMain"), "Close All Windows");
    EXPECT_TRUE(waitUntil(
        [&] { return !windowTitled("ShellMain") && !windowTitled("Shell Private") && !windowTitled("ShellWindow"); }));
}

TEST_F(X11AppMenu, QuitLetsAnApplicationAskAndForceQuitDoesNot) {
    ASSERT_TRUE(backend);
    startTaskbar();
    QProcess* asker = client({{"Asker", "Asker draft"}}, {"--ask-before-closing"});
    QProcess* xterm = term("QuitMe", "40x8+300+40");
    ASSERT_TRUE(waitUntil([&] { return shown("Asker draft") && shown("QuitMe"); }));

    // Quit is the window manager's close request: the client asks and stays.
    choose(entryOf("Asker draft"), "Quit");
    ASSERT_TRUE(waitUntil([&] { return shown("Save changes?"); }));
    EXPECT_EQ(asker->state(), QProcess::Running);
    EXPECT_TRUE(shown("Asker draft"));

    // An xterm has nothing to ask: it closes.
    choose(entryOf("QuitMe"), "Quit");
    EXPECT_TRUE(xterm->waitForFinished(10000));

    // Force Quit is SIGKILL: no question.
    choose(entryOf("Asker draft"), "Force Quit");
    ASSERT_TRUE(asker->waitForFinished(10000));
    EXPECT_EQ(asker->exitStatus(), QProcess::CrashExit);
}
