// Clicks on the taskbar's buttons on a real desktop: real X clients, openbox,
// and the pointer moved and pressed through XTEST as a user's would be.
#include "apps/ActivationController.h"
#include "platform/KeyEvents.h"
#include "platform/Scripting.h"
#include "support/PrivateBus.h"
#include "x11desktop/X11TaskbarFixture.h"

#include <QDBusAbstractAdaptor>
#include <QTemporaryDir>
#include <QUrl>

using namespace vantorel;
using vantorel::test::PrivateBus;
using vantorel::test::waitUntil;
using vantorel::test::X11Desktop;

namespace {

class X11Clicks : public vantorel::test::X11Taskbar {};

using vantorel::test::kTerm;

} // namespace

TEST_F(X11Clicks, AnApplicationsButtonBringsItForwardOrPutsItAwayAndAWindowsButtonOnlyItsWindow) {
    ASSERT_TRUE(backend);
    term("click one", "40x10+20+20", {"-class", "TestTerm"});
    term("click two", "40x10+60+60", {"-class", "TestTerm"});
    term("in front", "40x10+300+300");
    ASSERT_TRUE(waitUntil([&] { return shown("click one") && shown("click two") && shown("in front"); }));
    startTaskbar();
    ASSERT_TRUE(activate("in front"));
    ASSERT_TRUE(waitUntil([&] { return button(kTerm) && !button(kTerm)->entry().isActive; }));

    watchRoot();
    const xcb_timestamp_t before = serverTime();
    click(button(kTerm));
    ASSERT_TRUE(waitUntil([&] {
        const auto& ws = groupWithTitle("click one")->windows;
        return std::find(ws.begin(), ws.end(), active()) != ws.end();
    }));
    // Each activation asked for carries the click's time, as a pager's request does.
    const xcb_timestamp_t clicked = backend->userTime().last();
    EXPECT_LE(before, clicked);
    EXPECT_LE(clicked, serverTime()) << "not a time the server gave";
    int requests = 0;
    for (const auto& message : rootMessages())
        if (message.type == atom("_NET_ACTIVE_WINDOW")) {
            ++requests;
            EXPECT_EQ(message.data.data32[0], 2u) << "source: a pager";
            EXPECT_EQ(message.data.data32[1], clicked);
        }
    EXPECT_GT(requests, 0);
    EXPECT_TRUE(shown("click one") && shown("click two"));
    EXPECT_EQ(groupWithTitle("click one")->info.handle, groupWithTitle("click two")->info.handle)
        << "both windows are one application";

    // In front now: the next click puts every window of it away.
    ASSERT_TRUE(waitUntil([&] { return button(kTerm)->entry().isActive; }));
    click(button(kTerm));
    EXPECT_TRUE(waitUntil([&] { return minimised("click one") && minimised("click two"); }));
    EXPECT_TRUE(shown("in front"));

    // One button per window: a click restores its window focused, the next
    // minimises only that one, the one after brings it back. The row lists an
    // application's windows front to back, so a click waits for the row to
    // settle: a button that moves away under the pointer is another window's.
    settings.update([](AppSettings& s) { s.combineWindowsByApp = false; });
    const xcb_window_t one = windowTitled("click one")->id, two = windowTitled("click two")->id;
    const QString oneKey = windowKey(kTerm, one), twoKey = windowKey(kTerm, two);
    auto leads = [&](const QString& key, const QString& other) {
        return button(key) && button(other) && button(key)->x() < button(other)->x();
    };
    ASSERT_TRUE(waitUntil([&] { return button(oneKey) && button(twoKey); }));
    click(button(twoKey));
    ASSERT_TRUE(waitUntil([&] { return shown("click two") && active() == two && leads(twoKey, oneKey); }));
    click(button(oneKey));
    ASSERT_TRUE(waitUntil([&] { return shown("click one") && active() == one && leads(oneKey, twoKey); }));
    // A window that gets the focus inside the same application is seen on the
    // next tick of the window-state check, not at once.
    ASSERT_TRUE(waitUntil([&] { return button(oneKey)->entry().isActive; }));
    click(button(oneKey));
    EXPECT_TRUE(waitUntil([&] { return minimised("click one"); }));
    EXPECT_TRUE(shown("click two")) << "the other window of the application stays";
    ASSERT_TRUE(waitUntil([&] { return button(oneKey) && button(oneKey)->entry().isMinimized; }));
    click(button(oneKey));
    EXPECT_TRUE(waitUntil([&] { return shown("click one") && active() == one; }));
}

