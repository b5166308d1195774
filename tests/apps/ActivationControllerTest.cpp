#include "AppsTestSupport.h"

#include "apps/ActivationController.h"
#include "apps/AppRegistryService.h"

#include <QDir>
#include <QUrl>
#include <gmock/gmock.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

const QString kFinder = QStringLiteral("com.apple.finder");
const QString kEditor = QStringLiteral("com.example.Editor");
const QString kMail = QStringLiteral("com.apple.mail");
const Rect kBig{100, 100, 800, 600};
const Rect kOther{300, 200, 640, 480};

const QString kRestoreScript = QStringLiteral(
    "tell application \"Finder\"\n    activate\n    if (count of Finder windows) is 0 then\n"
    "        return \"none\"\n    end if\n    try\n        set miniaturized of every Finder window to false\n"
    "    end try\n    set index of front Finder window to 1\n    return \"restored\"\nend tell");
const QString kNewWindowScript =
    QStringLiteral("tell application \"Finder\"\n    activate\n    set newWindow to (make new Finder window)\n"
                   "    set target of newWindow to (path to home folder as alias)\nend tell");

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

// --- The decision table, row by row ---

TEST_F(Activation, AnApplicationThatDoesNotRunIsLaunchedWhenInstalled) {
    d.install(kEditor, QStringLiteral("/Applications/Editor.app"));
    pin(kEditor);
    pin(kMail); // pinned but not installed
    controller.activate(entry(kEditor));
    EXPECT_EQ(d.openedApplications, QStringList{kEditor});
    ASSERT_NE(d.appWithIdentifier(kEditor), nullptr);
    EXPECT_EQ(frontmost(), d.appWithIdentifier(kEditor)->info.pid);

    controller.activate(entry(kMail));
    AppEntry byProcess = appEntry(QStringLiteral("pid:4242"), false, false);
    controller.activate(byProcess);
    EXPECT_EQ(d.openedApplications, QStringList{kEditor}) << "nothing to launch, and nothing said about it";
    EXPECT_TRUE(d.shownAlerts.empty());
}

TEST_F(Activation, AnApplicationInTheBackgroundComesForwardWithAllItsWindows) {
    const qint64 front = d.launch(kMail, "Mail");
    d.addWindow(front, "Inbox", kBig);
    const qint64 editor = d.launch(kEditor, "Editor");
    d.addWindow(editor, "one", kBig, true);
    const quint32 second = d.addWindow(editor, "two", kOther);
    d.setHidden(editor, true);
    d.activate(front);

    controller.activate(entry(kEditor));
    EXPECT_EQ(frontmost(), editor);
    EXPECT_FALSE(app(editor).info.isHidden);
    EXPECT_EQ(minimized(editor), (std::vector<bool>{false, false})) << "minimised windows are shown again";
    // The first one that was not minimised is focused, and in front.
    EXPECT_EQ(app(editor).focusedWindow, second);
    EXPECT_EQ(app(editor).windows.front().number, second);
    EXPECT_EQ(w.scheduler.pendingCount(), 1) << "the visibility check is scheduled";
}

TEST_F(Activation, AnApplicationInFrontIsMinimisedOrHiddenWithoutTrust) {
    const qint64 editor = d.launch(kEditor, "Editor");
    d.addWindow(editor, "one", kBig);
    d.addWindow(editor, "two", kOther);
    d.activate(editor);
    controller.activate(entry(kEditor));
    EXPECT_EQ(minimized(editor), (std::vector<bool>{true, true}));
    EXPECT_FALSE(app(editor).info.isHidden);

    for (auto& win : app(editor).windows)
        win.minimized = false;
    d.trusted = false;
    controller.activate(entry(kEditor));
    EXPECT_TRUE(app(editor).info.isHidden) << "without trust the application is hidden instead";
    EXPECT_EQ(minimized(editor), (std::vector<bool>{false, false}));
}

