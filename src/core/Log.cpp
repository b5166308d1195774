#include "core/Log.h"

#include <QFileInfo>
#include <cstdio>

#ifdef VANTOREL_HAVE_JOURNAL
#include <syslog.h>
#include <systemd/sd-journal.h>
#endif

namespace vantorel {

namespace {
Log::Sink& sink() {
    static Log::Sink s = &Log::defaultSink;
    return s;
}

bool journalAvailable() {
#ifdef VANTOREL_HAVE_JOURNAL
    static const bool available = QFileInfo::exists(QStringLiteral("/run/systemd/journal/socket"));
    return available;
#else
    return false;
#endif
}
} // namespace

void Logger::write(LogLevel level, const QString& message) const {
    const auto& s = sink();
    if (s)
        s(LogRecord{QString::fromLatin1(Log::kSubsystem), category_, level, message});
}

void Log::defaultSink(const LogRecord& r) {
#ifdef VANTOREL_HAVE_JOURNAL
    if (journalAvailable()) {
        const int priority = r.level == LogLevel::Error ? LOG_ERR : r.level == LogLevel::Info ? LOG_INFO : LOG_DEBUG;
        sd_journal_send("MESSAGE=%s", r.message.toUtf8().constData(), "PRIORITY=%i", priority,
                        "SYSLOG_IDENTIFIER=vantorel", "VANTOREL_SUBSYSTEM=%s", r.subsystem.toUtf8().constData(),
                        "VANTOREL_CATEGORY=%s", r.category.toUtf8().constData(), nullptr);
        return;
    }
#endif
    if (r.level == LogLevel::Debug && qEnvironmentVariableIsEmpty("VANTOREL_DEBUG"))
        return;
    const char* level = r.level == LogLevel::Error ? "error" : r.level == LogLevel::Info ? "info" : "debug";
    std::fprintf(stderr, "vantorel [%s:%s] %s: %s\n", r.subsystem.toUtf8().constData(),
                 r.category.toUtf8().constData(), level, r.message.toUtf8().constData());
}

Log::Sink Log::setSink(Sink s) {
    Sink previous = std::move(sink());
    sink() = std::move(s);
    return previous;
}

#define VANTOREL_LOGGER(name, category)                                                                              \
    const Logger& Log::name() {                                                                                      \
        static const Logger logger(QStringLiteral(category));                                                        \
        return logger;                                                                                               \
    }
VANTOREL_LOGGER(dock, "dock")
VANTOREL_LOGGER(launch, "launch-at-login")
VANTOREL_LOGGER(recording, "recording")
VANTOREL_LOGGER(windows, "windows")
VANTOREL_LOGGER(updates, "updates")
VANTOREL_LOGGER(app, "app")
VANTOREL_LOGGER(defaults, "defaults")
#undef VANTOREL_LOGGER

} // namespace vantorel
