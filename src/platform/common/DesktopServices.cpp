#include "platform/common/DesktopServices.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vantorel {

int MessageBoxAlerts::runModal(const AlertSpec& alert) {
    QMessageBox box;
    box.setIcon(alert.style == AlertStyle::Critical  ? QMessageBox::Critical
                : alert.style == AlertStyle::Warning ? QMessageBox::Warning
                                                     : QMessageBox::Information);
    box.setWindowTitle(QStringLiteral("Vantorel"));
    box.setText(alert.message);
    box.setInformativeText(alert.informativeText);
    std::vector<QAbstractButton*> buttons;
    for (int i = 0; i < alert.buttons.size(); ++i) {
        const auto& title = alert.buttons[i];
        const bool isCancel = title == QLatin1String("Cancel");
        auto role = i == 0 ? QMessageBox::AcceptRole : isCancel ? QMessageBox::RejectRole : QMessageBox::ActionRole;
        QPushButton* b = box.addButton(title, role);
        if (i == 0)
            box.setDefaultButton(b);
        if (isCancel)
            box.setEscapeButton(b);
        buttons.push_back(b);
    }
    if (alert.aboveTaskbar)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
    const auto it = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return it == buttons.end() ? -1 : static_cast<int>(it - buttons.begin());
}

ResourceBundleInfo::ResourceBundleInfo() {
    QFile f(QStringLiteral(":/bundle/Info.json"));
    if (f.open(QIODevice::ReadOnly))
        info_ = QJsonDocument::fromJson(f.readAll()).object();
}

std::optional<QString> ResourceBundleInfo::identifier() const {
    const auto v = info_.value(QStringLiteral("CFBundleIdentifier"));
    if (!v.isString() || v.toString().isEmpty())
        return std::nullopt;
    return v.toString();
}

std::optional<QVariant> ResourceBundleInfo::infoValue(const QString& key) const {
    if (!info_.contains(key))
        return std::nullopt;
    return info_.value(key).toVariant();
}

std::optional<QByteArray> ResourceBundleInfo::resource(const QString& name, const QString& extension) const {
    QFile f(QStringLiteral(":/bundle/") + name + u'.' + extension);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.readAll();
}

QString ResourceBundleInfo::executablePath() const { return QCoreApplication::applicationFilePath(); }

void SystemSound::beep() { QApplication::beep(); }

LockFileInstanceGuard::LockFileInstanceGuard(QString directory) : dir_(std::move(directory)) {
    if (dir_.isEmpty()) {
        dir_ = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (dir_.isEmpty() || !QDir(dir_).exists())
            dir_ = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
}

LockFileInstanceGuard::~LockFileInstanceGuard() {
    if (fd_ >= 0)
        ::close(fd_);
}

QString LockFileInstanceGuard::lockPath(const QString& bundleIdentifier) const {
    // One taskbar per X display: a test desktop on another display is another session.
    QString display = qEnvironmentVariable("DISPLAY");
    for (QChar& c : display)
        if (!c.isLetterOrNumber())
            c = u'_';
    return dir_ + u'/' + bundleIdentifier + QStringLiteral(".display") + display + QStringLiteral(".lock");
}

bool LockFileInstanceGuard::claim(const QString& bundleIdentifier) {
    if (fd_ >= 0)
        return true;
    QDir().mkpath(dir_);
    const QByteArray path = QFile::encodeName(lockPath(bundleIdentifier));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return true; // Without a lock file we cannot tell; running beats refusing to start.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid()) + '\n';
    if (::ftruncate(fd, 0) == 0 && ::write(fd, pid.constData(), pid.size()) < 0) {
        // The pid is only informative.
    }
    fd_ = fd;
    return true;
}

} // namespace vantorel
