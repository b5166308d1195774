#include "platform/x11/DesktopEntryIndex.h"
#include "x11/DesktopFixture.h"

#include <QDirIterator>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace vantorel;
using vantorel::test::EnvGuard;
using vantorel::test::FixtureTree;

namespace {

QStringList idsOf(const std::vector<const DesktopEntryIndex::Item*>& items) {
    QStringList ids;
    for (const auto* item : items)
        ids << item->id;
    return ids;
}

QStringList allIds(const DesktopEntryIndex& index) {
    QStringList ids;
    for (const auto& item : index.items())
        ids << item.id;
    return ids;
}

// Moves every directory's time stamp an hour back, so that a later change is
// told apart from the scan without waiting for the clock.
void ageDirectories(const QString& root) {
    const timespec past[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    QDirIterator it(root, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    ::utimensat(AT_FDCWD, QFile::encodeName(root).constData(), past, 0);
    while (it.hasNext())
        ::utimensat(AT_FDCWD, QFile::encodeName(it.next()).constData(), past, 0);
}

} // namespace

TEST(DesktopEntryIndex, FirstFileOfAnIdWinsAcrossDataDirectories) {
    FixtureTree tree;
    tree.program("bin/present");
    // User's files.
    tree.app("home/applications/editor.desktop", "User Editor", "editor");
    tree.write("home/applications/removed.desktop", "[Desktop Entry]\nType=Application\nHidden=true\n");
    tree.write("home/applications/broken.desktop", "this is no desktop entry\n");
    tree.app("home/applications/kde/konsole.desktop", "User Konsole", "konsole");
    // System files, two directories.
    tree.app("sys1/applications/editor.desktop", "System Editor", "editor");
    tree.app("sys1/applications/removed.desktop", "Removed", "removed");
    tree.app("sys1/applications/broken.desktop", "Broken Fixed", "broken");
    tree.app("sys1/applications/kde-konsole.desktop", "Flat Konsole", "konsole");
    tree.app("sys1/applications/hidden-menu.desktop", "Helper", "helper", "NoDisplay=true\n");
    tree.app("sys1/applications/needs-missing.desktop", "Missing", "x", "TryExec=missing-program\n");
    tree.app("sys1/applications/needs-present.desktop", "Present", "x", "TryExec=present\n");
    tree.write("sys1/applications/link.desktop", "[Desktop Entry]\nType=Link\nName=Web\nURL=https://h/\n");
    tree.app("sys1/applications/notes.txt", "Not a desktop file", "x");
    tree.app("sys2/applications/editor.desktop", "Other Editor", "editor");
    tree.app("sys2/applications/a/b/deep.desktop", "Deep", "deep");

    EnvGuard env;
    env.set("XDG_DATA_HOME", tree.path("home"));
    env.set("XDG_DATA_DIRS", tree.path("sys1") + u':' + tree.path("sys2"));
    env.set("PATH", tree.path("bin"));
    env.set("LC_ALL", "C");
    const DesktopEntryIndex index;

    EXPECT_EQ(allIds(index), (QStringList{"editor.desktop", "kde-konsole.desktop", "broken.desktop",
                                          "hidden-menu.desktop", "needs-present.desktop", "a-b-deep.desktop"}));
    ASSERT_TRUE(index.find("editor.desktop"));
    EXPECT_EQ(index.find("editor.desktop")->name(), "User Editor");
    EXPECT_EQ(index.find("kde-konsole.desktop")->name(), "User Konsole");
    // A file that is no desktop entry hides nothing; Hidden=true hides the id entirely.
    EXPECT_EQ(index.find("broken.desktop")->name(), "Broken Fixed");
    EXPECT_FALSE(index.find("removed.desktop"));
    EXPECT_TRUE(index.find("hidden-menu.desktop")->noDisplay());
    EXPECT_FALSE(index.find("needs-missing.desktop"));
    EXPECT_FALSE(index.find("link.desktop"));
    EXPECT_EQ(index.idForPath(tree.path("home/applications/kde/konsole.desktop")), "kde-konsole.desktop");
    EXPECT_EQ(index.idForPath(tree.path("sys1/applications/editor.desktop")), QString());
    EXPECT_EQ(index.itemIgnoringCase("EDITOR.desktop")->id, "editor.desktop");
}

TEST(DesktopEntryIndex, LooksUpByWindowClassIdComponentAndProgram) {
    FixtureTree tree;
    const QString real = tree.program("opt/browser/browser-bin");
    tree.program("bin/tool");
    ASSERT_TRUE(QFile::link(real, tree.path("bin/browser")));
    tree.write("share/app/app.py", "print()\n");
    const QString apps = tree.path("apps");
    tree.app("apps/org.example.Browser.desktop", "Browser", "browser %u", "StartupWMClass=Browser-Main\n");
    tree.app("apps/browser-private.desktop", "Private", "browser --private", "StartupWMClass=browser-main\n");
    tree.app("apps/org.example.Tool.desktop", "Tool", "env GDK_BACKEND=x11 A=b tool --flag %F");
    tree.app("apps/script.desktop", "Script", "python3 " + tree.path("share/app/app.py") + " --x");
    tree.app("apps/python.desktop", "Python", "/usr/bin/python3");
    tree.app("apps/shell.desktop", "Shell", "sh -c \"tool\"");
    tree.app("apps/org.other.Tool.desktop", "Notinpath", "elsewhere",
             "TryExec=" + tree.path("bin/tool").toUtf8() + "\n");
    const DesktopEntryIndex index({apps}, DesktopLocale(), tree.path("bin"));

    EXPECT_EQ(idsOf(index.itemsForStartupWMClass("Browser-Main", Qt::CaseSensitive)),
              QStringList{"org.example.Browser.desktop"});
    EXPECT_EQ(idsOf(index.itemsForStartupWMClass("BROWSER-MAIN", Qt::CaseInsensitive)),
              (QStringList{"browser-private.desktop", "org.example.Browser.desktop"}));
    EXPECT_TRUE(index.itemsForStartupWMClass("BROWSER-MAIN", Qt::CaseSensitive).empty());
    EXPECT_EQ(idsOf(index.itemsForIdComponent("tool")),
              (QStringList{"org.example.Tool.desktop", "org.other.Tool.desktop"}));
    EXPECT_EQ(idsOf(index.itemsForIdComponent("example")), QStringList());

    // The program behind a PATH symlink, by canonical path or by either name.
    const QString browserIds = QStringLiteral("browser-private.desktop,org.example.Browser.desktop");
    EXPECT_EQ(idsOf(index.itemsForExecutable(real)).join(u','), browserIds);
    EXPECT_EQ(idsOf(index.itemsForExecutable("/elsewhere/browser-bin")).join(u','), browserIds);
    EXPECT_EQ(idsOf(index.itemsForExecutable("/elsewhere/browser")).join(u','), browserIds);
    EXPECT_TRUE(index.itemsForExecutable("/elsewhere/browser", false).empty());
    const auto* browser = index.item("org.example.Browser.desktop");
    EXPECT_EQ(browser->programPath, QFileInfo(real).canonicalFilePath());
    EXPECT_TRUE(browser->programArguments.isEmpty());
    EXPECT_EQ(index.item("browser-private.desktop")->programArguments, QStringList{"--private"});

    // env and its assignments are skipped; TryExec counts as the program too.
    EXPECT_EQ(idsOf(index.itemsForExecutable(tree.path("bin/tool"))),
              (QStringList{"org.example.Tool.desktop", "org.other.Tool.desktop"}));
    EXPECT_EQ(index.item("org.example.Tool.desktop")->programArguments, QStringList{"--flag"});
    // A script run by an interpreter is known by its path; the interpreter names nothing.
    EXPECT_EQ(idsOf(index.itemsForExecutable(tree.path("share/app/app.py"))), QStringList{"script.desktop"});
    EXPECT_EQ(index.item("script.desktop")->programArguments, QStringList{"--x"});
    EXPECT_TRUE(index.itemsForExecutable("/usr/bin/python3").empty());
    EXPECT_TRUE(index.itemsForExecutable("/bin/sh").empty());
    EXPECT_TRUE(index.itemsForExecutable("/nowhere/app.py").empty());
}

TEST(DesktopEntryIndex, RefreshScansAgainOnlyWhenADirectoryChanged) {
    FixtureTree tree;
    tree.app("sys/applications/one.desktop", "One", "one");
    tree.app("sys/applications/sub/two.desktop", "Two", "two");
    const QString user = tree.path("home/applications");
    const QString system = tree.path("sys/applications");
    ageDirectories(tree.path());
    DesktopEntryIndex index({user, system}, DesktopLocale(), QString());
    const quint64 first = index.generation();
    EXPECT_EQ(allIds(index), (QStringList{"one.desktop", "sub-two.desktop"}));
    const DesktopEntry* one = index.find("one.desktop");

    EXPECT_FALSE(index.refresh());
    EXPECT_EQ(index.generation(), first);
    EXPECT_EQ(index.find("one.desktop"), one); // nothing was rebuilt

    tree.app("sys/applications/sub/three.desktop", "Three", "three");
    EXPECT_TRUE(index.refresh());
    EXPECT_GT(index.generation(), first);
    EXPECT_TRUE(index.find("sub-three.desktop"));

    // The user's folder did not exist at first; its appearance counts.
    ageDirectories(tree.path());
    index.rescan();
    EXPECT_FALSE(index.refresh());
    tree.write("home/applications/one.desktop", "[Desktop Entry]\nType=Application\nHidden=true\n");
    EXPECT_TRUE(index.refresh());
    EXPECT_FALSE(index.find("one.desktop"));

    ageDirectories(tree.path());
    index.rescan();
    ASSERT_TRUE(QFile::remove(tree.path("sys/applications/sub/two.desktop")));
    EXPECT_TRUE(index.refresh());
    EXPECT_FALSE(index.find("sub-two.desktop"));
}

TEST(DesktopEntryIndex, SymlinkLoopsEndTheScan) {
    FixtureTree tree;
    tree.app("apps/one.desktop", "One", "one");
    QDir().mkpath(tree.path("apps/sub"));
    ASSERT_TRUE(QFile::link(tree.path("apps"), tree.path("apps/sub/loop")));
    const DesktopEntryIndex index({tree.path("apps")}, DesktopLocale(), QString());
    EXPECT_EQ(allIds(index), QStringList{"one.desktop"});
}
