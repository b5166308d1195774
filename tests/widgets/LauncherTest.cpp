#include "apps/AppRegistryService.h"
#include "core/KeepAlive.h"
#include "support/SimWorld.h"
#include "widgets/LauncherPanelController.h"
#include "widgets/LauncherView.h"
#include "widgets/Popover.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace vantorel;

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

QStringList namesOf(const std::vector<LauncherApp>& apps) {
    QStringList names;
    for (const auto& a : apps)
        names << a.name;
    return names;
}

std::vector<LauncherApp> apps(const QStringList& names) {
    std::vector<LauncherApp> out;
    for (const auto& n : names)
        out.push_back({QStringLiteral("/Applications/") + n + QStringLiteral(".app"), n, std::nullopt, {}});
    return out;
}

// A tree of application folders on disk, standing in for the system's.
class AppTree {
public:
    QString path(const QString& relative) const { return dir_.path() + u'/' + relative; }
    QString app(const QString& relative) const {
        QDir().mkpath(path(relative));
        return path(relative);
    }
    QStringList folders() const {
        return {path("Applications"), path("home/Applications"), path("System/Applications")};
    }
    QString finder() const { return path("System/Library/CoreServices/Finder.app"); }

private:
    QTemporaryDir dir_;
};

struct LauncherTest : ::testing::Test {
    test::SimWorld world;
    AppTree tree;
    AppRegistryService registry{world.desktop.platform(), world.persistence, world.settings, world.scheduler};
    QWidget window; // the taskbar panel
    QWidget* startButton = new QWidget(&window);
    std::unique_ptr<LauncherPanelController> launcher;

    void SetUp() override {
        world.desktop.applicationFolders = tree.folders();
        world.desktop.fileBrowserBundle = tree.finder();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        window.setGeometry(screen.x(), screen.bottom() - 55, screen.width(), 56);
        startButton->setGeometry(0, 0, 61, 56);
        window.show();
    }
    void TearDown() override {
        launcher.reset();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    LauncherPanelController& open() {
        launcher = std::make_unique<LauncherPanelController>(
            LauncherDependencies{registry, world.settings, world.theme, world.scheduler, world.desktop.platform()});
        launcher->show(startButton);
        return *launcher;
    }
    // Applications named like these, installed in the first folder with identifiers "id.<name>".
    void install(const QStringList& names) {
        for (const auto& n : names)
            world.desktop.install(QStringLiteral("id.") + n, tree.app(QStringLiteral("Applications/") + n + ".app"));
    }
    void pointAt(QPoint global) { world.desktop.setPointer(ScreenSpace::fromPrimaryScreen().fromQt(QPointF(global))); }
    QPoint outside() const { return launcher->popover()->geometry().topRight() + QPoint(200, -100); }
    QPoint insidePopover() const { return launcher->popover()->geometry().center(); }
    void key(int k) { QTest::keyClick(launcher->searchField(), static_cast<Qt::Key>(k)); }
};

} // namespace

TEST_F(LauncherTest, NamesSortAsTheFileBrowserSortsThemAndTheSearchKeepsThatOrder) {
    std::vector<InstalledApplication> found;
    for (const auto& n : {"App 10", "zebra", "App 2", "Émail", "apple", "Editor"})
        found.push_back({QStringLiteral("/x/") + n, n, std::nullopt, {}});
    EXPECT_EQ(namesOf(sortedLauncherApps(found, kEnglish)),
              (QStringList{"App 2", "App 10", "apple", "Editor", "Émail", "zebra"}));

    auto all = apps({"Calendar", "Mail", "Mailspring", "Notes", "Thunderbird"});
    all[4].searchTerms = {"Mail Client", "email"};
    all[0].searchTerms = {"Schedule"};
    EXPECT_EQ(namesOf(filterLauncherApps(all, launcherQuery("  mail \t"), kEnglish)),
              (QStringList{"Mail", "Mailspring", "Thunderbird"}))
        << "names first, then what only a generic name or keyword finds";
    EXPECT_TRUE(filterLauncherApps(all, launcherQuery("mail\n"), kEnglish).empty()) << "line breaks are not trimmed";
}

