#include "platform/common/DesktopServices.h"

#include "core/Log.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

LockFileInstanceGuard::LockFileInstanceGuard(QString directory, QString busAddress)
    : dir_(std::move(directory)), busAddress_(std::move(busAddress)) {
    if (dir_.isEmpty()) {
        dir_ = qEnvironmentVariable("XDG_RUNTIME_DIR");
        if (dir_.isEmpty() || !QDir(dir_).exists())
            dir_ = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
}

LockFileInstanceGuard::~LockFileInstanceGuard() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!busConnection_.isEmpty()) {
        // Released before the connection goes, so the next claimer finds the name free.
        QDBusConnection bus(busConnection_);
        if (!claimedName_.isEmpty())
            bus.interface()->unregisterService(claimedName_);
        QDBusConnection::disconnectFromBus(busConnection_);
    }
}

namespace {
// One taskbar per X display: a test desktop on another display is another session.
QString displaySuffix() {
    QString display = qEnvironmentVariable("DISPLAY");
    for (QChar& c : display)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80))
            c = u'_';
    return QStringLiteral("display") + display;
}

QString errnoText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}
} // namespace

QString LockFileInstanceGuard::lockPath(const QString& bundleIdentifier) const {
    return dir_ + u'/' + bundleIdentifier + u'.' + displaySuffix() + QStringLiteral(".lock");
}

QString LockFileInstanceGuard::busName(const QString& bundleIdentifier) {
    QString name = bundleIdentifier + u'.' + displaySuffix();
    for (QChar& c : name)
        if (!(c == u'.' || c == u'_' || (c.isLetterOrNumber() && c.unicode() < 0x80)))
            c = u'_';
    return name.left(255);
}

bool LockFileInstanceGuard::claim(const QString& bundleIdentifier) {
    if (fd_ >= 0 || !claimedName_.isEmpty())
        return true;
    QString why;
    if (const auto held = claimLockFile(bundleIdentifier, why))
        return *held;
    const QString name = busName(bundleIdentifier);
    Log::app().info(
        QStringLiteral("Single-instance lock unusable (%1); claiming the session bus name %2 instead").arg(why, name));
    if (const auto held = claimBusName(name, why))
        return *held;
    // Refusing to start would leave the user without a taskbar.
    Log::app().error(QStringLiteral("No single-instance check (%1); starting anyway").arg(why));
    return true;
}

std::optional<bool> LockFileInstanceGuard::claimLockFile(const QString& bundleIdentifier, QString& why) {
    const int dirFd = ::open(QFile::encodeName(dir_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) {
        why = dir_ + QStringLiteral(": ") + errnoText(errno);
        return std::nullopt;
    }
    struct stat st {};
    // Where anyone else may write, a link planted at the lock's name could
    // make us open another file; the runtime folder is ours and 0700.
    if (::fstat(dirFd, &st) != 0 || st.st_uid != ::geteuid() || (st.st_mode & 0777) != 0700) {
        ::close(dirFd);
        why = QStringLiteral("%1 is not a folder of this user with mode 0700").arg(dir_);
        return std::nullopt;
    }
    const QString path = lockPath(bundleIdentifier);
    const QByteArray name = QFile::encodeName(QFileInfo(path).fileName());
    const int fd =
        ::openat(dirFd, name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600);
    const int openError = errno;
    ::close(dirFd);
    if (fd < 0) {
        why = path + QStringLiteral(": ") + errnoText(openError);
        return std::nullopt;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        why = path + QStringLiteral(" is not a file of this user");
        return std::nullopt;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int lockError = errno;
        ::close(fd);
        if (lockError == EWOULDBLOCK)
            return false;
        why = path + QStringLiteral(": ") + errnoText(lockError);
        return std::nullopt;
    }
    // Held, ours and a regular file: the pid may replace an earlier holder's.
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid()) + '\n';
    if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, pid.constData(), pid.size(), 0) < 0) {
        // The pid is only informative.
    }
    fd_ = fd;
    return true;
}

std::optional<bool> LockFileInstanceGuard::claimBusName(const QString& name, QString& why) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!busAddress_.isEmpty()) {
        busConnection_ = QStringLiteral("vantorel-instance-%1").arg(reinterpret_cast<quintptr>(this));
        bus = QDBusConnection::connectToBus(busAddress_, busConnection_);
    }
    if (!bus.isConnected()) {
        why = QStringLiteral("no session bus: ") + bus.lastError().message();
        return std::nullopt;
    }
    // The bus drops the name with our connection, so a crash never blocks the next start.
    constexpr uint kDoNotQueue = 0x4;
    constexpr uint kPrimaryOwner = 1, kAlreadyOwner = 4;
    auto request =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                       QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << name << kDoNotQueue;
    const QDBusMessage reply = bus.call(request, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        why = QStringLiteral("RequestName %1: %2").arg(name, reply.errorMessage());
        return std::nullopt;
    }
    const uint result = reply.arguments().constFirst().toUInt();
    if (result != kPrimaryOwner && result != kAlreadyOwner)
        return false;
    claimedName_ = name;
    return true;
}

} // namespace vantorel
