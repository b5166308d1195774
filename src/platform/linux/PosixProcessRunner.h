#pragma once

#include "platform/ProcessRunner.h"

namespace vantorel {

// Runs programs with posix_spawn. Children get only standard input, output
// and error (all on the null device), so they hold none of the program's
// files or locks. A detached child leads its own session: it survives the
// program, a terminal hang-up does not reach it, and terminating it ends
// everything it started.
class PosixProcessRunner : public ProcessRunner {
public:
    Result<int> run(const QString& program, const QStringList& arguments) override;
    std::unique_ptr<ChildProcess> spawnDetached(const QString& program, const QStringList& arguments) override;
    qint64 currentProcessId() const override;
    quint32 userId() const override;
};

} // namespace vantorel