TEST_F(Activation, AFullScreenWindowLeavesFullScreenAndIsMinimisedSixHundredMillisecondsLater) {
    const qint64 editor = d.launch(kEditor, "Editor");
    const quint32 full = d.addWindow(editor, "full", kBig);
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
    d.addWindow(editor, "one", kBig);
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
    RunningApplication saysActive = running;
    saysActive.isActive = true;
    EXPECT_TRUE(controller.shouldMinimizeOnClick(e, saysActive));

    // An accessory application in front is not "this one in front" either.
    const qint64 helper = d.launch(kEditor, "Editor Helper", ActivationPolicy::Accessory);
    d.activate(helper);
    EXPECT_FALSE(controller.shouldMinimizeOnClick(e, running));
    // Another process with the entry's identifier in front counts as the application.
    app(helper).info.activationPolicy = ActivationPolicy::Regular;
    EXPECT_TRUE(controller.shouldMinimizeOnClick(e, running));

    // By our identifier, too (another copy of this program).
    d.activate(d.launch(QStringLiteral("com.vantorel.app"), "Vantorel"));
    EXPECT_FALSE(controller.shouldMinimizeOnClick(e, running));

    d.activate(self);
    controller.activate(e);
    EXPECT_EQ(frontmost(), editor);
    EXPECT_EQ(minimized(editor), std::vector<bool>{false});
}

// --- The file browser ---

TEST_F(Activation, TheFileBrowserInFrontWithAWindowIsMinimised) {
    const qint64 finder = d.launch(kFinder, "Finder");
    d.addWindow(finder, "Documents", kBig);
    d.activate(finder);
    controller.activate(entry(kFinder));
    EXPECT_EQ(minimized(finder), std::vector<bool>{true});
    EXPECT_TRUE(d.scripting.scripts.isEmpty());
}

TEST_F(Activation, TheFileBrowserOtherwiseRestoresItsWindowsByItsOwnAnswer) {
    const qint64 finder = d.launch(kFinder, "Finder");
    d.addWindow(finder, "Documents", kBig, true);
    const qint64 editor = d.launch(kEditor, "Editor");
    d.addWindow(editor, "one", kBig);
    pin(kFinder);

    // "restored": nothing more to do.
    d.activate(editor);
    d.scripting.answers[kRestoreScript] = {true, std::nullopt, QStringLiteral("Restored")};
    d.axJournal.clear();
    controller.activate(entry(kFinder));
    EXPECT_EQ(frontmost(), finder);
    EXPECT_EQ(d.scripting.scripts, QStringList{kRestoreScript});
    EXPECT_TRUE(d.axJournal.isEmpty());
    EXPECT_EQ(w.scheduler.pendingCount(), 0);

    // "none": a new window on the home folder.
    d.activate(editor);
    d.scripting.scripts.clear();
    d.scripting.answers[kRestoreScript] = {true, std::nullopt, QStringLiteral("none")};
    controller.activate(entry(kFinder));
    EXPECT_EQ(d.scripting.scripts, QStringList({kRestoreScript, kNewWindowScript}));
    EXPECT_TRUE(d.openedUrls.isEmpty());
    // ... and when that script fails, the home folder is opened.
    d.scripting.answers[kNewWindowScript] = {true, QStringLiteral("Finder got an error"), std::nullopt};
    controller.activate(entry(kFinder));
    EXPECT_EQ(d.openedUrls, QStringList{QUrl::fromLocalFile(QDir::homePath() + "/").toString()});

    // No answer (an error, or anything else): raise, focus, and check visibility later.
    d.activate(editor);
    for (const auto& answer : {SimScriptAnswer{true, QStringLiteral("not allowed"), std::nullopt},
                               SimScriptAnswer{true, std::nullopt, QStringLiteral("maybe")}}) {
        d.window(app(finder).windows.front().number)->minimized = true;
        d.scripting.answers[kRestoreScript] = answer;
        controller.activate(entry(kFinder));
        EXPECT_EQ(minimized(finder), std::vector<bool>{false});
        EXPECT_EQ(frontmost(), finder);
    }
    EXPECT_EQ(w.scheduler.pendingCount(), 2);
}

TEST_F(Activation, LaunchingTheFileBrowserShowsOrOpensAWindow) {
    controller.launch(kFinder);
    EXPECT_EQ(d.scripting.scripts, QStringList{kNewWindowScript}) << "not running: a new window";

    const qint64 finder = d.launch(kFinder, "Finder", ActivationPolicy::Accessory);
    d.scripting.scripts.clear();
    d.scripting.answers[kRestoreScript] = {true, std::nullopt, QStringLiteral("restored")};
    controller.launch(kFinder);
    EXPECT_EQ(d.scripting.scripts, QStringList{kRestoreScript}) << "running in any role: its windows come back";
    EXPECT_EQ(frontmost(), finder);
}

// --- One window per button ---