TEST_F(LauncherTest, TypingFiltersAndTheKeysMoveWithinTheRows) {
    install({"Books", "Mail", "Maps", "Music"});
    auto& l = open();
    QTest::keyClicks(l.searchField(), "  m");
    EXPECT_EQ(namesOf(l.filteredApps()), (QStringList{"Mail", "Maps", "Music"}));
    key(Qt::Key_Up);
    EXPECT_EQ(l.selectedRow(), 0) << "up on the first row stays";
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    key(Qt::Key_Down);
    EXPECT_EQ(l.selectedRow(), 2) << "down on the last row stays";
    QTest::keyClicks(l.searchField(), "ux");
    EXPECT_EQ(l.selectedRow(), -1) << "an empty list selects nothing";
    key(Qt::Key_Return);
    EXPECT_TRUE(l.isShown()) << "nothing to open";
    l.searchField()->clear();
    EXPECT_EQ(l.filteredApps().size(), 4u);

    // Return with nothing selected opens the first row.
    l.selectRow(-1);
    key(Qt::Key_Return);
    EXPECT_FALSE(l.isShown());
    EXPECT_EQ(world.desktop.openedLocations, QStringList{tree.path("Applications/Books.app")});

    // A click on a row opens that one.
    auto& again = open();
    const QRect row = again.tableView()->visualRect(again.tableView()->model()->index(1, 0));
    QTest::mouseClick(again.tableView()->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(world.desktop.openedLocations.last(), tree.path("Applications/Mail.app"));
    EXPECT_FALSE(again.isShown());
}

TEST_F(LauncherTest, ThePointerAwayForHalfASecondClosesItButNeverInTheFirstSecond) {
    install({"Mail"});
    auto& l = open();
    pointAt(outside());
    world.scheduler.advance(1500ms); // first seen away at 1.1 s
    EXPECT_TRUE(l.isShown()) << "the first second is never judged";
    pointAt(insidePopover());
    world.scheduler.advance(100ms);
    pointAt(outside());
    world.scheduler.advance(400ms);
    EXPECT_TRUE(l.isShown()) << "coming back starts the half second again";
    // The start button and the gap between it and the popover count as inside.
    pointAt(startButton->mapToGlobal(QPoint(30, 2)) - QPoint(0, Popover::kGap));
    world.scheduler.advance(1000ms);
    EXPECT_TRUE(l.isShown());
    pointAt(outside());
    world.scheduler.advance(500ms); // first seen away on the first of these ticks
    EXPECT_TRUE(l.isShown());
    world.scheduler.advance(100ms);
    EXPECT_FALSE(l.isShown()) << "away for half a second";
    EXPECT_EQ(world.scheduler.repeatingCount(), 0);
}

TEST_F(LauncherTest, TheRowMenuPinsUnpinsAndRevealsWhileTheLauncherStaysOpen) {
    install({"Mail", "Maps"});
    tree.app("Applications/Unknown.app");
    world.persistence.savePinnedApps({});
    auto& l = open();
    QStringList titles;
    QString choose;
    l.presentMenu = [&](QMenu& menu, QPoint) {
        titles.clear();
        for (QAction* a : menu.actions())
            titles << a->text();
        for (QAction* a : menu.actions())
            if (a->text() == choose)
                a->trigger();
    };
    auto rightClick = [&](int row) {
        const QRect r = l.tableView()->visualRect(l.tableView()->model()->index(row, 0));
        QContextMenuEvent event(QContextMenuEvent::Mouse, r.center(),
                                l.tableView()->viewport()->mapToGlobal(r.center()));
        QApplication::sendEvent(l.tableView()->viewport(), &event);
    };
    choose = "Add to Taskbar";
    rightClick(0); // Mail
    EXPECT_EQ(titles, (QStringList{"Add to Taskbar", "Show in Finder"}));
    EXPECT_EQ(world.persistence.loadPinnedApps(), QStringList{"id.Mail"});
    choose = "Remove from Taskbar";
    rightClick(0);
    EXPECT_EQ(world.persistence.loadPinnedApps(), QStringList{});

    choose = "Show in Finder";
    rightClick(1);
    EXPECT_EQ(world.desktop.revealedPaths, QStringList{tree.path("Applications/Maps.app")});
    EXPECT_TRUE(l.isShown());

    titles = {"none"};
    rightClick(2); // Unknown has no identifier: no menu
    EXPECT_EQ(titles, QStringList{"none"});
}

TEST_F(LauncherTest, ClosingDuringTheRowMenuKeepsWhatTheMenuReturnsInto) {
    install({"Mail"});
    auto& l = open();
    QPointer<QWidget> list = l.tableView();
    l.presentMenu = [&](QMenu&, QPoint) {
        world.desktop.clickInOtherApplication();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(list) << "deleted under the menu";
    };
    l.showContextMenu(0, QPoint());
    EXPECT_FALSE(l.isShown());
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(list) << "deleted once the menu returned";
}
