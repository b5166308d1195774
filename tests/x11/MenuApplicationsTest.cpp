#include "platform/x11/MenuApplications.h"
#include "x11/DesktopFixture.h"

#include <gtest/gtest.h>

using namespace vantorel;
using vantorel::test::FixtureTree;

namespace {

QStringList idsOf(const std::vector<InstalledApplication>& apps) {
    QStringList ids;
    for (const auto& a : apps)
        ids << a.bundleIdentifier.value_or(QStringLiteral("?"));
    ids.sort();
    return ids;
}

const InstalledApplication* withId(const std::vector<InstalledApplication>& apps, const QString& id) {
    for (const auto& a : apps)
        if (a.bundleIdentifier == id)
            return &a;
    return nullptr;
}

} // namespace

TEST(MenuApplications, ListsWhatAMenuOfTheCurrentDesktopShowsEachOnce) {
    FixtureTree tree;
    tree.program("bin/present");
    tree.app("home/applications/editor.desktop", "User Editor", "editor",
             "Name[de]=Bearbeiter\nGenericName=Text Editor\nGenericName[de]=Texteditor\nKeywords=code;notes;\n");
    tree.app("sys/applications/editor.desktop", "System Editor", "editor");
    tree.app("sys/applications/helper.desktop", "Helper", "helper", "NoDisplay=true\n");
    tree.app("sys/applications/gone.desktop", "Gone", "gone", "Hidden=true\n");
    tree.app("sys/applications/missing.desktop", "Missing", "x", "TryExec=missing-program\n");
    tree.app("sys/applications/present.desktop", "Present", "x", "TryExec=present\n");
    tree.app("sys/applications/only-kde.desktop", "KDE Only", "x", "OnlyShowIn=KDE;\n");
    tree.app("sys/applications/only-xfce.desktop", "XFCE Only", "x", "OnlyShowIn=XFCE;LXQt;\n");
    tree.app("sys/applications/not-xfce.desktop", "Not XFCE", "x", "NotShowIn=XFCE;\n");
    tree.app("sys/applications/firefox.desktop", "Firefox", "firefox", "GenericName=Web Browser\n");
    tree.write("sys/applications/nameless.desktop", "[Desktop Entry]\nType=Application\nExec=x\n");

    const QStringList dirs{tree.path("home/applications"), tree.path("sys/applications")};
    DesktopEntryIndex index(dirs, DesktopLocale::parse("de_DE.UTF-8"), tree.path("bin"));
    const auto xfce = menuApplications(index, {"XFCE"});
    EXPECT_EQ(idsOf(xfce), (QStringList{"editor.desktop", "firefox.desktop", "only-xfce.desktop", "present.desktop"}));

    const InstalledApplication* editor = withId(xfce, "editor.desktop");
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->name, "Bearbeiter") << "the user's entry, in the user's language";
    EXPECT_EQ(editor->location, tree.path("home/applications/editor.desktop"));
    EXPECT_EQ(editor->searchTerms, (QStringList{"Texteditor", "code", "notes"}));
}