TEST_F(Activation, AWindowButtonMinimisesItsFocusedWindowOrShowsAndFocusesIt) {
    w.setSetting([](AppSettings& s) { s.combineWindowsByApp = false; });
    const qint64 editor = d.launch(kEditor, "Editor");
    const quint32 one = d.addWindow(editor, "one", kBig);
    const quint32 two = d.addWindow(editor, "two", kOther);
    d.activate(editor);
    const QString oneKey = kEditor + "#" + QString::number(one), twoKey = kEditor + "#" + QString::number(two);
    ASSERT_TRUE(entry(oneKey).isActive);

    controller.activate(entry(oneKey));
    EXPECT_EQ(minimized(editor), (std::vector<bool>{true, false})) << "only the focused window goes";

    // Its button again (no longer active): shown, main, focused and raised; nothing scheduled.
    d.activate(d.launch(kMail, "Mail"));
    controller.activate(entry(oneKey));
    EXPECT_EQ(frontmost(), editor);
    EXPECT_EQ(minimized(editor), (std::vector<bool>{false, false}));
    EXPECT_EQ(app(editor).focusedWindow, one);
    EXPECT_EQ(app(editor).windows.front().number, one);

    // Another window's button raises that one and leaves the other alone.
    controller.activate(entry(twoKey));
    EXPECT_EQ(app(editor).focusedWindow, two);
    EXPECT_EQ(minimized(editor), (std::vector<bool>{false, false}));
    EXPECT_EQ(w.scheduler.pendingCount(), 0);
}

TEST_F(Activation, AWindowButtonFallsBackToTheWholeApplication) {
    w.setSetting([](AppSettings& s) { s.combineWindowsByApp = false; });
    const qint64 editor = d.launch(kEditor, "Editor");
    const quint32 one = d.addWindow(editor, "one", kBig, true);
    AppEntry e = entry(kEditor + "#" + QString::number(one));
    d.activate(d.launch(kMail, "Mail"));

    // A window that is gone: the application comes forward, raised, and is checked later.
    e.windowID = 999;
    controller.activate(e);
    EXPECT_EQ(frontmost(), editor);
    EXPECT_EQ(minimized(editor), std::vector<bool>{false});
    EXPECT_EQ(w.scheduler.pendingCount(), 1);

    // Without trust the windows cannot be named: forward only.
    d.activate(d.appWithIdentifier(kMail)->info.pid);
    d.window(one)->minimized = true;
    d.trusted = false;
    e.windowID = one;
    controller.activate(e);
    EXPECT_EQ(frontmost(), editor);
    EXPECT_EQ(minimized(editor), std::vector<bool>{true});
}

// --- Making sure an application brought forward shows a window ---

TEST_F(Activation, AUsableWindowIsANormalOneLargerThanEightyBySixty) {
    const qint64 editor = d.launch(kEditor, "Editor");
    const RunningApplication running = app(editor).info;
    d.addWindow(editor, "square", {0, 0, 80, 200});
    d.addWindow(editor, "strip", {0, 0, 400, 60});
    EXPECT_FALSE(controller.hasUsableOnScreenWindow(running));
    EXPECT_TRUE(registry.hasRealWindow(running, false)) << "the registry's own test is 50 x 50";
    d.extraWindowListEntries.push_back({7, AppHandle{editor}, editor, {}, {}, 3, Rect{0, 0, 500, 500}, 1.0});
    EXPECT_FALSE(controller.hasUsableOnScreenWindow(running)) << "not on the normal layer";
    d.extraWindowListEntries.push_back({8, AppHandle{editor}, editor, {}, {}, std::nullopt, Rect{0, 0, 81, 61}, 1.0});
    EXPECT_TRUE(controller.hasUsableOnScreenWindow(running)) << "a window without a layer counts";
    d.windowListUnavailable = true;
    EXPECT_FALSE(controller.hasUsableOnScreenWindow(running));
}

TEST_F(Activation, AnApplicationWithoutAWindowIsAskedToReopenThenForANewWindow) {
    const qint64 editor = d.launch(kEditor, "Editor");
    d.addWindow(editor, "palette", {0, 0, 60, 300});
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
}

