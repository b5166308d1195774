// One publish of the application row: the registry builds its list and the
// row shows it. Runs every second and on every workspace notice, so an
// unchanged list must stay cheap: no widget made, no relayout.
//
// Instructions per publish: run under
//   valgrind --tool=callgrind --collect-atstart=no --toggle-collect='*publishOnce*'
// with one --benchmark_filter and divide the total by the calls of publishOnce.

#include "apps/AppButtonsRail.h"
#include "apps/AppRegistryService.h"
#include "apps/AppsTestSupport.h"

#include <QApplication>
#include <benchmark/benchmark.h>

using namespace vantorel;

namespace {

struct World : test::AppsWorld {
    std::unique_ptr<AppRegistryService> registry;
    std::unique_ptr<AppButtonsRail> rail;

    // 30 applications with 4 windows each, the first 5 pinned.
    explicit World(bool perWindow) {
        QStringList pinned;
        for (int i = 0; i < 30; ++i) {
            const QString id = QStringLiteral("com.example.app%1").arg(i);
            desktop.install(id, QStringLiteral("/Applications/App %1.app").arg(i));
            const qint64 pid = desktop.launch(id, QStringLiteral("App %1").arg(i));
            for (int k = 0; k < 4; ++k)
                desktop.addWindow(pid, QStringLiteral("Window %1 of app %2").arg(k).arg(i),
                                  {100.0 + k * 10, 100, 800, 600});
            if (i < 5)
                pinned << id;
        }
        desktop.activate(desktop.appWithIdentifier(QStringLiteral("com.example.app7"))->info.pid);
        persistence.savePinnedApps(pinned);
        settings.update([perWindow](AppSettings& s) { s.combineWindowsByApp = !perWindow; });
        registry = std::make_unique<AppRegistryService>(platform, persistence, settings, scheduler);
        rail = std::make_unique<AppButtonsRail>(AppButtonEnvironment{settings, theme, scheduler});
        rail->resize(1200, 55);
        rail->show();
        rail->update(registry->buildEntries());
        QApplication::processEvents();
    }
};

__attribute__((noinline)) void publishOnce(AppRegistryService& registry, AppButtonsRail& rail) {
    rail.update(registry.buildEntries());
}

void report(benchmark::State& state, const World& world, int rebuilds, int made) {
    state.counters["entries"] = static_cast<double>(world.rail->currentEntries().size());
    state.counters["rebuilds/publish"] =
        benchmark::Counter(world.rail->rebuildCount() - rebuilds, benchmark::Counter::kAvgIterations);
    state.counters["buttonsMade/publish"] =
        benchmark::Counter(world.rail->buttonsMade() - made, benchmark::Counter::kAvgIterations);
}

void BM_PublishUnchanged(benchmark::State& state) {
    World world(state.range(0) != 0);
    const int rebuilds = world.rail->rebuildCount(), made = world.rail->buttonsMade();
    for (auto _ : state)
        publishOnce(*world.registry, *world.rail);
    report(state, world, rebuilds, made);
}

// Each publish differs from the last in one entry: the active application
// (with one button per window, its focused window) turns active or inactive.
void BM_PublishOneChange(benchmark::State& state) {
    World world(state.range(0) != 0);
    const int rebuilds = world.rail->rebuildCount(), made = world.rail->buttonsMade();
    RunningApplication& active = world.desktop.appWithIdentifier(QStringLiteral("com.example.app7"))->info;
    for (auto _ : state) {
        active.isActive = !active.isActive;
        publishOnce(*world.registry, *world.rail);
    }
    report(state, world, rebuilds, made);
}

BENCHMARK(BM_PublishUnchanged)->ArgName("perWindow")->Arg(0)->Arg(1);
BENCHMARK(BM_PublishOneChange)->ArgName("perWindow")->Arg(0)->Arg(1);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
