// Time from a click on the start button to the launcher's popover on screen
// with 300 installed applications: a private Xvfb with openbox, the taskbar
// on the X11 backend, the click sent through XTEST. The launcher reads the
// installed applications on every opening, so each opening pays for that.
// Prints every opening, then the median and the worst; the goal is 50 ms.
//
//   bench_launcher_open [openings]     (default 20)
#include "DesktopBench.h"
#include "core/ManualScheduler.h"
#include "taskbar/TaskbarView.h"
#include "widgets/LauncherPanelController.h"
#include "widgets/Popover.h"
#include "widgets/StartButtonView.h"

#include <QFile>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

using namespace vantorel;
using vantorel::test::waitUntil;

namespace {

// Installed applications as a distribution has them: names, generic names,
// keywords, icons by theme name; the folders are old, as installed ones are.
void installApplications(const QString& dir, int count) {
    const char* icons[] = {"utilities-terminal",  "accessories-text-editor", "web-browser",       "mail-client",
                           "system-file-manager", "applications-games",      "multimedia-player", "office-calendar"};
    for (int i = 0; i < count; ++i) {
        QFile f(QStringLiteral("%1/org.example.Generated%2.desktop").arg(dir).arg(i));
        f.open(QIODevice::WriteOnly);
        f.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=Generated App %1\nName[de]=Erzeugte App %1\n"
                               "GenericName=Tool number %1\nKeywords=generated;sample;app%1;\nExec=true %U\n"
                               "Icon=%2\nCategories=Utility;\n")
                    .arg(i)
                    .arg(QString::fromLatin1(icons[i % std::size(icons)]))
                    .toUtf8());
    }
    const timespec past[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(dir).constData(), past, 0);
}

} // namespace

int main(int argc, char** argv) {
    const int openings = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    // The taskbar's own timers stand still: only the clicks open and close the launcher.
    ManualScheduler taskbarTime;
    bench::BenchDesktop d;
    if (!d.start(argc, argv, [](const QString& dir) { installApplications(dir, 300); }))
        return 1;
    if (!d.startTaskbar(taskbarTime))
        return 1;
    TaskbarWindowController& controller = *d.controller;
    StartButtonView* start = controller.taskbarView(*controller.primaryScreenID())->startBtn();
    const QPoint startCentre = start->mapToGlobal(start->rect().center());

    bench::ExposeClock clock;
    clock.watched = [&]() -> QWindow* {
        auto* l = controller.launcher();
        return l && l->popover() ? l->popover()->windowHandle() : nullptr;
    };
    d.app->installEventFilter(&clock);

    std::vector<double> times;
    for (int i = 0; i < openings; ++i) {
        QElapsedTimer since;
        clock.arm(&since);
        since.start();
        d.clickAt(startCentre);
        if (!waitUntil([&] { return clock.exposedAtMs >= 0; }, 10000)) {
            std::fprintf(stderr, "opening %d: the launcher did not appear\n", i + 1);
            return 1;
        }
        times.push_back(clock.exposedAtMs);
        std::printf("opening %2d: %6.1f ms (%zu applications)\n", i + 1, clock.exposedAtMs,
                    controller.launcher()->allApps().size());
        // A second click closes it; let the window manager see it go before the next one.
        d.clickAt(startCentre);
        waitUntil([&] { return !controller.isLauncherOpen(); }, 10000);
        waitUntil([] { return false; }, 150);
    }
    std::printf("click to launcher on screen, %d openings: median %.1f ms, worst %.1f ms (goal: under 50 ms)\n",
                openings, bench::median(times), bench::worst(times));
    return 0;
}
