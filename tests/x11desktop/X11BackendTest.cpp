// The X11 backend's ports on a real desktop: applications from real clients
// and the accessibility and window-list ports acting on real windows.
#include "platform/x11/X11Backend.h"
#include "platform/x11/X11WindowServer.h"
#include "x11desktop/X11DesktopFixture.h"

#include <QGuiApplication>
#include <QScreen>

using namespace vantorel;
using vantorel::test::waitUntil;
using vantorel::test::X11Desktop;

TEST_F(X11Desktop, ApplicationsAreListedUnderTheirDesktopEntryOrByProcess) {
    ASSERT_TRUE(backend);
    QProcess* a = term("entry one", "40x10+10+10", {"-class", "TestTerm"});
    term("entry two", "40x10+300+10", {"-class", "TestTerm"});
    QProcess* clock = spawn("xclock", {"-geometry", "100x100+600+10"});
    ASSERT_TRUE(waitUntil([&] { return groupWithTitle("entry one") && groupWithTitle("entry two") &&
                                       groupWithTitle("xclock"); }));

    const X11AppGroup* terminal = groupWithTitle("entry one");
    EXPECT_EQ(terminal->desktopId, "org.vantorel.TestTerm.desktop");
    EXPECT_EQ(terminal, groupWithTitle("entry two")) << "two processes of one entry are one application";
    EXPECT_EQ(terminal->windows.size(), 2u);
    EXPECT_EQ(terminal->info.localizedName, "Test Terminal");
    EXPECT_EQ(terminal->info.pid, std::min(a->processId(), terminal->pids.back()));
    EXPECT_EQ(terminal->info.activationPolicy, ActivationPolicy::Regular);

    const X11AppGroup* other = groupWithTitle("xclock");
    EXPECT_FALSE(other->desktopId);
    EXPECT_EQ(other->key, QStringLiteral("pid:%1").arg(clock->processId()));
    EXPECT_EQ(other->info.pid, clock->processId());

    // Hidden means every window minimised.
    backend->workspace().hide(terminal->info.handle);
    EXPECT_TRUE(waitUntil([&] {
        const X11AppGroup* g = groupWithTitle("entry one");
        return g && g->info.isHidden;
    }));
    backend->workspace().unhide(groupWithTitle("entry one")->info.handle);
    EXPECT_TRUE(waitUntil([&] {
        const X11AppGroup* g = groupWithTitle("entry one");
        return g && !g->info.isHidden;
    }));

    // Terminate ends every process of the group.
    EXPECT_TRUE(backend->workspace().terminate(groupWithTitle("entry one")->info.handle));
    EXPECT_TRUE(waitUntil([&] { return !groupWithTitle("entry one") && !groupWithTitle("entry two"); }));
}

