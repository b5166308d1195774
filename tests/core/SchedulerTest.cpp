#include "core/ManualScheduler.h"
#include "core/Scheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace vantorel;

TEST(ManualScheduler, RunsDueWorkInTimeOrderAndKeepsRepeatingOnes) {
    ManualScheduler s;
    QStringList ran;
    s.after(500ms, nullptr, [&] { ran << "hover"; });
    s.after(100ms, nullptr, [&] { ran << "early"; });
    auto tick = s.every(300ms, 50ms, nullptr, [&] { ran << QStringLiteral("tick@%1").arg(s.now().count()); });

    s.advance(400ms);
    EXPECT_EQ(ran, (QStringList{"early", "tick@300"}));
    EXPECT_EQ(s.now(), 400ms);

    s.advance(300ms);
    EXPECT_EQ(ran, (QStringList{"early", "tick@300", "hover", "tick@600"}));

    tick.cancel();
    s.advance(10s);
    EXPECT_EQ(ran.size(), 4);
    EXPECT_EQ(s.pendingCount(), 0);
}

TEST(ManualScheduler, CancelledOrOrphanedWorkNeverRuns) {
    ManualScheduler s;
    int runs = 0;
    auto cancelled = s.after(10ms, nullptr, [&] { ++runs; });
    auto owner = std::make_unique<QObject>();
    s.after(10ms, owner.get(), [&] { ++runs; });
    s.every(10ms, 0ms, owner.get(), [&] { ++runs; });
    cancelled.cancel();
    EXPECT_FALSE(cancelled.isActive());
    owner.reset(); // the owner went away: its delayed work goes with it
    s.advance(1s);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(s.pendingCount(), 0);
}

TEST(ManualScheduler, WorkScheduledWhileRunningFallsInTheSameAdvance) {
    ManualScheduler s;
    QStringList ran;
    s.after(100ms, nullptr, [&] {
        ran << "first";
        s.after(100ms, nullptr, [&] { ran << "second"; });
        s.post(nullptr, [&] { ran << "posted"; });
    });
    s.advance(250ms);
    EXPECT_EQ(ran, (QStringList{"first", "posted", "second"}));
}

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
    int once = 0, repeats = 0, cancelled = 0, orphaned = 0;
    QStringList order;
    s.after(20ms, nullptr, [&] { ++once; });
    auto repeating = s.every(5ms, 0ms, nullptr, [&] { ++repeats; });
    auto dropped = s.after(10ms, nullptr, [&] { ++cancelled; });
    dropped.cancel();
    {
        QObject owner;
        s.after(5ms, &owner, [&] { ++orphaned; });
    }
    s.post(nullptr, [&] { order << "posted"; });
    order << "now";

    ASSERT_TRUE(spinUntil([&] { return once == 1 && repeats >= 3; }));
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

TEST(QtScheduler, WorkRunsEvenWhenEveryHandleWasDropped) {
    QtScheduler s;
    int runs = 0;
    { s.after(5ms, nullptr, [&] { ++runs; }); }
    EXPECT_TRUE(spinUntil([&] { return runs == 1; }));
}
