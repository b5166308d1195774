// What the taskbar makes of real X clients: the order of running
// applications, several applications in one process, the program's own
// windows, windows that lie about their process, late icons, and the
// show-desktop strip clicked twice in a row.
#include "app/PersistenceService.h"
#include "app/SettingsService.h"
#include "apps/AppRegistryService.h"
#include "platform/Accessibility.h"
#include "platform/WindowServer.h"
#include "platform/sim/SimDesktop.h"
#include "widgets/ShowDesktopButton.h"
#include "x11desktop/X11DesktopFixture.h"

#include <QElapsedTimer>
#include <QWidget>
#include <csignal>
#include <iostream>

using namespace vantorel;
using vantorel::test::waitUntil;
using vantorel::test::X11Desktop;

namespace {

// The registry on the real desktop, with settings and pins kept in memory.
class X11Registry : public X11Desktop {
protected:
    X11Registry() {
        platform = desktopWithProgramIn(sim);
        persistence = std::make_unique<PersistenceService>(sim.memoryDefaults, "com.vantorel.app", *platform.workspace);
        persistence->savePinnedApps({});
        settings = std::make_unique<SettingsService>(*persistence);
        registry = std::make_unique<AppRegistryService>(platform, *persistence, *settings, scheduler);
    }
    void oneButtonPerWindow() {
        settings->update([](AppSettings& s) { s.combineWindowsByApp = false; });
    }
    // Titles of the buttons; an application's button shows its name.
    QStringList shown() {
        QStringList out;
        for (const auto& e : registry->buildEntries())
            out << e.windowTitle.value_or(e.name);
        return out;
    }
    bool activate(const QString& title) {
        const X11Window* w = windowTitled(title);
        if (!w)
            return false;
        const xcb_window_t id = w->id;
        backend->workspace().requestActivate(id);
        // Until the workspace, not only the tracker, has seen the change.
        return waitUntil([&] {
            const X11AppGroup* g = groupWithTitle(title);
            return g && g->info.isActive && g->windows.front() == id;
        });
    }

    SimDesktop sim;
    Platform platform;
    std::unique_ptr<PersistenceService> persistence;
    std::unique_ptr<SettingsService> settings;
    std::unique_ptr<AppRegistryService> registry;
};

} // namespace

TEST_F(X11Registry, RunningApplicationsKeepTheOrderInWhichTheyAppeared) {
    ASSERT_TRUE(backend);
    for (const QString name : {"first", "second", "third"}) {
        client({{name, name}});
        ASSERT_TRUE(waitUntil([&] { return windowTitled(name) && windowTitled(name)->viewable; }));
    }
    const QStringList order{"first", "second", "third"};
    ASSERT_EQ(shown(), order);
    const AppHandle second = groupWithTitle("second")->info.handle;

    // Activating changes which application is in front, never where its button stands.
    for (const QString name : {"first", "third", "second", "first"}) {
        ASSERT_TRUE(activate(name));
        EXPECT_EQ(shown(), order) << "after activating " << name.toStdString();
    }
    EXPECT_EQ(groupWithTitle("second")->info.handle, second) << "an application keeps its handle while it runs";

    // Inside one application the windows stay front to back.
    client({{"pair", "pair back"}, {"pair", "pair front"}});
    ASSERT_TRUE(waitUntil([&] { return windowTitled("pair back") && windowTitled("pair front"); }));
    oneButtonPerWindow();
    ASSERT_TRUE(activate("pair back"));
    EXPECT_EQ(shown(), (QStringList{"first", "second", "third", "pair back", "pair front"}));
    ASSERT_TRUE(activate("pair front"));
    EXPECT_EQ(shown(), (QStringList{"first", "second", "third", "pair front", "pair back"}));
}

TEST_F(X11Registry, OneProcessCanHostSeveralApplications) {
    ASSERT_TRUE(backend);
    QProcess* office = client({{"DocWriter", "Letter"}, {"DocCalc", "Budget"}});
    ASSERT_TRUE(waitUntil([&] {
        return windowTitled("Letter") && windowTitled("Budget") && windowTitled("Letter")->viewable &&
               windowTitled("Budget")->viewable;
    }));
    const X11AppGroup* writer = groupWithTitle("Letter");
    const X11AppGroup* calc = groupWithTitle("Budget");
    ASSERT_NE(writer, calc);
    EXPECT_EQ(writer->desktopId, "org.vantorel.Writer.desktop");
    EXPECT_EQ(calc->desktopId, "org.vantorel.Calc.desktop");
    EXPECT_EQ(writer->info.pid, office->processId());
    EXPECT_EQ(calc->info.pid, office->processId()) << "the process id stays what it is";
    EXPECT_NE(writer->info.handle, calc->info.handle);

    // Each application answers for its own window only.
    auto& ax = *platform.accessibility;
    for (const auto* g : {writer, calc}) {
        const auto windows =
            ax.copyAttribute(ax.applicationElement(g->info.handle), "AXWindows").as<std::vector<AXElement>>();
        ASSERT_TRUE(windows);
        ASSERT_EQ(windows->size(), 1u);
        EXPECT_EQ(windows->front().id, g->windows.front());
    }
    for (const auto& w : *platform.windowServer->windowList({})) {
        if (w.name == "Letter") {
            EXPECT_EQ(w.owner, writer->info.handle);
        } else if (w.name == "Budget") {
            EXPECT_EQ(w.owner, calc->info.handle);
        }
    }

    // One button per window: each window exactly once.
    oneButtonPerWindow();
    EXPECT_EQ(shown(), (QStringList{"Letter", "Budget"}));

    // Show Desktop minimises both.
    ShowDesktopController desktop(*platform.workspace, ax, &sim, scheduler);
    desktop.showDesktop();
    EXPECT_TRUE(waitUntil([&] { return !windowTitled("Letter")->viewable && !windowTitled("Budget")->viewable; }));
}