TEST_F(X11Clicks, AnApplicationWithNoWindowInFrontIsRestoredLaunchedOrAskedForANewWindow) {
    ASSERT_TRUE(backend);
    ASSERT_EQ(backend->workspace().fileBrowserIdentifier(), "org.vantorel.Files.desktop");
    const QString launchedKey = "org.vantorel.Launched.desktop", filesKey = "org.vantorel.Files.desktop";
    persistence.savePinnedApps({launchedKey});
    // The file manager with every window minimised, another application in front.
    client({{"FilesFixture", "Files back"}, {"FilesFixture", "Files front"}});
    // No desktop entry, so nothing to reopen: the New Window command follows at once.
    client({{"TinyTool", "Tiny"}}, {"--size", "40x20", "--new-window-on-ctrl-n"});
    term("busy elsewhere", "40x10+400+300");
    ASSERT_TRUE(waitUntil(
        [&] { return shown("Files back") && shown("Files front") && shown("busy elsewhere") && shown("Tiny"); }));
    ASSERT_TRUE(activate("Files back"));
    ASSERT_TRUE(activate("Files front"));
    const xcb_window_t front = windowTitled("Files front")->id;
    backend->workspace().hide(groupWithTitle("Files front")->info.handle);
    ASSERT_TRUE(waitUntil([&] { return minimised("Files back") && minimised("Files front"); }));
    ASSERT_TRUE(activate("busy elsewhere"));
    startTaskbar();
    ASSERT_TRUE(waitUntil([&] { return button(filesKey) != nullptr; }))
        << "minimised windows keep the file manager shown";
    click(button(filesKey));
    EXPECT_TRUE(waitUntil([&] { return shown("Files back") && shown("Files front"); }));
    EXPECT_TRUE(waitUntil([&] { return active() == front; })) << "the front window comes back in front";

    // A pinned application that does not run is launched with the click's startup id.
    ASSERT_TRUE(waitUntil([&] { return button(launchedKey) != nullptr; }));
    EXPECT_FALSE(button(launchedKey)->entry().isRunning);
    watchRoot();
    click(button(launchedKey));
    ASSERT_TRUE(waitUntil([&] { return shown("Launched"); }, 30000)) << "the application did not start";
    const xcb_window_t launched = windowTitled("Launched")->id;
    EXPECT_TRUE(waitUntil([&] { return active() == launched; })) << "the new window did not get the focus";
    EXPECT_TRUE(waitUntil([&] { return button(launchedKey)->entry().isRunning; }));
    // The id the toolkit found in DESKTOP_STARTUP_ID carries the time of the click.
    const QString id = startupIdOf(launched);
    EXPECT_TRUE(id.endsWith(QStringLiteral("_TIME%1").arg(backend->userTime().last()))) << id.toStdString();
    // The launch was announced under that id, with the class its window is
    // known by; the window manager knew the window by it and ended the startup.
    QList<QByteArray> announcements;
    for (const auto& message : rootMessages()) {
        if (message.type == atom("_NET_STARTUP_INFO_BEGIN"))
            announcements << QByteArray();
        else if (message.type != atom("_NET_STARTUP_INFO") || announcements.isEmpty())
            continue;
        announcements.back() += QByteArray(reinterpret_cast<const char*>(message.data.data8), 20);
    }
    QByteArray announced, ended;
    for (QByteArray& a : announcements) {
        a.truncate(a.indexOf('\0'));
        if (a.startsWith("new:"))
            announced = a;
        else if (a.startsWith("remove:"))
            ended = a;
    }
    EXPECT_TRUE(announced.startsWith(QStringLiteral("new: ID=\"%1\"").arg(id).toUtf8())) << announced.toStdString();
    EXPECT_TRUE(announced.contains("WMCLASS=\"Launched\"")) << announced.toStdString();
    EXPECT_TRUE(announced.contains(QStringLiteral("TIMESTAMP=\"%1\"").arg(backend->userTime().last()).toUtf8()));
    EXPECT_TRUE(ended.contains(id.toUtf8())) << ended.toStdString();

    backend->workspace().terminate(groupWithTitle("Launched")->info.handle);
    EXPECT_TRUE(waitUntil([&] { return !windowTitled("Launched"); }));

    // One with nothing to reopen, in the background: its New Window command is typed.
    ASSERT_TRUE(activate("busy elsewhere"));
    // Until the window commands arrive, the keystroke stands in for the menu command.
    int typed = 0;
    controller->activation().tryInvokeNewWindowMenu = [&](const RunningApplication&, bool) {
        ++typed;
        return platform.keyEvents->postToFrontmost({VirtualKey::N, KeyModifier::Command});
    };
    const QString tinyKey = QStringLiteral("pid:%1").arg(groupWithTitle("Tiny")->info.pid);
    ASSERT_TRUE(waitUntil([&] { return button(tinyKey) != nullptr; }));
    click(button(tinyKey));
    EXPECT_TRUE(waitUntil([&] { return shown("Tiny 1"); })) << "Control+N did not reach the application";
    EXPECT_EQ(typed, 1);

    // Not in front: X cannot type into it.
    ASSERT_TRUE(activate("busy elsewhere"));
    EXPECT_FALSE(backend->platform().keyEvents->postToApplication(groupWithTitle("Tiny")->info.handle,
                                                                  {VirtualKey::N, KeyModifier::Command}));
}

