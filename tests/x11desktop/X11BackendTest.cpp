// What the X11 backend does for an application that no taskbar scenario
// drives: full screen through the accessibility port, and an end of all its processes.
#include "platform/x11/X11Backend.h"
#include "platform/Accessibility.h"
#include "x11desktop/X11DesktopFixture.h"

#include <QGuiApplication>
#include <QScreen>

using namespace vantorel;
using vantorel::test::waitUntil;
using vantorel::test::X11Desktop;

TEST_F(X11Desktop, AnApplicationOfTwoProcessesGoesFullScreenAndBackAndEndsWhole) {
    ASSERT_TRUE(backend);
    QProcess* a = term("entry one", "40x10+10+10", {"-class", "TestTerm"});
    QProcess* b = term("entry two", "40x10+300+10", {"-class", "TestTerm"});
    ASSERT_TRUE(waitUntil([&] { return groupWithTitle("entry one") && groupWithTitle("entry two"); }));
    const X11AppGroup* terminal = groupWithTitle("entry one");
    ASSERT_EQ(terminal, groupWithTitle("entry two")) << "two processes of one entry are one application";

    // Full screen and back through the accessibility port.
    auto& ax = *backend->platform().accessibility;
    const AXElement win{AXElement::Kind::Window, terminal->info.handle, windowTitled("entry one")->id, 0};
    EXPECT_EQ(ax.setAttribute(win, "AXFullScreen", true), AXError::Success);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_TRUE(waitUntil([&] {
        const auto s = ax.copyAttribute(win, "AXSize").as<Size>();
        return ax.copyAttribute(win, "AXFullScreen").as<bool>() == true && s && s->width == screen.width() &&
               s->height == screen.height();
    }));
    EXPECT_EQ(ax.setAttribute(win, "AXFullScreen", false), AXError::Success);
    EXPECT_TRUE(waitUntil([&] { return ax.copyAttribute(win, "AXFullScreen").as<bool>() == false; }));

    // Terminate ends every process of the group.
    EXPECT_TRUE(backend->workspace().terminate(groupWithTitle("entry one")->info.handle));
    EXPECT_TRUE(a->waitForFinished(10000) && b->waitForFinished(10000));
}
