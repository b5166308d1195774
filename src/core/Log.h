#pragma once

#include <QString>
#include <functional>

namespace vantorel {

enum class LogLevel { Debug, Info, Error };

struct LogRecord {
    QString subsystem;
    QString category;
    LogLevel level;
    QString message;
};

// A logger of one category under the subsystem "com.vantorel.app". Lines go to
// the system journal when one runs, else to standard error.
class Logger {
public:
    explicit Logger(QString category) : category_(std::move(category)) {}
    void debug(const QString& message) const { write(LogLevel::Debug, message); }
    void info(const QString& message) const { write(LogLevel::Info, message); }
    void error(const QString& message) const { write(LogLevel::Error, message); }
    const QString& category() const { return category_; }

private:
    void write(LogLevel level, const QString& message) const;
    QString category_;
};

class Log {
public:
    static constexpr const char* kSubsystem = "com.vantorel.app";

    static const Logger& dock();
    static const Logger& launch();
    static const Logger& recording();
    static const Logger& windows();
    static const Logger& updates();
    // Program-level events: start-up, settings files, the platform.
    static const Logger& app();
    static const Logger& defaults();

    using Sink = std::function<void(const LogRecord&)>;
    // Replaces where records go (tests capture them); returns the previous sink.
    static Sink setSink(Sink sink);
    static void defaultSink(const LogRecord& record);
};

} // namespace vantorel
