#include "platform/linux/PosixProcessRunner.h"

#include <QFile>
#include <QThread>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vantorel {

namespace {

struct Spawned {
    pid_t pid = 0;
    int error = 0;
};

Spawned spawn(const QString& program, const QStringList& arguments, bool newSession) {
    const QByteArray path = QFile::encodeName(program);
    std::vector<QByteArray> storage;
    storage.reserve(arguments.size() + 1);
    storage.push_back(path);
    for (const auto& a : arguments)
        storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (auto& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (newSession)
        flags |= POSIX_SPAWN_SETSID;
    posix_spawnattr_setflags(&attributes, flags);

    Spawned out;
    out.error = posix_spawn(&out.pid, path.constData(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (out.error != 0)
        out.pid = 0;
    return out;
}

QString describe(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

class PosixChild : public ChildProcess {
public:
    explicit PosixChild(Spawned s) : pid_(s.pid), error_(s.error ? describe(s.error) : QString()) {}

    qint64 pid() const override { return pid_; }
    QString startError() const override { return error_; }

    bool isRunning() override {
        if (pid_ <= 0 || reaped_)
            return false;
        const pid_t r = ::waitpid(pid_, nullptr, WNOHANG);
        if (r == pid_ || (r < 0 && errno == ECHILD))
            reaped_ = true;
        return !reaped_;
    }

    void terminate() override {
        if (!isRunning())
            return;
        // The child leads its own process group: end what it started too
        // (a shell's `sleep`), not only the shell.
        ::kill(-pid_, SIGTERM);
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + milliseconds(500);
        while (isRunning() && steady_clock::now() < deadline)
            QThread::msleep(5);
        if (isRunning()) {
            ::kill(-pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            reaped_ = true;
        }
    }

private:
    pid_t pid_;
    QString error_;
    bool reaped_ = false;
};

} // namespace

Result<int> PosixProcessRunner::run(const QString& program, const QStringList& arguments) {
    const Spawned s = spawn(program, arguments, false);
    if (s.error != 0)
        return Result<int>::failure(describe(s.error));
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(s.pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    if (r < 0)
        return Result<int>::failure(describe(errno));
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return 128 + WTERMSIG(status);
}

std::unique_ptr<ChildProcess> PosixProcessRunner::spawnDetached(const QString& program, const QStringList& arguments) {
    return std::make_unique<PosixChild>(spawn(program, arguments, true));
}

qint64 PosixProcessRunner::currentProcessId() const {
    return ::getpid();
}

quint32 PosixProcessRunner::userId() const {
    return ::getuid();
}

} // namespace vantorel
