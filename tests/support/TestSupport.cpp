#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace vantorel::test {

LogCapture::LogCapture() {
    previous_ = Log::setSink([this](const LogRecord& r) { records_.push_back(r); });
}

LogCapture::~LogCapture() { Log::setSink(std::move(previous_)); }

QStringList LogCapture::messages(const QString& category) const {
    QStringList out;
    for (const auto& r : records_)
        if (category.isEmpty() || r.category == category)
            out << r.message;
    return out;
}

QByteArray fileContents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString helperPath(const QString& name) {
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("helpers/") + name);
}

} // namespace vantorel::test
