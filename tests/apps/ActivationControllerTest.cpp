#include "AppsTestSupport.h"

#include "apps/ActivationController.h"
#include "apps/AppRegistryService.h"

#include <gmock/gmock.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

QString reopenScript(const QString& escapedId) {
    return QStringLiteral("tell application id \"") + escapedId +
           QStringLiteral("\"\n    reopen\n    activate\nend tell");
}

class Activation : public ::testing::Test {
protected:
    AppsWorld w;
    SimDesktop& d = w.desktop;
    // Nothing pinned unless a test pins it.
    bool unpinned = (w.persistence.savePinnedApps({}), true);
    AppRegistryService registry{w.platform, w.persistence, w.settings, w.scheduler};
    ActivationController controller{w.platform, w.scheduler, registry};
    // Calls of the New Window seam: (pid, openingMenus).
    std::vector<std::pair<qint64, bool>> newWindowRequests;

    Activation() {
        controller.tryInvokeNewWindowMenu = [this](const RunningApplication& app, bool openingMenus) {
            newWindowRequests.emplace_back(app.pid, openingMenus);
            return true;
        };
    }

    // The entry the taskbar shows for this key right now.
    AppEntry entry(const QString& key) {
        for (const auto& e : registry.buildEntries())
            if (e.key() == key)
                return e;
        ADD_FAILURE() << "no entry " << key.toStdString();
        return {};
    }
    SimApp& app(qint64 pid) { return *d.app(pid); }
    qint64 frontmost() {
        const auto front = d.workspace.frontmostApplication();
        return front ? front->pid : 0;
    }
    std::vector<bool> minimized(qint64 pid) {
        std::vector<bool> out;
        for (const auto& win : app(pid).windows)
            out.push_back(win.minimized);
        return out;
    }
    void pin(const QString& id) { registry.pin(id); }
};

} // namespace

TEST_F(Activation, NothingInstalledIsNoErrorAndWithoutTrustTheApplicationInFrontIsHidden) {
    pin(kMail); // pinned but not installed
    controller.activate(entry(kMail));
    controller.activate(appEntry(QStringLiteral("pid:4242"), false, false));
    EXPECT_TRUE(d.openedApplications.isEmpty());
    EXPECT_TRUE(d.shownAlerts.empty()) << "nothing to launch, and nothing said about it";

    const qint64 editor = d.launch(kEditor, "Editor");
    d.addWindow(editor, "one", kFrame);
    d.activate(editor);
    d.trusted = false;
    controller.activate(entry(kEditor));
    EXPECT_TRUE(app(editor).info.isHidden);
    EXPECT_EQ(minimized(editor), std::vector<bool>{false});
}

TEST_F(Activation, AFullScreenWindowLeavesFullScreenAndIsMinimisedSixHundredMillisecondsLater) {
    const qint64 editor = d.launch(kEditor, "Editor");
    const quint32 full = d.addWindow(editor, "full", kFrame);
    d.addWindow(editor, "plain", kOther);
    d.window(full)->fullScreen = true;
    d.activate(editor);
    controller.activate(entry(kEditor));
    EXPECT_FALSE(d.window(full)->fullScreen);
    EXPECT_EQ(minimized(editor), (std::vector<bool>{false, true})) << "other windows go at once";
    w.scheduler.advance(599ms);
    EXPECT_FALSE(d.window(full)->minimized);
    w.scheduler.advance(1ms);
    EXPECT_TRUE(d.window(full)->minimized);
}

TEST_F(Activation, ThisProgramInFrontNeverMinimisesUnlessTheEntryOrTheApplicationSaysActive) {
    const qint64 editor = d.launch(kEditor, "Editor");
    d.addWindow(editor, "one", kFrame);
    // This program as the desktop knows it: by its process, without an identifier.
    const qint64 self = d.launch(std::nullopt, "vantorel");
    d.ownPid = self;
    d.activate(self);
    const AppEntry e = entry(kEditor);
    const RunningApplication& running = *e.runningApp;
    EXPECT_FALSE(controller.shouldMinimizeOnClick(e, running)) << "right after our own launcher";
    AppEntry active = e;
    active.isActive = true;
    EXPECT_TRUE(controller.shouldMinimizeOnClick(active, running));

    // A regular process with the entry's identifier in front counts as the application.
    d.activate(d.launch(kEditor, "Editor Helper"));
    EXPECT_TRUE(controller.shouldMinimizeOnClick(e, running));
    // Another copy of this program, by our identifier.
    d.activate(d.launch(kSelf, "Vantorel"));
    EXPECT_FALSE(controller.shouldMinimizeOnClick(e, running));
}

TEST_F(Activation, TheFileBrowserInFrontIsMinimisedWithoutAskingIt) {
    const qint64 finder = d.launch(kFinder, "Finder");
    d.addWindow(finder, "Documents", kFrame);
    d.activate(finder);
    pin(kFinder);
    controller.activate(entry(kFinder));
    EXPECT_EQ(minimized(finder), std::vector<bool>{true});
    EXPECT_TRUE(d.scripting.scripts.isEmpty());
}

