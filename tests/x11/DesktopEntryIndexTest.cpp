#include "platform/x11/DesktopEntryIndex.h"
#include "x11/DesktopFixture.h"

#include <QDirIterator>
#include <ctime>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace vantorel;
using vantorel::test::FixtureTree;

namespace {

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
    tree.app("home/applications/editor.desktop", "User Editor", "editor");
    tree.write("home/applications/removed.desktop", "[Desktop Entry]\nType=Application\nHidden=true\n");
    tree.write("home/applications/broken.desktop", "this is no desktop entry\n");
    tree.app("home/applications/kde/konsole.desktop", "User Konsole", "konsole");
    tree.app("sys1/applications/editor.desktop", "System Editor", "editor");
    tree.app("sys1/applications/removed.desktop", "Removed", "removed");
    tree.app("sys1/applications/broken.desktop", "Broken Fixed", "broken");
    tree.app("sys1/applications/kde-konsole.desktop", "Flat Konsole", "konsole");
    tree.app("sys1/applications/hidden-menu.desktop", "Helper", "helper", "NoDisplay=true\n");
    tree.write("sys1/applications/link.desktop", "[Desktop Entry]\nType=Link\nName=Web\nURL=https://h/\n");
    tree.app("sys2/applications/editor.desktop", "Other Editor", "editor");
    tree.app("sys2/applications/a/b/deep.desktop", "Deep", "deep");
    const DesktopEntryIndex index(
        {tree.path("home/applications"), tree.path("sys1/applications"), tree.path("sys2/applications")},
        DesktopLocale(), tree.path("bin"));

    // Hidden=true hides the id entirely; a file that is no desktop entry hides nothing.
    EXPECT_EQ(allIds(index), (QStringList{"editor.desktop", "kde-konsole.desktop", "broken.desktop",
                                          "hidden-menu.desktop", "a-b-deep.desktop"}));
    EXPECT_EQ(index.find("editor.desktop")->name(), "User Editor");
    EXPECT_EQ(index.find("kde-konsole.desktop")->name(), "User Konsole");
    EXPECT_EQ(index.find("broken.desktop")->name(), "Broken Fixed");
    EXPECT_EQ(index.idForPath(tree.path("home/applications/kde/konsole.desktop")), "kde-konsole.desktop");
    EXPECT_EQ(index.idForPath(tree.path("sys1/applications/editor.desktop")), QString());
}

TEST(DesktopEntryIndex, RefreshScansAgainOnlyWhenADirectoryChanged) {
    FixtureTree tree;
    tree.app("sys/applications/one.desktop", "One", "one");
    tree.app("sys/applications/sub/two.desktop", "Two", "two");
    ageDirectories(tree.path());
    DesktopEntryIndex index({tree.path("home/applications"), tree.path("sys/applications")}, DesktopLocale(),
                            QString());
    const quint64 first = index.generation();
    EXPECT_FALSE(index.refresh());
    EXPECT_EQ(index.generation(), first);

    tree.app("sys/applications/sub/three.desktop", "Three", "three");
    EXPECT_TRUE(index.refresh());
    EXPECT_TRUE(index.find("sub-three.desktop"));
}

TEST(DesktopEntryIndex, SymlinkLoopsEndTheScan) {
    FixtureTree tree;
    tree.app("apps/one.desktop", "One", "one");
    QDir().mkpath(tree.path("apps/sub"));
    ASSERT_TRUE(QFile::link(tree.path("apps"), tree.path("apps/sub/loop")));
    const DesktopEntryIndex index({tree.path("apps")}, DesktopLocale(), QString());
    EXPECT_EQ(allIds(index), QStringList{"one.desktop"});
}