namespace {

// An application started over D-Bus.
class FakeApplication : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit FakeApplication(QObject* host) : QDBusAbstractAdaptor(host) {}
    std::vector<QVariantMap> activations;
public Q_SLOTS:
    void Activate(const QVariantMap& platformData) { activations.push_back(platformData); }
};

} // namespace

TEST_F(X11Desktop, WithoutAFileManagerOnTheBusItsEntryOpensTheFolderAndBusApplicationsAreActivated) {
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << bus.error().toStdString();
    QDBusConnection services = bus.connect("services");
    QObject applicationObject;
    auto* application = new FakeApplication(&applicationObject);
    services.registerObject("/org/vantorel/Dbus", &applicationObject, QDBusConnection::ExportAdaptors);
    services.registerService("org.vantorel.Dbus");
    auto onBus = X11Backend::create(scheduler, QCoreApplication::applicationPid(), bus.connect("taskbar"));
    ASSERT_TRUE(onBus);
    Scripting& scripting = *onBus->platform().scripting;
    QTemporaryDir folder;

    // No file manager on the bus: its entry is started on the folder.
    EXPECT_TRUE(scripting.openFileBrowserWindow(folder.path()));
    // A local folder may reach the entry's command as a path or as a URL.
    QString title;
    ASSERT_TRUE(waitUntil(
        [&] {
            for (const QString& t : {folder.path(), QUrl::fromLocalFile(folder.path()).toString()})
                if (windowTitled(t) && windowTitled(t)->viewable)
                    title = t;
            return !title.isEmpty();
        },
        10000));
    backend->workspace().terminate(groupWithTitle(title)->info.handle);
    EXPECT_TRUE(waitUntil([&] { return !windowTitled(title); }));

    // Reopening an application that D-Bus starts: Activate, with the startup id.
    EXPECT_TRUE(scripting.reopenApplication("org.vantorel.Dbus.desktop"));
    ASSERT_TRUE(waitUntil([&] { return !application->activations.empty(); }));
    EXPECT_TRUE(application->activations.front().value("desktop-startup-id").toString().startsWith("vantorel-"));
    EXPECT_FALSE(scripting.reopenApplication("org.vantorel.NotInstalled.desktop"));
}

#include "X11ActivationTest.moc"
