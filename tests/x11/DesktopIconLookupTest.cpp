#include "platform/x11/DesktopIconLookup.h"
#include "platform/x11/DesktopEntry.h"
#include "x11/DesktopFixture.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace vantorel;
using vantorel::test::FixtureTree;

namespace {

QString writeImage(const FixtureTree& tree, const QString& relative, QColor color) {
    const QString file = tree.path(relative);
    QDir().mkpath(QFileInfo(file).path());
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(color);
    EXPECT_TRUE(image.save(file, "PNG")) << qPrintable(file);
    return file;
}

QRgb centre(const QIcon& icon) {
    return icon.pixmap(16, 16).toImage().pixel(8, 8);
}

// Points Qt at a fixture icon theme and puts the previous one back.
class ThemeGuard {
public:
    ThemeGuard(const QString& searchPath, const QString& name)
        : paths_(QIcon::themeSearchPaths()), name_(QIcon::themeName()) {
        QIcon::setThemeSearchPaths({searchPath});
        QIcon::setThemeName(name);
    }
    ~ThemeGuard() {
        QIcon::setThemeSearchPaths(paths_);
        QIcon::setThemeName(name_);
    }

private:
    QStringList paths_;
    QString name_;
};

} // namespace

TEST(DesktopIconLookup, ThemeThenAbsolutePathThenPixmaps) {
    FixtureTree tree;
    tree.write("icons/fixture/index.theme", "[Icon Theme]\nName=Fixture\nDirectories=16x16/apps\n\n"
                                            "[16x16/apps]\nSize=16\nType=Fixed\n");
    writeImage(tree, "icons/fixture/16x16/apps/both.png", Qt::red);
    writeImage(tree, "pixmaps/both.png", Qt::blue);
    writeImage(tree, "pixmaps/legacy.png", Qt::green);
    writeImage(tree, "pixmaps/mini.term_32x32.png", Qt::red);
    writeImage(tree, "pixmaps/mini.term_48x48.png", Qt::red);
    const QString absolute = writeImage(tree, "elsewhere/logo.png", Qt::yellow);
    ThemeGuard theme(tree.path("icons"), "fixture");
    DesktopIconLookup lookup({tree.path("nothing-here"), tree.path("pixmaps")});

    EXPECT_EQ(centre(lookup.icon("both")), QColor(Qt::red).rgb()); // the theme first
    EXPECT_EQ(centre(lookup.icon(absolute)), QColor(Qt::yellow).rgb());
    EXPECT_EQ(centre(lookup.iconFor(DesktopEntry::parse("[Desktop Entry]\nIcon=legacy\n").value())),
              QColor(Qt::green).rgb());
    // Sizes installed side by side make one icon.
    EXPECT_EQ(centre(lookup.icon("mini.term")), QColor(Qt::red).rgb());

    // A name is never a path into another folder.
    EXPECT_TRUE(lookup.icon("../elsewhere/logo").isNull());
}
