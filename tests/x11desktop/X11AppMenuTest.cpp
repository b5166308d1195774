// The application menu's commands on a real desktop: desktop-entry actions
// as the application's menu, real xterms and test clients closed and quit
// through the window manager, and the file manager on a private session bus.
#include "app/PersistenceService.h"
#include "app/SettingsService.h"
#include "apps/ActivationController.h"
#include "apps/AppRegistryService.h"
#include "support/FakeDesktopServices.h"
#include "support/PrivateBus.h"
#include "support/ProgramOnDesktop.h"
#include "support/TestSupport.h"
#include "widgets/AppMenuHandler.h"
#include "widgets/WindowCommands.h"
#include "x11desktop/X11DesktopFixture.h"

#include <QUrl>

using namespace vantorel;
using namespace vantorel::test;

namespace {

const QString kShell = QStringLiteral("org.vantorel.Shell.desktop");

class X11AppMenu : public X11Desktop {
protected:
    X11AppMenu() {
        // An application whose entry offers a new window and a private one, each a titled xterm.
        QFile entry(qEnvironmentVariable("XDG_DATA_HOME") + "/applications/" + kShell);
        entry.open(QIODevice::WriteOnly);
        entry.write("[Desktop Entry]\nType=Application\nName=Shell Fixture\nIcon=utilities-terminal\n"
                    "Exec=xterm -class ShellFixture -title ShellMain\nStartupWMClass=ShellFixture\n"
                    "Actions=new-window;new-private-window;\n\n"
                    "[Desktop Action new-window]\nName=New Window\n"
                    "Exec=xterm -class ShellFixture -geometry 40x8+300+40 -title ShellWindow\n\n"
                    "[Desktop Action new-private-window]\nName=New Private Window\nName[de]=Neues privates Fenster\n"
                    "Exec=xterm -class ShellFixture -geometry 40x8+300+300 -title \"Shell Private\"\n");
        entry.close();
        // The backend again, now that the entry is installed, and talking to a bus of our own.
        registerFakeDesktopServices(bus.connect(QStringLiteral("files")), files, notices);
        backend =
            X11Backend::create(scheduler, QCoreApplication::applicationPid(), bus.connect(QStringLiteral("taskbar")));
        platform = withProgramIn(backend->platform(), sim);
        persistence = std::make_unique<PersistenceService>(sim.memoryDefaults, "com.vantorel.app", *platform.workspace);
        settings = std::make_unique<SettingsService>(*persistence);
        registry = std::make_unique<AppRegistryService>(platform, *persistence, *settings, scheduler);
        activation = std::make_unique<ActivationController>(platform, scheduler, *registry);
        commands = std::make_unique<WindowCommands>(platform, scheduler, *activation);
        handler = std::make_unique<AppMenuHandler>(platform, scheduler, *activation, *commands);
        handler->closeWindowAction = [this](const AppEntry& e) {
            commands->closeWindow(e, e.windowTitle, e.windowID, std::nullopt);
        };
    }
    ~X11AppMenu() override {
        for (QProcess* p : clients) {
            p->kill();
            p->waitForFinished(2000);
        }
        // The actions' xterms are no children of ours.
        for (const auto& g : backend->workspace().groups())
            if (g.desktopId == kShell)
                backend->workspace().forceTerminate(g.info.handle);
    }

    QProcess* spawned(QProcess* p) {
        clients.push_back(p);
        return p;
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
        for (const auto& i : handler->buildContextMenu(e))
            out << (i.separator ? QStringLiteral("-") : i.title);
        return out;
    }
    void choose(const AppEntry& e, const QString& title) {
        for (const auto& i : handler->buildContextMenu(e))
            if (!i.separator && i.title == title)
                return handler->perform(i);
        ADD_FAILURE() << "no item " << title.toStdString();
    }
    bool shown(const QString& title) {
        const X11Window* w = windowTitled(title);
        return w && w->viewable;
    }

    PrivateBus bus;
    FakeFileManager files;
    FakeNotificationServer notices;
    SimDesktop sim;
    Platform platform;
    std::unique_ptr<PersistenceService> persistence;
    std::unique_ptr<SettingsService> settings;
    std::unique_ptr<AppRegistryService> registry;
    std::unique_ptr<ActivationController> activation;
    std::unique_ptr<WindowCommands> commands;
    std::unique_ptr<AppMenuHandler> handler;
    std::vector<QProcess*> clients;
    LogCapture log;
};

} // namespace

TEST_F(X11AppMenu, DesktopActionsAreTheApplicationsMenuAndTheCloseCommandsCloseRealWindows) {
    ASSERT_TRUE(backend);
    spawned(term("ShellMain", "40x8+20+40", {"-class", "ShellFixture"}));
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
    QProcess* asker = spawned(client({{"Asker", "Asker draft"}}, {"--ask-before-closing"}));
    QProcess* xterm = spawned(term("QuitMe", "40x8+300+40"));
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

TEST_F(X11AppMenu, RevealShowsTheEntryInTheFileManagerOnTheSessionBus) {
    ASSERT_TRUE(backend);
    ASSERT_FALSE(bus.address().isEmpty()) << bus.error().toStdString();
    AppEntry shell;
    shell.bundleId = kShell;
    choose(shell, "Reveal in Files");
    ASSERT_TRUE(waitUntil([&] { return !files.shownItems.isEmpty(); }));
    EXPECT_EQ(files.shownItems,
              QStringList({QUrl::fromLocalFile(qEnvironmentVariable("XDG_DATA_HOME") + "/applications/" + kShell)
                               .toString(QUrl::FullyEncoded)}));
}
