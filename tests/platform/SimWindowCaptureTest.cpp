#include "platform/sim/SimDesktop.h"

#include <gtest/gtest.h>

using namespace vantorel;

TEST(SimWindowCapture, DrawsEachWindowAtItsSizeAndHasNoPixelsWhenMinimisedOrHidden) {
    SimDesktop d;
    const qint64 pid = d.launch(QStringLiteral("com.example.editor"), QStringLiteral("Editor"));
    const quint32 a = d.addWindow(pid, QStringLiteral("Draft"), Rect{10, 20, 320, 200});
    const quint32 b = d.addWindow(pid, QStringLiteral("Notes"), Rect{40, 60, 300, 180});
    const quint32 minimised = d.addWindow(pid, QStringLiteral("Old"), Rect{0, 0, 200, 100}, true);
    WindowServer& server = d.windowServer;

    const auto first = server.captureWindow(a);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size(), QSize(320, 200));
    // Deterministic, and told apart from its neighbour by colour.
    EXPECT_EQ(*server.captureWindow(a), *first);
    const auto second = server.captureWindow(b);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->size(), QSize(300, 180));
    EXPECT_NE(first->pixel(first->width() - 1, first->height() - 1),
              second->pixel(second->width() - 1, second->height() - 1));
    // The title is drawn: some pixel near the top left differs from the fill.
    const QRgb fill = first->pixel(first->width() - 1, first->height() - 1);
    bool text = false;
    for (int y = 0; y < 40 && !text; ++y)
        for (int x = 0; x < 120 && !text; ++x)
            text = first->pixel(x, y) != fill;
    EXPECT_TRUE(text);

    EXPECT_FALSE(server.captureWindow(minimised));
    EXPECT_FALSE(server.captureWindow(9999));
    d.setHidden(pid, true);
    EXPECT_FALSE(server.captureWindow(a));
    d.setHidden(pid, false);
    d.closeWindow(a);
    EXPECT_FALSE(server.captureWindow(a));
}
