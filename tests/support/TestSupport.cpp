#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>

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

QString helperPath(const QString& name) {
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("helpers/") + name);
}

} // namespace vantorel::test
