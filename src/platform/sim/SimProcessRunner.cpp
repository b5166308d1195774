#include "platform/sim/SimProcessRunner.h"

#include <algorithm>

namespace vantorel {

namespace {

QString commandLine(const QString& program, const QStringList& arguments) {
    return arguments.isEmpty() ? program : program + u' ' + arguments.join(u' ');
}

class SimChild : public ChildProcess {
public:
    SimChild(SimProcessRunner& runner, qint64 pid, std::shared_ptr<bool> running, QString error)
        : runner_(runner), pid_(pid), running_(std::move(running)), error_(std::move(error)) {}
    qint64 pid() const override { return pid_; }
    QString startError() const override { return error_; }
    bool isRunning() override { return *running_; }
    void terminate() override {
        if (!*running_)
            return;
        *running_ = false;
        runner_.journal << QStringLiteral("terminate %1").arg(pid_);
    }

private:
    SimProcessRunner& runner_;
    qint64 pid_;
    std::shared_ptr<bool> running_;
    QString error_;
};

} // namespace

Result<int> SimProcessRunner::run(const QString& program, const QStringList& arguments) {
    const auto it = programs_.find(program);
    if (it == programs_.end())
        return Result<int>::failure(QStringLiteral("No such file or directory"));
    journal << commandLine(program, arguments);
    commands << commandLine(program, arguments);
    return it->second(arguments);
}

std::unique_ptr<ChildProcess> SimProcessRunner::spawnDetached(const QString& program, const QStringList& arguments) {
    auto running = std::make_shared<bool>(false);
    if (!exists(program))
        return std::make_unique<SimChild>(*this, 0, running, QStringLiteral("No such file or directory"));
    *running = true;
    const qint64 childPid = nextPid_++;
    journal << QStringLiteral("spawn ") + commandLine(program, arguments);
    spawned.push_back({childPid, program, arguments, running});
    return std::make_unique<SimChild>(*this, childPid, running, QString());
}

int SimProcessRunner::runningCount() const {
    return static_cast<int>(std::count_if(spawned.begin(), spawned.end(), [](const Spawned& s) { return *s.running; }));
}

void SimProcessRunner::finish(qint64 spawnedPid) {
    for (auto& s : spawned)
        if (s.pid == spawnedPid)
            *s.running = false;
}

} // namespace vantorel
