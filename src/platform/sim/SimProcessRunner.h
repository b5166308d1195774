#pragma once

#include "platform/ProcessRunner.h"

#include <functional>
#include <map>
#include <vector>

namespace vantorel {

// Programs of the simulated machine. Only programs that something installed
// exist; running one calls its handler with the arguments. Every run, spawn
// and termination is written to the journal, so tests can check order.
class SimProcessRunner : public ProcessRunner {
public:
    using Program = std::function<int(const QStringList& arguments)>;

    struct Spawned {
        qint64 pid = 0;
        QString program;
        QStringList arguments;
        std::shared_ptr<bool> running;
    };

    Result<int> run(const QString& program, const QStringList& arguments) override;
    std::unique_ptr<ChildProcess> spawnDetached(const QString& program, const QStringList& arguments) override;
    qint64 currentProcessId() const override { return pid; }
    quint32 userId() const override { return uid; }

    void install(const QString& path, Program program) { programs_[path] = std::move(program); }
    void uninstall(const QString& path) { programs_.erase(path); }
    bool exists(const QString& path) const { return programs_.count(path) > 0; }

    // Spawned processes still running.
    int runningCount() const;
    // Ends a spawned process as if it exited on its own.
    void finish(qint64 spawnedPid);

    qint64 pid = 1000;
    quint32 uid = 501;
    // "PATH ARG ...", "spawn PATH ARG ..." and "terminate PID", in order.
    QStringList journal;
    // Only the runs (program and arguments), for tests that compare commands.
    QStringList commands;
    std::vector<Spawned> spawned;

private:
    std::map<QString, Program> programs_;
    qint64 nextPid_ = 3000;
};

} // namespace vantorel
