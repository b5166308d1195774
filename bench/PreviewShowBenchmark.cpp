// Time from the hover notice of an application button to its window preview
// on screen, with six 1440 x 900 xterms of that application: a private Xvfb
// with openbox, the taskbar on the X11 backend, the pointer moved onto the
// button through XTEST and the button's own 0.5-second hover delay. Also the
// CPU time of one show (capture, downscaling, layout; the whole process, as Qt
// scales on a pool of threads), and apart the six captures as a show makes
// them and, for comparison, at full size and then reduced.
// Prints every show, then the median and the worst; the goal is one frame (16 ms).
//
//   bench_preview_show [shows]     (default 20)
#include "DesktopBench.h"
#include "apps/AppButtonsRail.h"
#include "platform/WindowServer.h"
#include "platform/x11/X11WindowTracker.h"
#include "taskbar/TaskbarView.h"
#include "widgets/WindowPreviewModel.h"
#include "widgets/WindowPreviewPanel.h"
#include "widgets/WindowPreviewViews.h"

#include <QFile>
#include <ctime>

using namespace vantorel;
using vantorel::test::waitUntil;

namespace {

const QString kEntry = QStringLiteral("org.vantorel.BenchTerm.desktop");

// The whole process: Qt scales large images on a pool of threads.
double processCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Stats {
    std::vector<double> values;
    double median() const { return bench::median(values); }
    double worst() const { return bench::worst(values); }
};

} // namespace

