#include "AppsTestSupport.h"

#include "apps/AppRegistryService.h"

#include <gmock/gmock.h>

using namespace vantorel;
using namespace vantorel::test;
using ::testing::ElementsAre;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    AppsWorld w;
    SimDesktop& d = w.desktop;
    std::unique_ptr<AppRegistryService> registry;
    std::vector<std::vector<AppEntry>> published;

    AppRegistryService& make() {
        registry = std::make_unique<AppRegistryService>(w.platform, w.persistence, w.settings, w.scheduler);
        registry->onEntriesChanged = [this](const std::vector<AppEntry>& e) { published.push_back(e); };
        return *registry;
    }
    void pins(const QStringList& ids) { w.persistence.savePinnedApps(ids); }
    const AppEntry& find(const std::vector<AppEntry>& entries, const QString& key) {
        for (const auto& e : entries)
            if (e.key() == key)
                return e;
        ADD_FAILURE() << "no entry " << key.toStdString();
        static AppEntry none;
        return none;
    }
};

TEST_F(RegistryTest, DefaultPinsAreTheInstalledCandidatesUntilTheListIsStored) {
    // Installed in another order, and one that is no candidate.
    d.install(kMail, QStringLiteral("/Applications/Mail.app"));
    d.install(QStringLiteral("org.example.Other"), QStringLiteral("/Applications/Other.app"));
    d.install(kSettingsApp, QStringLiteral("/Applications/System Settings.app"));
    d.install(kFinder, QStringLiteral("/System/Finder.app"));
    auto& r = make();
    const auto entries = r.buildEntries();
    EXPECT_EQ(keys(entries), QStringList({kFinder, kMail, kSettingsApp}));
    EXPECT_FALSE(w.storedPins()) << "the defaults are not written back on their own";

    for (const auto& id : QStringList{kFinder, kMail, kSettingsApp})
        r.unpin(id);
    AppRegistryService again(w.platform, w.persistence, w.settings, w.scheduler);
    EXPECT_TRUE(again.buildEntries().empty());
}

TEST_F(RegistryTest, FileBrowserCountsAsRunningOnlyWithAStandardWindow) {
    const qint64 finder = d.launch(kFinder, QStringLiteral("Finder"));
    pins({kFinder});
    auto& r = make();
    d.activate(finder);
    auto entries = r.buildEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_FALSE(entries[0].isRunning);
    EXPECT_FALSE(entries[0].isActive);
    ASSERT_TRUE(entries[0].runningApp);

    r.unpin(kFinder);
    EXPECT_TRUE(r.buildEntries().empty()) << "unpinned and windowless: no button";

    // A minimised window still counts; a panel-like window does not.
    const quint32 win = d.addWindow(finder, QStringLiteral("Documents"), kFrame, true);
    EXPECT_EQ(keys(r.buildEntries()), QStringList{kFinder});
    d.window(win)->subrole = QStringLiteral("AXFloatingWindow");
    EXPECT_TRUE(r.buildEntries().empty());
}

TEST_F(RegistryTest, ListsRegularApplicationsButNeverItselfOrAnIdentifierlessPin) {
    d.launch(kSelf, QStringLiteral("Vantorel"));
    const qint64 safari = d.launch(kSafari, QStringLiteral("Safari"));
    d.launch(QStringLiteral("com.example.agent"), QStringLiteral("Agent"), ActivationPolicy::Accessory);
    const qint64 tool = d.launch(std::nullopt, QStringLiteral("tool"));
    const qint64 quitting = d.launch(QStringLiteral("com.example.quitting"), QStringLiteral("Quitting"));
    d.app(quitting)->info.isTerminated = true;
    d.app(tool)->info.localizedName.clear();
    d.app(tool)->info.executablePath = QStringLiteral("/opt/bin/tool-bin");
    pins({});
    auto& r = make();
    d.activate(safari);

    const auto entries = r.buildEntries();
    const QString toolId = QStringLiteral("pid:%1").arg(tool);
    EXPECT_EQ(keys(entries), QStringList({kSafari, toolId}));
    EXPECT_TRUE(entries[0].isActive);
    EXPECT_EQ(entries[1].name, QStringLiteral("tool-bin"));

    const int writes = d.memoryDefaults.writeCount();
    published.clear();
    r.pin(toolId);
    r.reorderApp(toolId, 0);
    EXPECT_TRUE(r.pinnedBundleIds().isEmpty());
    EXPECT_EQ(d.memoryDefaults.writeCount(), writes);
    EXPECT_TRUE(published.empty());
}

struct ReorderCase {
    QString dragged;
    int index;
    QStringList expected;
};

