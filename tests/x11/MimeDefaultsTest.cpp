#include "platform/x11/MimeDefaults.h"
#include "x11/DesktopFixture.h"

#include <gtest/gtest.h>

using namespace vantorel;
using vantorel::test::FixtureTree;

namespace {

// A user's and a system's configuration and data folders.
class MimeDefaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        tree.app("data/applications/files.desktop", "Files", "files %U", "MimeType=inode/directory;\n");
        tree.app("sys/applications/other-fm.desktop", "Other", "other-fm", "MimeType=inode/directory;text/html;\n");
        tree.app("sys/applications/browser.desktop", "Browser", "browser %u",
                 "MimeType=text/html;x-scheme-handler/https;\n");
        tree.app("sys/applications/web.desktop", "Web", "web %u", "MimeType=text/html;\n");
        tree.app("sys/applications/mail.desktop", "Mail", "mail %u", "MimeType=x-scheme-handler/mailto;\n");
        tree.app("sys/applications/mail2.desktop", "Mail 2", "mail2 %u");
        tree.app("sys/applications/gnome-control-center.desktop", "Settings", "gnome-control-center",
                 "OnlyShowIn=GNOME;Unity;\n");
        tree.app("sys/applications/xfce-settings-manager.desktop", "Settings", "xfce4-settings-manager",
                 "OnlyShowIn=XFCE;\n");
        index.emplace(QStringList{tree.path("data/applications"), tree.path("sys/applications")}, DesktopLocale(),
                      QString());
    }

    MimeDefaults defaults(const QStringList& desktops = {}) {
        const QStringList files =
            MimeDefaults::listFilesFor({tree.path("config"), tree.path("xdg")},
                                       {tree.path("data/applications"), tree.path("sys/applications")}, desktops);
        return MimeDefaults(*index, files, desktops);
    }

    FixtureTree tree;
    std::optional<DesktopEntryIndex> index;
};

} // namespace

TEST_F(MimeDefaultsTest, DefaultsFollowFilePrecedence) {
    // Nothing configured: the first installed entry that lists the type.
    EXPECT_EQ(defaults().defaultApplication("text/html"), "browser.desktop");

    tree.write("sys/applications/mimeapps.list", "[Default Applications]\n"
                                                 "inode/directory=other-fm.desktop\n"
                                                 "text/html=web.desktop\n");
    tree.write("xdg/mimeapps.list", "[Default Applications]\ntext/html=browser.desktop\n");
    // The user's file names an application that is not installed first; it is skipped.
    tree.write("config/mimeapps.list", "# user choices\n"
                                       "[Added Associations]\n"
                                       "text/html=web.desktop;\n"
                                       "[Default Applications]\n"
                                       "Text/HTML=missing.desktop;web.desktop;\n");
    const MimeDefaults plain = defaults();
    EXPECT_EQ(plain.defaultApplication("inode/directory"), "other-fm.desktop");
    EXPECT_EQ(plain.defaultApplication("TEXT/html"), "web.desktop");

    // A desktop's own list comes before the plain list of the same folder.
    tree.write("config/xfce-mimeapps.list", "[Default Applications]\ntext/html=browser.desktop\n");
    EXPECT_EQ(defaults({"XFCE"}).defaultApplication("text/html"), "browser.desktop");
}

TEST_F(MimeDefaultsTest, AssociationsApplyWhenNoDefaultIsInstalled) {
    tree.write("config/mimeapps.list", "[Default Applications]\n"
                                       "x-scheme-handler/mailto=gone.desktop\n"
                                       "[Removed Associations]\n"
                                       "inode/directory=files.desktop;\n");
    tree.write("data/applications/mimeapps.list", "[Added Associations]\n"
                                                  "x-scheme-handler/mailto=mail2.desktop;mail.desktop;\n"
                                                  "inode/directory=files.desktop;\n");
    MimeDefaults mime = defaults();
    EXPECT_EQ(mime.defaultApplication("x-scheme-handler/mailto"), "mail2.desktop");
    // Removed in a file above: neither the added association nor its MimeType= counts.
    EXPECT_EQ(mime.fileBrowserIdentifier(), "other-fm.desktop");
}

TEST_F(MimeDefaultsTest, PinnedCandidatesAreFileManagerBrowserMailAndSettings) {
    tree.write("config/mimeapps.list", "[Default Applications]\n"
                                       "inode/directory=files.desktop\n"
                                       "x-scheme-handler/https=browser.desktop\n"
                                       "x-scheme-handler/mailto=mail.desktop\n");
    EXPECT_EQ(defaults({"XFCE"}).defaultPinnedCandidates(),
              (QStringList{"files.desktop", "browser.desktop", "mail.desktop", "xfce-settings-manager.desktop"}));
}
