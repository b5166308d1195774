#include "platform/common/SignalQuitter.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace vantorel {

namespace {
int g_fds[2] = {-1, -1};
volatile sig_atomic_t g_quitSignal = 0;

constexpr int kQuitSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Async-signal-safe: ends the process with the status of `sig`'s default action.
[[noreturn]] void dieBy(int sig) {
    ::signal(sig, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(sig);
    ::_exit(128 + sig);
}

void onQuitSignal(int sig) {
    if (g_quitSignal != 0)
        dieBy(sig);
    g_quitSignal = sig;
    ::alarm(SignalQuitter::kGraceSeconds);
    const char c = 1;
    [[maybe_unused]] auto n = ::write(g_fds[0], &c, 1);
}

void onWatchdog(int) {
    dieBy(g_quitSignal != 0 ? g_quitSignal : SIGTERM);
}

void onPipeError(int) {}

void install(int sig, void (*handler)(int)) {
    struct sigaction sa {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(sig, &sa, nullptr);
}
} // namespace

void SignalQuitter::survivePipeErrors() {
    install(SIGPIPE, onPipeError);
}

SignalQuitter::SignalQuitter(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_fds) != 0)
        return;
    notifier_ = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [] {
        char c;
        [[maybe_unused]] auto n = ::read(g_fds[1], &c, 1);
        QCoreApplication::quit();
    });
    g_quitSignal = 0;
    install(SIGALRM, onWatchdog);
    for (int sig : kQuitSignals)
        install(sig, onQuitSignal);
}

SignalQuitter::~SignalQuitter() {
    // A signal from here on ends the process at once; an armed watchdog stays.
    for (int sig : kQuitSignals)
        ::signal(sig, SIG_DFL);
    if (g_quitSignal == 0)
        ::signal(SIGALRM, SIG_DFL);
    ::close(g_fds[0]);
    ::close(g_fds[1]);
    g_fds[0] = g_fds[1] = -1;
}

} // namespace vantorel