TEST_F(X11Desktop, TheWindowListAndTheAccessibilityPortActOnRealWindows) {
    ASSERT_TRUE(backend);
    term("covered", "60x15+40+40");
    ASSERT_TRUE(waitUntil([&] { return windowTitled("covered") && windowTitled("covered")->viewable; }));
    term("cover", "60x15+60+60");
    ASSERT_TRUE(waitUntil([&] { return windowTitled("cover") && windowTitled("cover")->viewable; }));
    // The window list: front to back, with frames and layers.
    vantorel::test::xdotool({"windowactivate", "--sync", QString::number(windowTitled("cover")->id)});
    backend->tracker().flushPending();
    const auto list = backend->platform().windowServer->windowList({});
    ASSERT_TRUE(list);
    QStringList names;
    for (const auto& e : *list)
        if (e.name == "covered" || e.name == "cover")
            names << *e.name;
    EXPECT_EQ(names, (QStringList{"cover", "covered"}));
    for (const auto& e : *list) {
        if (e.name != "cover")
            continue;
        EXPECT_EQ(e.layer, 0);
        EXPECT_EQ(e.owner, groupWithTitle("cover")->info.handle);
        EXPECT_EQ(e.ownerPid, groupWithTitle("cover")->info.pid);
        const X11Window* w = windowTitled("cover");
        EXPECT_EQ(e.bounds, topLeftFromRoot(w->frame()));
        EXPECT_GT(e.bounds->height, w->client.height()); // the title bar is part of the frame
    }

    auto& ax = *backend->platform().accessibility;
    const X11AppGroup* g = groupWithTitle("covered");
    const AppHandle app = g->info.handle;
    const auto windows = ax.copyAttribute(ax.applicationElement(app), "AXWindows").as<std::vector<AXElement>>();
    ASSERT_TRUE(windows);
    ASSERT_EQ(windows->size(), 1u);
    const AXElement win = windows->front();
    EXPECT_EQ(ax.copyAttribute(win, "AXTitle").as<QString>(), "covered");
    EXPECT_EQ(ax.copyAttribute(win, "AXSubrole").as<QString>(), "AXStandardWindow");
    EXPECT_EQ(ax.windowNumber(win), windowTitled("covered")->id);
    EXPECT_EQ(ax.copyAttribute(ax.applicationElement(app), "AXMenuBar").error, AXError::AttributeUnsupported);

    // Raise: the covered window comes to the front and becomes active.
    EXPECT_EQ(ax.performAction(win, "AXRaise"), AXError::Success);
    EXPECT_TRUE(waitUntil([&] {
        const auto& s = backend->tracker().stacking();
        return backend->tracker().activeWindow() == win.id && s.back() == win.id;
    }));
    EXPECT_EQ(ax.copyAttribute(win, "AXMain").as<bool>(), true);

    // Minimise and restore.
    EXPECT_EQ(ax.setAttribute(win, "AXMinimized", true), AXError::Success);
    EXPECT_EQ(ax.copyAttribute(win, "AXMinimized").as<bool>(), true) << "what was asked for reads back at once";
    EXPECT_TRUE(waitUntil([&] { return !backend->tracker().window(win.id)->viewable; }));
    EXPECT_EQ(ax.copyAttribute(win, "AXMinimized").as<bool>(), true);
    EXPECT_EQ(ax.setAttribute(win, "AXMinimized", false), AXError::Success);
    EXPECT_TRUE(waitUntil([&] {
        return ax.copyAttribute(win, "AXMinimized").as<bool>() == false && backend->tracker().window(win.id)->viewable;
    }));

    // Move and resize the frame (top-left space).
    EXPECT_EQ(ax.setAttribute(win, "AXPosition", Point{200, 150}), AXError::Success);
    EXPECT_TRUE(waitUntil([&] { return ax.copyAttribute(win, "AXPosition").as<Point>() == Point{200, 150}; }));
    EXPECT_EQ(ax.setAttribute(win, "AXSize", Size{500, 300}), AXError::Success);
    // xterm sizes itself in whole character cells, so the frame lands close to what was asked.
    EXPECT_TRUE(waitUntil([&] {
        const auto s = ax.copyAttribute(win, "AXSize").as<Size>();
        return s && std::abs(s->width - 500) < 20 && std::abs(s->height - 300) < 20;
    })) << ax.copyAttribute(win, "AXSize").as<Size>().value_or(Size{}).width << " x "
        << ax.copyAttribute(win, "AXSize").as<Size>().value_or(Size{}).height;
    // A resize leaves the frame where it was.
    EXPECT_TRUE(waitUntil([&] { return ax.copyAttribute(win, "AXPosition").as<Point>() == Point{200, 150}; }))
        << toString(topLeftFromRoot(backend->tracker().window(win.id)->frame())).toStdString();

    // Full screen and back.
    EXPECT_EQ(ax.setAttribute(win, "AXFullScreen", true), AXError::Success);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_TRUE(waitUntil([&] {
        const auto s = ax.copyAttribute(win, "AXSize").as<Size>();
        return ax.copyAttribute(win, "AXFullScreen").as<bool>() == true && s &&
               s->width == screen.width() && s->height == screen.height();
    }));
    EXPECT_EQ(ax.setAttribute(win, "AXFullScreen", false), AXError::Success);
    EXPECT_TRUE(waitUntil([&] { return ax.copyAttribute(win, "AXFullScreen").as<bool>() == false; }));

    // Close through the close button.
    const auto close = ax.copyAttribute(win, "AXCloseButton").as<AXElement>();
    ASSERT_TRUE(close);
    EXPECT_EQ(ax.performAction(*close, "AXPress"), AXError::Success);
    EXPECT_TRUE(waitUntil([&] { return backend->tracker().window(win.id) == nullptr; }));
    EXPECT_EQ(ax.copyAttribute(win, "AXTitle").error, AXError::InvalidElement);
}
