#include "platform/linux/FreedesktopNotifications.h"
#include "support/FakeDesktopServices.h"
#include "support/LoopbackHttpServer.h"
#include "support/PrivateBus.h"

#include <gtest/gtest.h>

using namespace vantorel;
using namespace vantorel::test;

TEST(FreedesktopNotifications, ANoticeWithAnActionRunsItWhenClicked) {
    PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << bus.error().toStdString();
    FakeFileManager files;
    FakeNotificationServer server;
    ASSERT_TRUE(registerFakeDesktopServices(bus.connect(QStringLiteral("server")), files, server));

    FreedesktopNotifications notifications(bus.connect(QStringLiteral("client")));
    int opened = 0;
    QObject owner;
    notifications.post(
        {QStringLiteral("Recording summary saved"), QStringLiteral("/home/u/Documents/a.md"), QStringLiteral("Open")},
        &owner, [&] { ++opened; });
    notifications.post({QStringLiteral("Another"), QStringLiteral("b"), QString()}, &owner, {});
    ASSERT_TRUE(waitUntil([&] { return server.notices.size() == 2; }));
    EXPECT_EQ(server.notices[0].body, "/home/u/Documents/a.md");
    EXPECT_EQ(server.notices[0].actions, (QStringList{"default", "Open"}));
    EXPECT_TRUE(server.notices[1].actions.isEmpty());

    // Another notice's action, or another action key, opens nothing.
    server.invoke(2, QStringLiteral("default"));
    server.invoke(1, QStringLiteral("other"));
    server.invoke(1, QStringLiteral("default"));
    ASSERT_TRUE(waitUntil([&] { return opened == 1; }));
    // A closed notice is forgotten. Signals keep their order, so once the later
    // notice's action arrived, the closed one's has been seen too.
    int later = 0;
    notifications.post({QStringLiteral("Third"), QStringLiteral("c"), QStringLiteral("Open")}, &owner,
                       [&] { ++later; });
    ASSERT_TRUE(waitUntil([&] { return server.notices.size() == 3; }));
    server.CloseNotification(1);
    server.invoke(1, QStringLiteral("default"));
    server.invoke(3, QStringLiteral("default"));
    ASSERT_TRUE(waitUntil([&] { return later == 1; }));
    EXPECT_EQ(opened, 1);
}