TEST_F(Activation, RecoveryLeavesAloneWhatQuitOrLostTheFrontOrFoundAWindow) {
    const qint64 editor = d.launch(kEditor, "Editor");
    const qint64 mail = d.launch(kMail, "Mail");
    d.activate(mail);

    // Quit before the check.
    controller.activate(entry(kEditor));
    d.terminate(editor);
    w.scheduler.advance(1s);
    EXPECT_TRUE(d.scripting.scripts.isEmpty());

    // No longer in front at the check.
    const qint64 again = d.launch(kEditor, "Editor");
    controller.activate(entry(kEditor));
    d.activate(mail);
    w.scheduler.advance(1s);
    EXPECT_TRUE(d.scripting.scripts.isEmpty());

    // Reopened, and its window came before the New Window command; or it quit meanwhile.
    controller.activate(entry(kEditor));
    w.scheduler.advance(220ms);
    ASSERT_EQ(d.scripting.scripts.size(), 1);
    d.addWindow(again, "document", kBig);
    w.scheduler.advance(1s);
    d.closeWindow(app(again).windows.front().number);
    controller.activate(entry(kEditor));
    w.scheduler.advance(220ms);
    d.terminate(again);
    w.scheduler.advance(1s);
    EXPECT_TRUE(newWindowRequests.empty());
    EXPECT_EQ(w.scheduler.pendingCount(), 0);
}

TEST_F(Activation, ABundleIdentifierWithAQuoteAndABackslashReachesTheReopenScriptEscaped) {
    const QString odd = QStringLiteral("com.example.\"odd\\app");
    const qint64 pid = d.launch(odd, "Odd");
    EXPECT_TRUE(controller.requestReopen(app(pid).info));
    // Backslashes doubled first, then quotes escaped: the quote's backslash stays single.
    EXPECT_EQ(d.scripting.scripts, QStringList{QStringLiteral("tell application id \"com.example.\\\"odd\\\\app\"\n"
                                                              "    reopen\n    activate\nend tell")});
    RunningApplication nameless = app(pid).info;
    nameless.bundleIdentifier.reset();
    EXPECT_FALSE(controller.requestReopen(nameless));
    EXPECT_EQ(d.scripting.scripts.size(), 1);
}

// --- Picking a window seen elsewhere ---

TEST_F(Activation, TheBestWindowIsFoundByNumberThenTitleThenTheClosestFrame) {
    const qint64 editor = d.launch(kEditor, "Editor");
    const quint32 far = d.addWindow(editor, "Report", {0, 0, 800, 600});
    const quint32 near = d.addWindow(editor, "Report", {500, 300, 800, 600});
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
    EXPECT_EQ(
        number(controller.selectBestWindow(windows, QStringLiteral("Missing"), std::nullopt, Rect{515, 315, 800, 600})),
        notes)
        << "no window has the title: all are candidates";

    // Equal scores keep the earlier window; a window without a frame is skipped.
    d.window(far)->bounds = d.window(near)->bounds;
    EXPECT_EQ(number(controller.selectBestWindow(windows, QStringLiteral("Report"), std::nullopt, kBig)), far);
    app(editor).refusesAccessibility = true;
    EXPECT_FALSE(controller.selectBestWindow(windows, QStringLiteral("Report"), std::nullopt, kBig));
}

TEST_F(Activation, AWindowPickedElsewhereEndsInFrontOfItsApplication) {
    const qint64 editor = d.launch(kEditor, "Editor");
    // Raising all windows in order leaves the last one in front: the chosen one comes first.
    const quint32 chosen = d.addWindow(editor, "Report", {500, 300, 800, 600}, true);
    d.addWindow(editor, "Report", {0, 0, 800, 600});
    d.activate(d.launch(kMail, "Mail"));

    controller.selectWindow(entry(kEditor), QStringLiteral("Report"), std::nullopt, Rect{480, 300, 800, 600});
    EXPECT_EQ(frontmost(), editor);
    EXPECT_FALSE(d.window(chosen)->minimized);
    EXPECT_EQ(app(editor).focusedWindow, chosen);
    EXPECT_EQ(app(editor).windows.front().number, chosen);
    EXPECT_EQ(w.scheduler.pendingCount(), 1);

    // An application that does not run is launched, as a click would.
    d.install(QStringLiteral("com.example.Viewer"), QStringLiteral("/Applications/Viewer.app"));
    pin(QStringLiteral("com.example.Viewer"));
    controller.selectWindow(entry(QStringLiteral("com.example.Viewer")), QStringLiteral("x"), 1, std::nullopt);
    EXPECT_EQ(d.openedApplications, QStringList{QStringLiteral("com.example.Viewer")});
}
