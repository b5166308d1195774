// Transcription of a long recording: the recogniser's real-time factor (its
// processor time over the audio's length, so one core) and the longest stall
// of the GUI thread meanwhile, measured by a 1 ms timer on the event loop.
//   bench_transcription [minutes]   (default 5; needs flite)
#include "platform/linux/GStreamerAudio.h"
#include "platform/linux/PocketsphinxRecognizer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace vantorel;

namespace {
double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

const char* kMeeting =
    "Good morning everyone, thanks for joining the weekly planning meeting. We need to decide on the release date "
    "for the new version. The team agreed to ship the update next Friday. Sarah will prepare the test plan before "
    "the deadline. We should also follow up with the design team about the new icons. The budget for the next "
    "quarter is twelve thousand dollars. Our action item is to send the report to the customer by Monday.\n";
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const double minutes = argc > 1 ? std::atof(argv[1]) : 5.0;
    QTemporaryDir dir;
    QFile text(dir.filePath(QStringLiteral("speech.txt")));
    text.open(QIODevice::WriteOnly);
    for (int i = 0; i < int(minutes * 60 / 24.5 + 0.5); ++i)
        text.write(kMeeting);
    text.close();
    const QString wav = dir.filePath(QStringLiteral("speech.wav"));
    if (QProcess::execute(QStringLiteral("flite"),
                          {QStringLiteral("-voice"), QStringLiteral("slt"), QStringLiteral("-f"), text.fileName(),
                           QStringLiteral("-o"), wav}) != 0) {
        std::fprintf(stderr, "flite failed\n");
        return 1;
    }
    const double seconds = double(QFile(wav).size() - 44) / 2 / 16000;

    // The recording as the recorder writes it: AAC in MP4.
    const QString m4a = dir.filePath(QStringLiteral("speech.m4a"));
    GStreamerAudioRecorder recorder(QStringLiteral("filesrc location=\"%1\" ! decodebin").arg(wav));
    auto recording = recorder.record(m4a, {});
    if (!recording) {
        std::fprintf(stderr, "%s\n", qPrintable(recording.error()));
        return 1;
    }
    while (recording.value()->currentTime() < seconds - 0.05)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    bool stopped = false;
    recording.value()->stop([&](Status) { stopped = true; });
    while (!stopped)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

    // The GUI thread's stalls: the longest gap between two ticks of a 1 ms timer.
    QElapsedTimer clock;
    qint64 last = 0, longest = 0, over16 = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        if (now - last > 16'000'000)
            ++over16;
        last = now;
    });
    clock.start();
    tick.start(1);
    // The same loop idle for two seconds first: what the machine itself adds.
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const qint64 idleLongest = longest;
    longest = 0;
    over16 = 0;

    PocketsphinxRecognizer speech;
    auto recognizer = speech.recognizer(QLocale(QStringLiteral("en_US")));
    bool done = false;
    QString result;
    RecognitionRequest request;
    request.audioPath = m4a;
    const double processBefore = cpuSeconds(RUSAGE_SELF), mainBefore = cpuSeconds(RUSAGE_THREAD);
    QElapsedTimer wall;
    wall.start();
    auto task = recognizer->recognitionTask(request, &app, [&](const RecognitionUpdate& u) {
        if (u.error || (u.result && u.result->isFinal)) {
            done = true;
            result = u.error ? *u.error : u.result->text;
        }
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double elapsed = double(wall.nsecsElapsed()) / 1e9;
    const double workerCpu = (cpuSeconds(RUSAGE_SELF) - processBefore) - (cpuSeconds(RUSAGE_THREAD) - mainBefore);

    const qint64 busyLongest = longest, busyOver16 = over16;

    // Control: a thread that only burns the processor for as long, at the same priority.
    longest = 0;
    over16 = 0;
    std::atomic<bool> stop{false};
    std::thread burner([&stop] {
        setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 10);
        volatile double x = 0;
        while (!stop.load())
            for (int i = 0; i < 100000; ++i)
                x = x + 1.0 / (i + 1);
    });
    QElapsedTimer control;
    control.start();
    while (double(control.nsecsElapsed()) / 1e9 < elapsed)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    stop = true;
    burner.join();

    std::printf("audio: %.1f s; words recognised: %lld\n", seconds, qlonglong(result.split(u' ').size()));
    std::printf("real-time factor (worker processor time / audio): %.3f\n", workerCpu / seconds);
    std::printf("real-time factor (wall clock / audio, machine shared): %.3f\n", elapsed / seconds);
    std::printf("longest GUI stall while transcribing: %.1f ms, %lld over 16 ms\n", double(busyLongest) / 1e6,
                qlonglong(busyOver16));
    std::printf("the same loop beside a thread that only computes: %.1f ms, %lld over 16 ms; idle: %.1f ms\n",
                double(longest) / 1e6, qlonglong(over16), double(idleLongest) / 1e6);
    return 0;
}
