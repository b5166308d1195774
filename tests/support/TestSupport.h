#pragma once

#include "core/Log.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <ostream>
#include <vector>

namespace vantorel::test {

// Collects log records while alive.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    const std::vector<LogRecord>& records() const { return records_; }
    QStringList messages(const QString& category = QString()) const;

private:
    std::vector<LogRecord> records_;
    Log::Sink previous_;
};

// Path of a helper program built next to the tests.
QString helperPath(const QString& name);

// What a file holds; empty when it cannot be read.
QByteArray fileContents(const QString& path);

} // namespace vantorel::test

// Readable strings in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(QStringLiteral(", ")).toStdString() << ']';
}