TEST_F(Activation, AWindowButtonWhoseWindowIsGoneBringsTheWholeApplicationForward) {
    w.setSetting([](AppSettings& s) { s.combineWindowsByApp = false; });
    const qint64 editor = d.launch(kEditor, "Editor");
    const quint32 one = d.addWindow(editor, "one", kFrame, true);
    AppEntry gone = entry(kEditor + "#" + QString::number(one));
    gone.windowID = 999;
    d.activate(d.launch(kMail, "Mail"));
    controller.activate(gone);
    EXPECT_EQ(frontmost(), editor);
    EXPECT_EQ(minimized(editor), std::vector<bool>{false});
    EXPECT_EQ(w.scheduler.pendingCount(), 1) << "and checked later";
}

TEST_F(Activation, AnApplicationWithoutAUsableWindowIsAskedToReopenThenForANewWindow) {
    const qint64 editor = d.launch(kEditor, "Editor");
    d.addWindow(editor, "palette", {0, 0, 60, 300});
    // Usable: a normal-layer (or layerless) window larger than 80 x 60.
    const RunningApplication running = app(editor).info;
    d.extraWindowListEntries.push_back({7, AppHandle{editor}, editor, {}, {}, 3, Rect{0, 0, 500, 500}, 1.0});
    EXPECT_FALSE(controller.hasUsableOnScreenWindow(running)) << "not on the normal layer";
    d.extraWindowListEntries.push_back({8, AppHandle{editor}, editor, {}, {}, std::nullopt, Rect{0, 0, 81, 61}, 1.0});
    EXPECT_TRUE(controller.hasUsableOnScreenWindow(running));
    d.extraWindowListEntries.clear();

    d.activate(d.launch(kMail, "Mail"));
    controller.activate(entry(kEditor));
    w.scheduler.advance(219ms);
    EXPECT_TRUE(d.scripting.scripts.isEmpty());
    w.scheduler.advance(1ms);
    EXPECT_EQ(d.scripting.scripts, QStringList{reopenScript(kEditor)});
    w.scheduler.advance(239ms);
    EXPECT_TRUE(newWindowRequests.empty());
    w.scheduler.advance(1ms);
    EXPECT_EQ(newWindowRequests, (std::vector<std::pair<qint64, bool>>{{editor, false}}));

    // A reopen that fails: the New Window command follows after 60 ms.
    newWindowRequests.clear();
    d.scripting.answers[reopenScript(kEditor)] = {true, QStringLiteral("not allowed"), std::nullopt};
    d.activate(d.appWithIdentifier(kMail)->info.pid);
    controller.activate(entry(kEditor));
    w.scheduler.advance(220ms + 59ms);
    EXPECT_TRUE(newWindowRequests.empty());
    w.scheduler.advance(1ms);
    EXPECT_EQ(newWindowRequests.size(), 1u);

    // No longer in front at the check, or quit before it: left alone.
    newWindowRequests.clear();
    d.scripting.scripts.clear();
    controller.activate(entry(kEditor));
    d.activate(d.appWithIdentifier(kMail)->info.pid);
    w.scheduler.advance(1s);
    controller.activate(entry(kEditor));
    d.terminate(editor);
    w.scheduler.advance(1s);
    EXPECT_TRUE(d.scripting.scripts.isEmpty());
    EXPECT_TRUE(newWindowRequests.empty());

    // Brought forward and put away again before the check: the second click is
    // the user's word, and no window is reopened behind it.
    const qint64 viewer = d.launch(kViewer, "Viewer");
    d.addWindow(viewer, "photo", {0, 0, 400, 300});
    d.activate(d.appWithIdentifier(kMail)->info.pid);
    controller.activate(entry(kViewer));
    w.scheduler.advance(100ms);
    ASSERT_EQ(frontmost(), viewer);
    controller.activate(entry(kViewer));
    ASSERT_EQ(minimized(viewer), std::vector<bool>{true});
    w.scheduler.advance(1s);
    EXPECT_TRUE(d.scripting.scripts.isEmpty());
    EXPECT_TRUE(newWindowRequests.empty());
}

TEST_F(Activation, TheBestWindowIsFoundByNumberThenTitleThenTheClosestFrameAndEndsInFront) {
    const qint64 editor = d.launch(kEditor, "Editor");
    const quint32 far = d.addWindow(editor, "Report", {0, 0, 800, 600});
    const quint32 near = d.addWindow(editor, "Report", {500, 300, 800, 600}, true);
    const quint32 notes = d.addWindow(editor, "Notes", {520, 320, 800, 600});
    const auto windows = controller.axWindows(app(editor).info);
    auto number = [&](const std::optional<AXElement>& e) { return e ? d.windowNumber(*e).value_or(0) : 0u; };

    EXPECT_EQ(
        number(controller.selectBestWindow(windows, QStringLiteral("Report"), std::nullopt, Rect{490, 310, 790, 600})),
        near);
    EXPECT_EQ(number(controller.selectBestWindow(windows, QStringLiteral(" Report\n"), notes, Rect{0, 0, 800, 600})),
              notes)
        << "a number that matches wins";
    EXPECT_EQ(number(controller.selectBestWindow(windows, QStringLiteral(" Report\n"), 999, std::nullopt)), far)
        << "trimmed title, first of them without a frame";

    // Raising all windows in order leaves the last one in front: the chosen one comes first.
    d.activate(d.launch(kMail, "Mail"));
    controller.selectWindow(entry(kEditor), QStringLiteral("Report"), std::nullopt, Rect{480, 300, 800, 600});
    EXPECT_EQ(frontmost(), editor);
    EXPECT_FALSE(d.window(near)->minimized);
    EXPECT_EQ(app(editor).windows.front().number, near);
}
