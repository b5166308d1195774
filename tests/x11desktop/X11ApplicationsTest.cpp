// What the taskbar makes of real X clients: the order of running
// applications, several applications in one process, the program's own
// windows, windows that lie about their process, late icons, and the
// show-desktop strip clicked twice in a row.
#include "apps/AppRegistryService.h"
#include "platform/Accessibility.h"
#include "widgets/ShowDesktopButton.h"
#include "x11desktop/X11TaskbarFixture.h"

#include <QElapsedTimer>
#include <QWidget>

using namespace vantorel;
using vantorel::test::waitUntil;

namespace {

// The registry on the real desktop, with settings and pins kept in memory.
class X11Registry : public vantorel::test::X11Taskbar {
protected:
    X11Registry() { registry = std::make_unique<AppRegistryService>(platform, persistence, settings, scheduler); }
    void oneButtonPerWindow() {
        settings.update([](AppSettings& s) { s.combineWindowsByApp = false; });
    }
    // Titles of the buttons; an application's button shows its name.
    QStringList buttonTitles() {
        QStringList out;
        for (const auto& e : registry->buildEntries())
            out << e.windowTitle.value_or(e.name);
        return out;
    }
    bool viewable(const QString& title) { return windowTitled(title) && windowTitled(title)->viewable; }

    std::unique_ptr<AppRegistryService> registry;
};

} // namespace

TEST_F(X11Registry, ApplicationsKeepTheirOrderTheirOwnWindowsAndTheirNames) {
    ASSERT_TRUE(backend);
    // Pinned applications are named by their desktop entry, or by their id once it is gone.
    persistence.savePinnedApps({"org.vantorel.TextEditor.desktop", "org.example.Gone.desktop"});
    registry = std::make_unique<AppRegistryService>(platform, persistence, settings, scheduler);
    EXPECT_EQ(buttonTitles(), (QStringList{"Text Editor", "Gone"}));
    persistence.savePinnedApps({});
    registry = std::make_unique<AppRegistryService>(platform, persistence, settings, scheduler);

    for (const QString name : {"first", "second", "third"}) {
        client({{name, name}});
        ASSERT_TRUE(waitUntil([&] { return viewable(name); }));
    }
    const QStringList order{"first", "second", "third"};
    ASSERT_EQ(buttonTitles(), order);
    const AppHandle second = groupWithTitle("second")->info.handle;

    // Activating changes which application is in front, never where its button stands.
    for (const QString name : {"first", "third", "second", "first"}) {
        ASSERT_TRUE(activate(name));
        EXPECT_EQ(buttonTitles(), order) << "after activating " << name.toStdString();
    }
    EXPECT_EQ(groupWithTitle("second")->info.handle, second) << "an application keeps its handle while it runs";

    // One process hosting two applications: each its own entry, handle and window.
    QProcess* office = client({{"DocWriter", "Letter"}, {"DocCalc", "Budget"}});
    ASSERT_TRUE(waitUntil([&] { return viewable("Letter") && viewable("Budget"); }));
    const X11AppGroup* writer = groupWithTitle("Letter");
    const X11AppGroup* calc = groupWithTitle("Budget");
    ASSERT_NE(writer, calc);
    EXPECT_EQ(writer->desktopId, "org.vantorel.Writer.desktop");
    EXPECT_EQ(calc->desktopId, "org.vantorel.Calc.desktop");
    EXPECT_EQ(writer->info.pid, office->processId());
    EXPECT_EQ(calc->info.pid, office->processId()) << "the process id stays what it is";
    EXPECT_NE(writer->info.handle, calc->info.handle);
    auto& ax = *platform.accessibility;
    for (const auto* g : {writer, calc}) {
        const auto windows =
            ax.copyAttribute(ax.applicationElement(g->info.handle), "AXWindows").as<std::vector<AXElement>>();
        ASSERT_TRUE(windows);
        ASSERT_EQ(windows->size(), 1u);
        EXPECT_EQ(windows->front().id, g->windows.front());
    }
    EXPECT_EQ(buttonTitles(), (QStringList{"first", "second", "third", "Office Writer", "Office Calc"}));

    // One button per window: inside one application the windows stay front to back.
    client({{"pair", "pair back"}, {"pair", "pair front"}});
    ASSERT_TRUE(waitUntil([&] { return windowTitled("pair back") && windowTitled("pair front"); }));
    oneButtonPerWindow();
    ASSERT_TRUE(activate("pair back"));
    const QStringList before{"first", "second", "third", "Letter", "Budget"};
    EXPECT_EQ(buttonTitles(), before + QStringList({"pair back", "pair front"}));
    ASSERT_TRUE(activate("pair front"));
    EXPECT_EQ(buttonTitles(), before + QStringList({"pair front", "pair back"}));

    // An icon the client sets only after its window mapped still reaches the entry.
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

TEST_F(X11Registry, ShowDesktopSparesTheProgramsOwnWindowAndTwoQuickClicksRestoreAll) {
    ASSERT_TRUE(backend);
    client({{"DocWriter", "Letter"}, {"DocCalc", "Budget"}});
    ASSERT_TRUE(waitUntil([&] { return viewable("Letter") && viewable("Budget"); }));
    // The panels alone make no application of this program.
    EXPECT_EQ(backend->workspace().currentApplication(), std::nullopt);

    // A window of this process, as the settings window is: a button of its own.
    QWidget settingsWindow;
    settingsWindow.setWindowTitle("Our settings");
    settingsWindow.resize(300, 200);
    settingsWindow.show();
    ASSERT_TRUE(waitUntil([&] { return viewable("Our settings"); }));
    ASSERT_TRUE(waitUntil([&] { return buttonTitles().size() == 3; })) << buttonTitles().join(", ").toStdString();
    EXPECT_EQ(backend->workspace().currentApplication(), groupWithTitle("Our settings")->info.handle);
    EXPECT_EQ(buttonTitles().mid(0, 2), (QStringList{"Office Writer", "Office Calc"}));

    // The second click comes before the window manager has answered the first.
    ShowDesktopController desktop(*platform.workspace, *platform.accessibility, &sim, scheduler);
    desktop.showDesktop();
    EXPECT_EQ(desktop.minimizedByUs().size(), 2u) << "both applications of the one process, not ours";
    desktop.showDesktop();
    EXPECT_TRUE(desktop.minimizedByUs().empty());
    // Give the window manager time to act on both, then everything is back.
    QElapsedTimer settle;
    settle.start();
    waitUntil([&] { return settle.elapsed() > 1500; }, 3000);
    EXPECT_TRUE(viewable("Letter") && viewable("Budget"));
    EXPECT_FALSE(backend->workspace().isMinimized(*windowTitled("Letter")));

    // Once, and given time: the others go, our own window stays.
    desktop.showDesktop();
    EXPECT_TRUE(waitUntil([&] { return !viewable("Letter") && !viewable("Budget"); }));
    EXPECT_TRUE(viewable("Our settings"));
    EXPECT_EQ(desktop.minimizedByUs().size(), 2u);
}

TEST_F(X11Registry, QuitSignalsOnlyProcessesThatReallyOwnTheWindows) {
    ASSERT_TRUE(backend);
    // A window that names another process as its owner joins that process's
    // application, but quitting it must not reach that process.
    QProcess* victim = spawn("sleep", {"60"});
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
