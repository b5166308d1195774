#include "AppsTestSupport.h"

#include "app/QuitConfirmation.h"
#include "apps/AppButtonsRail.h"
#include "apps/AppRegistryService.h"
#include "taskbar/TaskbarView.h"
#include "taskbar/TaskbarWindowController.h"
#include "windows/UpdateService.h"

#include <gmock/gmock.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

TEST(TaskbarWiring, EveryRowShowsTheRegistryListAndReordersThroughIt) {
    AppsWorld w;
    SimDesktop& d = w.desktop;
    d.setDisplays({{1, {0, 0, 1440, 900}, {0, 0, 1440, 875}}, {2, {1440, 0, 1280, 800}, {1440, 0, 1280, 800}}}, 1);
    d.launch(QStringLiteral("com.example.A"), QStringLiteral("A"));
    w.persistence.savePinnedApps({QStringLiteral("com.example.P")});
    w.setSetting([](AppSettings& s) { s.showOnAllDisplays = true; });
    UpdateService updates;
    QuitConfirmation quit(d, [] {});
    TaskbarWindowController controller(
        TaskbarDependencies{w.platform, w.scheduler, w.settings, w.theme, updates, quit, &w.persistence});
    ASSERT_EQ(controller.taskbarViewCount(), 2u);

    auto rows = [&] {
        std::vector<QStringList> out;
        for (const auto& id : {QStringLiteral("1"), QStringLiteral("2")})
            out.push_back(keys(controller.taskbarView(id)->appRail->currentEntries()));
        return out;
    };
    const QStringList first{"com.example.P", "com.example.A"};
    EXPECT_EQ(rows(), (std::vector<QStringList>{first, first}));

    // A drop on one row pins and moves through the registry; every row follows.
    controller.taskbarView(QStringLiteral("2"))->appRail->onReorder(QStringLiteral("com.example.A"), 0);
    const QStringList reordered{"com.example.A", "com.example.P"};
    EXPECT_EQ(rows(), (std::vector<QStringList>{reordered, reordered}));
    EXPECT_EQ(w.storedPins(), reordered);

    // The one-second window-state check publishes what changed meanwhile.
    d.addWindow(d.appWithIdentifier("com.example.A")->info.pid, QStringLiteral("Doc"), {0, 0, 500, 400});
    d.addWindow(d.appWithIdentifier("com.example.A")->info.pid, QStringLiteral("Notes"), {0, 0, 500, 400});
    w.settings.update([](AppSettings& s) { s.combineWindowsByApp = false; });
    EXPECT_EQ(controller.taskbarView(QStringLiteral("1"))->appRail->buttonCount(), 3u);
    d.closeWindow(d.appWithIdentifier("com.example.A")->windows.back().number);
    w.scheduler.advance(1s);
    EXPECT_EQ(controller.taskbarView(QStringLiteral("2"))->appRail->currentEntries().size(), 2u);
    controller.teardown();
}

} // namespace