int main(int argc, char** argv) {
    const int shows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    // The xterms are one application through a desktop entry that names their class.
    bench::BenchDesktop d;
    if (!d.start(argc, argv, [](const QString& dir) {
            QFile entry(dir + "/" + kEntry);
            entry.open(QIODevice::WriteOnly);
            entry.write("[Desktop Entry]\nType=Application\nName=Bench Terminal\nExec=xterm -class BenchTerm\n"
                        "StartupWMClass=BenchTerm\nIcon=utilities-terminal\n");
        }))
        return 1;
    X11Backend* backend = d.backend.get();
    // xterm sizes itself in whole character cells around an inner border: with
    // its 6 x 13 fallback font, 233 x 66 cells in a 21-pixel border are 1440 x 900.
    for (int i = 0; i < 6; ++i)
        d.desktop.spawn(QStringLiteral("xterm"),
                        {"-class", "BenchTerm", "-title", QStringLiteral("bench %1").arg(i), "-b", "21", "-geometry",
                         QStringLiteral("233x66+%1+%2").arg(20 * i).arg(20 * i), "-e", "sh", "-c",
                         QStringLiteral("yes 'window preview benchmark, terminal %1' | head -n 90; sleep 600").arg(i)});
    auto benchWindows = [&] {
        std::vector<xcb_window_t> out;
        for (xcb_window_t id : backend->tracker().stacking())
            if (const X11Window* w = backend->tracker().window(id); w && w->title.startsWith("bench ") && w->viewable)
                out.push_back(id);
        return out;
    };
    if (!waitUntil([&] { return benchWindows().size() == 6; }, 20000)) {
        std::fprintf(stderr, "the xterms did not come up\n");
        return 1;
    }
    const bool sized = waitUntil(
        [&] {
            for (xcb_window_t id : benchWindows())
                if (backend->tracker().window(id)->client.size() != QSize(1440, 900))
                    return false;
            return true;
        },
        10000);
    if (!sized) {
        for (xcb_window_t id : benchWindows())
            std::fprintf(stderr, "xterm %u: %d x %d\n", id, backend->tracker().window(id)->client.width(),
                         backend->tracker().window(id)->client.height());
        std::fprintf(stderr, "the xterms did not take 1440 x 900\n");
        return 1;
    }
    waitUntil([] { return false; }, 500); // their text drawn

    if (!d.startTaskbar(d.backendTime))
        return 1;
    TaskbarWindowController& controller = *d.controller;
    AppButtonsRail& rail = *controller.taskbarView(*controller.primaryScreenID())->appRail;
    if (!waitUntil([&] { return rail.button(kEntry) && rail.button(kEntry)->isVisible(); }, 15000)) {
        std::fprintf(stderr, "no button for the xterms\n");
        return 1;
    }

    // The hover notice starts the clock; the show inside it is timed on its own.
    QElapsedTimer sinceNotice;
    double showCpuMs = 0, showWallMs = 0;
    auto notice = rail.onAppHoverBegin;
    rail.onAppHoverBegin = [&](AppButton* b, const AppEntry& e) {
        sinceNotice.start();
        const double cpu = processCpuMs();
        notice(b, e);
        showCpuMs = processCpuMs() - cpu;
        showWallMs = sinceNotice.nsecsElapsed() / 1e6;
    };
    bench::ExposeClock clock;
    clock.watched = [&]() -> QWindow* {
        PreviewWindow* w = controller.previewPanel().panel();
        return w ? w->windowHandle() : nullptr;
    };
    d.app->installEventFilter(&clock);

    Stats onScreen, cpu, wall;
    const QPoint away(1420, 400);
    for (int i = 0; i < shows; ++i) {
        d.movePointer(away);
        waitUntil([&] { return !controller.isPreviewOpen(); }, 5000);
        waitUntil([] { return false; }, 120);
        sinceNotice.invalidate();
        clock.arm(&sinceNotice);
        AppButton* b = rail.button(kEntry);
        d.movePointer(b->mapToGlobal(b->rect().center()));
        if (!bench::waitInEventLoop([&] { return clock.exposedAtMs >= 0; }, 10000)) {
            std::fprintf(stderr, "show %d: the preview did not appear\n", i + 1);
            return 1;
        }
        onScreen.values.push_back(clock.exposedAtMs);
        cpu.values.push_back(showCpuMs);
        wall.values.push_back(showWallMs);
        std::printf("show %2d: notice to on screen %6.1f ms; show() %6.1f ms, CPU %6.1f ms (%zu thumbnails)\n", i + 1,
                    clock.exposedAtMs, showWallMs, showCpuMs, controller.previewPanel().shownWindows().size());
    }
    d.movePointer(away);
    waitUntil([&] { return !controller.isPreviewOpen(); }, 5000);

    // Where a show's time goes: the six captures as a show makes them (reduced
    // while read), and for comparison at full size, then reduced.
    WindowServer& server = *d.taskbar->platform.windowServer;
    const auto windows = benchWindows();
    const QSize fit(kPreviewMaxImageWidth, kPreviewMaxImageHeight);
    Stats reducedCpu, fullCpu, downscaleCpu;
    for (int i = 0; i < shows; ++i) {
        double start = processCpuMs();
        for (xcb_window_t id : windows)
            server.captureWindowFitting(id, fit);
        reducedCpu.values.push_back(processCpuMs() - start);
        std::vector<QImage> images;
        start = processCpuMs();
        for (xcb_window_t id : windows)
            if (auto image = server.captureWindow(id))
                images.push_back(*image);
        fullCpu.values.push_back(processCpuMs() - start);
        start = processCpuMs();
        for (const QImage& image : images)
            downscaledForPreview(image);
        downscaleCpu.values.push_back(processCpuMs() - start);
    }

    std::printf("\n%d shows of a preview of six 1440 x 900 xterms (goal: on screen within 16 ms of the notice):\n",
                shows);
    std::printf("  notice to on screen: median %.1f ms, worst %.1f ms, worst after the first %.1f ms\n",
                onScreen.median(), onScreen.worst(),
                shows > 1 ? bench::worst({onScreen.values.begin() + 1, onScreen.values.end()}) : onScreen.worst());
    std::printf("  show() itself:       median %.1f ms, worst %.1f ms wall; CPU median %.1f ms, worst %.1f ms\n",
                wall.median(), wall.worst(), cpu.median(), cpu.worst());
    std::printf("  six captures reduced while read (CPU): median %.1f ms, worst %.1f ms\n", reducedCpu.median(),
                reducedCpu.worst());
    std::printf("  for comparison, six at full size (CPU): median %.1f ms, then reduced: median %.1f ms\n",
                fullCpu.median(), downscaleCpu.median());
    return 0;
}
