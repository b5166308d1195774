// The X11 backend's ports on a real desktop: applications from real clients,
// and what the accessibility port does that no taskbar scenario drives.
#include "platform/x11/X11Backend.h"
#include "platform/Accessibility.h"
#include "x11desktop/X11DesktopFixture.h"

#include <QGuiApplication>
#include <QScreen>

using namespace vantorel;
using vantorel::test::waitUntil;
using vantorel::test::X11Desktop;

TEST_F(X11Desktop, ApplicationsAreListedUnderTheirDesktopEntryOrByProcess) {
    ASSERT_TRUE(backend);
    QProcess* a = term("entry one", "40x10+10+10", {"-class", "TestTerm"});
    QProcess* b = term("entry two", "40x10+300+10", {"-class", "TestTerm"});
    QProcess* clock = spawn("xclock", {"-geometry", "100x100+600+10"});
    ASSERT_TRUE(waitUntil([&] { return groupWithTitle("entry one") && groupWithTitle("entry two") &&
                                       groupWithTitle("xclock"); }));

    const X11AppGroup* terminal = groupWithTitle("entry one");
    EXPECT_EQ(terminal->desktopId, "org.vantorel.TestTerm.desktop");
    EXPECT_EQ(terminal, groupWithTitle("entry two")) << "two processes of one entry are one application";
    EXPECT_EQ(terminal->info.localizedName, "Test Terminal");
    const X11AppGroup* other = groupWithTitle("xclock");
    EXPECT_FALSE(other->desktopId);
    EXPECT_EQ(other->key, QStringLiteral("pid:%1").arg(clock->processId()));

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
