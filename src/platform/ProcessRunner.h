#pragma once

#include "core/Result.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace vantorel {

// A child started without waiting for it. It is not tied to this process:
// it goes on running when the program ends or dies.
class ChildProcess {
public:
    virtual ~ChildProcess() = default;
    // The process id, or 0 when the process could not be started.
    virtual qint64 pid() const = 0;
    // Why the start failed; empty when it started.
    virtual QString startError() const = 0;
    virtual bool isRunning() = 0;
    // Asks the process (and what it started) to end, and waits briefly for it.
    virtual void terminate() = 0;
};

// Starts other programs.
class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;

    // Runs the executable at `program` with standard output and error sent to
    // the null device and waits until it exits. The exit status, or why it
    // could not be started.
    virtual Result<int> run(const QString& program, const QStringList& arguments) = 0;
    // Starts the executable without waiting. A handle comes back even when the
    // start failed (its pid is then 0 and it never runs).
    virtual std::unique_ptr<ChildProcess> spawnDetached(const QString& program, const QStringList& arguments) = 0;

    virtual qint64 currentProcessId() const = 0;
    virtual quint32 userId() const = 0;
};

} // namespace vantorel