TEST_F(RegistryTest, ReorderCountsPinnedEntriesBeforeTheDropPositionAndAnApplicationsWindowsOnce) {
    const QString a = "com.example.A", b = "com.example.B", c = "com.example.C", dd = "com.example.D";
    d.launch(dd, QStringLiteral("D"));
    for (const auto& t :
         {ReorderCase{c, 0, {c, a, b}}, ReorderCase{dd, 1, {a, dd, b, c}}, ReorderCase{a, 99, {b, c, a}}}) {
        pins({a, b, c});
        auto& r = make();
        r.reorderApp(t.dragged, t.index);
        EXPECT_EQ(w.storedPins(), t.expected) << t.dragged.toStdString() << " at " << t.index;
        ASSERT_FALSE(published.empty());
        EXPECT_EQ(keys(published.back()).mid(0, t.expected.size()), t.expected);
    }

    const qint64 pa = d.launch(a, QStringLiteral("A"));
    d.addWindow(pa, QStringLiteral("1"), kFrame);
    d.addWindow(pa, QStringLiteral("2"), kFrame);
    pins({a, b});
    w.setSetting([](AppSettings& s) { s.combineWindowsByApp = false; });
    auto& r = make();
    ASSERT_EQ(r.buildEntries().size(), 4u); // A's two windows, B, and D running
    r.reorderApp(b, 1);
    EXPECT_EQ(r.pinnedBundleIds(), QStringList({a, b})) << "between A's windows still counts A once";
}

TEST_F(RegistryTest, OneEntryPerStandardWindowWhenAsked) {
    const qint64 safari = d.launch(kSafari, QStringLiteral("Safari"));
    const quint32 w1 = d.addWindow(safari, QStringLiteral("  Start Page \n"), kFrame);
    const quint32 w2 = d.addWindow(safari, QString(), kFrame, true);
    const quint32 noNumber = d.addWindow(safari, QStringLiteral("ghost"), kFrame);
    d.window(noNumber)->numberReadable = false;
    const quint32 panel = d.addWindow(safari, QStringLiteral("panel"), kFrame);
    d.window(panel)->subrole = QStringLiteral("AXFloatingWindow");
    const qint64 mute = d.launch(QStringLiteral("com.example.mute"), QStringLiteral("Mute"));
    d.addWindow(mute, QStringLiteral("x"), kFrame);
    d.app(mute)->refusesAccessibility = true;
    pins({kMail});
    d.activate(safari);
    d.app(safari)->focusedWindow = w1;
    w.setSetting([](AppSettings& s) { s.combineWindowsByApp = false; });
    auto& r = make();

    const auto entries = r.buildEntries();
    const QString s = kSafari + u'#';
    EXPECT_EQ(keys(entries),
              QStringList({kMail, s + QString::number(w1), s + QString::number(w2), "com.example.mute"}));
    EXPECT_EQ(entries[1].windowTitle, QStringLiteral("Start Page"));
    EXPECT_TRUE(entries[1].isActive) << "the focused window's entry";
    EXPECT_EQ(entries[2].windowTitle, QStringLiteral("Safari")) << "an empty title shows the name";
    EXPECT_TRUE(entries[2].isMinimized);
}

TEST_F(RegistryTest, APinnedApplicationIsLookedUpOnceUntilItLaunchesAgain) {
    d.install(kMail, QStringLiteral("/Applications/Mail.app"));
    pins({kMail});
    auto& r = make();
    const int locations = d.locationLookups;
    const qint64 fileIcon = find(r.buildEntries(), kMail).icon.cacheKey();
    r.buildEntries();
    d.launch(kSafari, QStringLiteral("Safari"));
    r.buildEntries();
    EXPECT_EQ(d.locationLookups, locations + 1) << "another application's launch leaves the cache alone";

    // Its own launch forgets it: it may have moved or changed its icon.
    d.install(kMail, QStringLiteral("/Applications/Mail 2.app"));
    const qint64 mail = d.launch(kMail, QStringLiteral("Mail"));
    EXPECT_EQ(r.applicationLocation(kMail), QStringLiteral("/Applications/Mail 2.app"));
    const qint64 runningIcon = d.workspace.icon(d.app(mail)->info).cacheKey();
    EXPECT_NE(runningIcon, fileIcon);
    d.terminate(mail);
    EXPECT_EQ(find(r.buildEntries(), kMail).icon.cacheKey(), runningIcon);
}

TEST_F(RegistryTest, ThePeriodicCheckBuildsNothingWhenTheWorkspaceSaysNothingChanged) {
    auto& r = make();
    d.launch(kSafari, QStringLiteral("Safari"));
    published.clear();
    // A desktop that cannot tell: every check is a fresh list.
    r.refresh();
    r.refresh();
    EXPECT_EQ(published.size(), 2u);

    d.revision = 7;
    r.refresh();
    r.refresh();
    r.refresh();
    EXPECT_EQ(published.size(), 3u);
    d.revision = 8;
    r.refresh();
    EXPECT_EQ(published.size(), 4u);
    // Changes of our own always publish, and count as seen.
    r.pin(kSafari);
    EXPECT_EQ(published.size(), 5u);
    r.refresh();
    EXPECT_EQ(published.size(), 5u);
}

TEST_F(RegistryTest, PublishesOnWorkspaceNoticesAndOnceMoreAfterATermination) {
    make();
    const qint64 safari = d.launch(kSafari, QStringLiteral("Safari"));
    ASSERT_EQ(published.size(), 1u);
    published.clear();
    d.terminate(safari);
    ASSERT_EQ(published.size(), 1u);
    w.scheduler.advance(500ms);
    EXPECT_EQ(published.size(), 2u);
    EXPECT_TRUE(published.back().empty());

    // The delayed publish does not outlive the registry.
    d.terminate(d.launch(kMail, QStringLiteral("Mail")));
    const auto publishes = published.size();
    registry.reset();
    w.scheduler.advance(1s);
    EXPECT_EQ(published.size(), publishes);
}

} // namespace
