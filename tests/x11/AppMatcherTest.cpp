#include "platform/x11/AppMatcher.h"
#include "x11/DesktopFixture.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace vantorel;
using vantorel::test::FixtureTree;

namespace {

// Desktop files as real applications write them, over a PATH of fixture programs.
class AppMatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        realBrowser = tree.program("opt/browser/browser-bin");
        tree.program("bin/xterm");
        tree.program("bin/nautilus");
        tree.program("bin/tool");
        tree.program("bin/office");
        tree.program("bin/gtk-app");
        ASSERT_TRUE(QFile::link(realBrowser, tree.path("bin/browser")));
        script = tree.write("share/viewer/viewer.py", "print()\n");

        tree.app("apps/org.gnome.Nautilus.desktop", "Files", "nautilus --new-window %U");
        tree.app("apps/debian-xterm.desktop", "XTerm", "xterm", "StartupWMClass=XTerm\n");
        tree.app("apps/xterm.desktop", "Plain xterm", "xterm");
        tree.app("apps/org.example.Browser.desktop", "Browser", "browser %u");
        tree.app("apps/org.example.Tool.desktop", "Tool", "env GDK_BACKEND=x11 tool %F");
        tree.app("apps/org.example.Gtk.desktop", "Gtk", "gtk-app", "StartupWMClass=Shared\n");
        tree.app("apps/kde/org.kde.thing.desktop", "Thing", "thing");
        tree.app("apps/viewer.desktop", "Viewer", "python3 " + script + " %f");
        tree.app("apps/python3.desktop", "Python", "/usr/bin/python3");
        tree.app("apps/org.one.Terminal.desktop", "Terminal One", "term-one");
        tree.app("apps/org.two.Terminal.desktop", "Terminal Two", "term-two");
        tree.app("apps/org.one.Helper.desktop", "Helper", "helper-one");
        tree.app("apps/org.two.Helper.desktop", "Helper", "helper-two", "NoDisplay=true\n");
        tree.app("apps/office-writer.desktop", "Writer", "office --writer %U");
        tree.app("apps/office-calc.desktop", "Calc", "office --calc %U");
        tree.app("apps/shared-class.desktop", "Shared", "other", "StartupWMClass=shared\n");
        index.emplace(QStringList{tree.path("apps")}, DesktopLocale(), tree.path("bin"));
        matcher.emplace(*index);
    }

    std::optional<QString> match(const WindowFacts& facts) { return matcher->desktopIdFor(facts); }

    FixtureTree tree;
    QString realBrowser;
    QString script;
    std::optional<DesktopEntryIndex> index;
    std::optional<AppMatcher> matcher;
};

WindowFacts withClass(const QString& instance, const QString& cls) {
    WindowFacts facts;
    facts.wmClassInstance = instance;
    facts.wmClassClass = cls;
    return facts;
}

WindowFacts running(const QString& exe, const QStringList& commandLine = {}) {
    WindowFacts facts;
    facts.executablePath = exe;
    facts.commandLine = commandLine.isEmpty() ? QStringList{exe} : commandLine;
    return facts;
}

} // namespace

TEST_F(AppMatcherTest, ApplicationIdPropertyComesFirst) {
    WindowFacts facts = withClass("xterm", "XTerm");
    facts.applicationId = "ORG.EXAMPLE.GTK";
    EXPECT_EQ(match(facts), "org.example.Gtk.desktop");
    // KDE names the file; a path in a subfolder maps to its id.
    facts.applicationId = tree.path("apps/kde/org.kde.thing.desktop");
    EXPECT_EQ(match(facts), "kde-org.kde.thing.desktop");
    // An id that names nothing installed falls through to the window class.
    facts.applicationId = "org.example.Missing";
    EXPECT_EQ(match(facts), "debian-xterm.desktop");
}

TEST_F(AppMatcherTest, WindowClassMatchesStartupWMClassThenTheId) {
    // StartupWMClass beats an id of the same name, and the exact case beats another case.
    EXPECT_EQ(match(withClass("xterm", "XTerm")), "debian-xterm.desktop");
    EXPECT_EQ(match(withClass("gtk", "Shared")), "org.example.Gtk.desktop");
    EXPECT_EQ(match(withClass("gtk", "shared")), "shared-class.desktop");
    // Against the id: ignoring case, or its last component.
    EXPECT_EQ(match(withClass("nautilus", "Nautilus")), "org.gnome.Nautilus.desktop");
    // Two vendors' Terminal are no answer; of two Helpers only one is shown in menus.
    EXPECT_EQ(match(withClass("terminal", "Terminal")), std::nullopt);
    EXPECT_EQ(match(withClass("helper", "Helper")), "org.one.Helper.desktop");
}

TEST_F(AppMatcherTest, ExecutableMatchesExecAndTryExec) {
    // /proc/PID/exe is the canonical file, never the PATH symlink.
    EXPECT_EQ(match(running(realBrowser + " (deleted)")), "org.example.Browser.desktop");
    // Two entries run xterm; the one named like the program wins.
    EXPECT_EQ(match(running(tree.path("bin/tool"))), "org.example.Tool.desktop");
    EXPECT_EQ(match(running(tree.path("bin/xterm"))), "xterm.desktop");
    // The command line chooses between entries of one program, and is part of the cache key then.
    const QString office = tree.path("bin/office");
    EXPECT_EQ(match(running(office, {office, "--calc", "a.ods"})), "office-calc.desktop");
    EXPECT_EQ(match(running(office, {office, "--writer"})), "office-writer.desktop");
    EXPECT_EQ(match(running("/usr/bin/unknown-program")), std::nullopt);
}

TEST_F(AppMatcherTest, InterpretersMatchOnlyByAnAbsoluteScript) {
    EXPECT_EQ(match(running("/usr/bin/python3.11", {"python3", script})), "viewer.desktop");
    // Not clearly a script of ours: options first, a relative path.
    EXPECT_EQ(match(running("/usr/bin/python3.11", {"python3", "-u", script})), std::nullopt);
    // An entry that runs the bare interpreter does not claim every script.
    EXPECT_EQ(match(running("/usr/bin/python3", {"python3", "/usr/lib/other/tool.py"})), std::nullopt);
}
