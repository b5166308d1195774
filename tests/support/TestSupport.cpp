#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

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

PrivateBus::PrivateBus() {
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    if (!daemon_.waitForStarted(5000)) {
        error_ = QStringLiteral("dbus-daemon did not start: ") + daemon_.errorString();
        return;
    }
    QByteArray line;
    QElapsedTimer waited;
    waited.start();
    while (!line.contains('\n') && waited.elapsed() < 10000 && daemon_.state() == QProcess::Running) {
        daemon_.waitForReadyRead(100);
        line += daemon_.readAllStandardOutput();
    }
    if (line.contains('\n'))
        address_ = QString::fromUtf8(line.left(line.indexOf('\n')).trimmed());
    else
        error_ =
            QStringLiteral("dbus-daemon gave no address: ") + QString::fromLocal8Bit(daemon_.readAllStandardError());
}

PrivateBus::~PrivateBus() {
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        if (!daemon_.waitForFinished(3000)) {
            daemon_.kill();
            daemon_.waitForFinished(2000);
        }
    }
}

} // namespace vantorel::test
