#include "core/Scheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace vantorel;

namespace {
// Spins the event loop until done() or a generous limit; the limit only guards a hang.
template <typename F>
bool spinUntil(F done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}
} // namespace

TEST(QtScheduler, RunsOnTheEventLoopAndHonoursCancelAndContext) {
    QtScheduler s;
    int once = 0, repeats = 0, cancelled = 0, orphaned = 0, dropped = 0;
    QStringList order;
    s.after(20ms, nullptr, [&] { ++once; });
    auto repeating = s.every(5ms, 0ms, nullptr, [&] { ++repeats; });
    auto cancelledWork = s.after(10ms, nullptr, [&] { ++cancelled; });
    cancelledWork.cancel();
    {
        QObject owner;
        s.after(5ms, &owner, [&] { ++orphaned; });
    }
    s.post(nullptr, [&] { order << "posted"; });
    order << "now";
    // Work runs even when every handle to it was dropped.
    {
        s.after(5ms, nullptr, [&] { ++dropped; });
    }

    ASSERT_TRUE(spinUntil([&] { return once == 1 && repeats >= 3 && dropped == 1; }));
    repeating.cancel();
    const int seen = repeats;
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 60)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(repeats, seen);
    EXPECT_EQ(cancelled, 0);
    EXPECT_EQ(orphaned, 0);
    EXPECT_EQ(order, (QStringList{"now", "posted"}));
}