TEST_F(X11Registry, TheProgramsOwnWindowIsListedButNeverMinimisedByShowDesktop) {
    ASSERT_TRUE(backend);
    client({{"other", "other"}});
    ASSERT_TRUE(waitUntil([&] { return windowTitled("other") && windowTitled("other")->viewable; }));
    // The panels alone make no application of this program.
    EXPECT_EQ(backend->workspace().currentApplication(), std::nullopt);
    EXPECT_EQ(shown(), QStringList{"other"});

    // A window of this process, as the settings window is: a button of its own.
    QWidget settingsWindow;
    settingsWindow.setWindowTitle("Our settings");
    settingsWindow.resize(300, 200);
    settingsWindow.show();
    ASSERT_TRUE(waitUntil([&] { return windowTitled("Our settings") && windowTitled("Our settings")->viewable; }));
    ASSERT_TRUE(waitUntil([&] { return shown().size() == 2; })) << shown().join(", ").toStdString();
    EXPECT_EQ(backend->workspace().currentApplication(), groupWithTitle("Our settings")->info.handle);
    EXPECT_EQ(shown().first(), "other");

    ShowDesktopController desktop(*platform.workspace, *platform.accessibility, &sim, scheduler);
    desktop.showDesktop();
    ASSERT_TRUE(waitUntil([&] { return !windowTitled("other")->viewable; }));
    EXPECT_TRUE(windowTitled("Our settings")->viewable);
    EXPECT_EQ(desktop.minimizedByUs().size(), 1u);
}

TEST_F(X11Registry, PinnedApplicationsAreNamedByTheirDesktopEntry) {
    ASSERT_TRUE(backend);
    persistence->savePinnedApps({"org.vantorel.TextEditor.desktop", "org.example.Gone.desktop"});
    registry = std::make_unique<AppRegistryService>(platform, *persistence, *settings, scheduler);
    EXPECT_EQ(shown(), (QStringList{"Text Editor", "Gone"}));
}

TEST_F(X11Registry, QuitSignalsOnlyProcessesThatReallyOwnTheWindows) {
    ASSERT_TRUE(backend);
    // A window that names another process as its owner joins that process's
    // application, but quitting it must not reach that process.
    QProcess* victim = g_desktop->spawn("sleep", {"60"});
    ASSERT_TRUE(victim->waitForStarted());
    QProcess* liarClient = client({{"liar", "liar"}}, {"--claim-pid", QString::number(victim->processId())});
    QProcess* honest = client({{"honest", "honest"}});
    ASSERT_TRUE(waitUntil([&] { return windowTitled("liar") && windowTitled("honest"); }));
    const X11AppGroup* liar = groupWithTitle("liar");
    ASSERT_EQ(liar->info.pid, victim->processId()) << "the claim still groups the window";

    // Quitting reaches the process that holds the window, not the one it names.
    EXPECT_TRUE(backend->workspace().terminate(liar->info.handle));
    EXPECT_TRUE(liarClient->waitForFinished(3000));
    EXPECT_FALSE(victim->waitForFinished(300)) << "the named process was signalled";
    EXPECT_EQ(victim->state(), QProcess::Running);

    EXPECT_TRUE(backend->workspace().terminate(groupWithTitle("honest")->info.handle));
    EXPECT_TRUE(honest->waitForFinished(3000));
}

TEST_F(X11Registry, AnIconSetAfterTheWindowMappedReachesTheEntry) {
    ASSERT_TRUE(backend);
    client({{"late", "late icon"}}, {"--icon-after-ms", "400"});
    ASSERT_TRUE(waitUntil([&] { return windowTitled("late icon") != nullptr; }));
    auto redIcon = [&] {
        for (const auto& e : registry->buildEntries())
            if (e.name == "late" && !e.icon.isNull())
                return e.icon.pixmap(16, 16).toImage().pixelColor(8, 8) == QColor(Qt::red);
        return false;
    };
    EXPECT_FALSE(redIcon()) << "the client sets it only later";
    EXPECT_TRUE(waitUntil(redIcon));
}

TEST_F(X11Registry, ShowDesktopTwiceInQuickSuccessionRestoresWhatItMinimised) {
    ASSERT_TRUE(backend);
    client({{"one", "one"}, {"two", "two"}});
    ASSERT_TRUE(waitUntil([&] {
        return windowTitled("one") && windowTitled("two") && windowTitled("one")->viewable &&
               windowTitled("two")->viewable;
    }));
    ShowDesktopController desktop(*platform.workspace, *platform.accessibility, &sim, scheduler);
    for (const auto& a : platform.workspace->runningApplications())
        std::cerr << "APP " << a.localizedName.toStdString() << " policy " << int(a.activationPolicy) << " handle "
                  << a.handle.value << " pid " << a.pid << " self "
                  << platform.workspace->currentApplication().value_or(AppHandle{-5}).value << " client "
                  << windowTitled("one")->clientPid.value_or(-1) << " me " << QCoreApplication::applicationPid()
                  << "\n";
    // The second click comes before the window manager has answered the first.
    desktop.showDesktop();
    EXPECT_EQ(desktop.minimizedByUs().size(), 2u);
    desktop.showDesktop();
    EXPECT_TRUE(desktop.minimizedByUs().empty());

    // Give the window manager time to act on both, then everything is back.
    QElapsedTimer settle;
    settle.start();
    waitUntil([&] { return settle.elapsed() > 1500; }, 3000);
    EXPECT_TRUE(windowTitled("one")->viewable);
    EXPECT_TRUE(windowTitled("two")->viewable);
    EXPECT_FALSE(backend->workspace().isMinimized(*windowTitled("one")));
}
