#include "platform/linux/XdgAutostart.h"

#include "platform/ProcessRunner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace vantorel {

namespace {

Status writeAtomically(const QString& path, const QByteArray& contents) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return Status::failure(QStringLiteral("Couldn't create the folder %1.").arg(folder));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() || !file.commit())
        return Status::failure(QStringLiteral("Couldn't write %1: %2").arg(path, file.errorString()));
    return Status::success();
}

// Backslash escapes shared by desktop entries and systemd units.
QString cEscaped(QChar c) {
    switch (c.unicode()) {
    case u'\\':
        return QStringLiteral("\\\\");
    case u'\n':
        return QStringLiteral("\\n");
    case u'\t':
        return QStringLiteral("\\t");
    case u'\r':
        return QStringLiteral("\\r");
    default:
        return QString(c);
    }
}

QString escapeDesktopString(const QString& s) {
    QString out;
    for (const QChar c : s)
        out += cEscaped(c);
    return out;
}

} // namespace

QString xdgConfigHome() {
    const QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        return QDir::homePath() + QStringLiteral("/.config");
    return base;
}

QString desktopEntryExec(const QStringList& arguments) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`=");
    QStringList words;
    for (const QString& argument : arguments) {
        QString word;
        const bool quote = argument.isEmpty() ||
                           std::any_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); });
        for (const QChar c : argument) {
            if (quote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
                word += u'\\';
            if (c == u'%')
                word += u'%';
            word += c;
        }
        words << (quote ? u'"' + word + u'"' : word);
    }
    return escapeDesktopString(words.join(u' '));
}

QString systemdExecStart(const QStringList& arguments) {
    QStringList words;
    for (const QString& argument : arguments) {
        QString word;
        for (const QChar c : argument) {
            if (c == u'"')
                word += QStringLiteral("\\\"");
            else if (c == u'%' || c == u'$') // specifiers and variables
                word += QString(2, c);
            else
                word += cEscaped(c);
        }
        words << u'"' + word + u'"';
    }
    return words.join(u' ');
}

XdgAutostartLoginItems::XdgAutostartLoginItems(QString executablePath, QString configHome)
    : executable_(std::move(executablePath)), configHome_(std::move(configHome)) {}

QString XdgAutostartLoginItems::entryPath() const {
    return configHome_ + QStringLiteral("/autostart/vantorel.desktop");
}

QByteArray XdgAutostartLoginItems::entryContents() const {
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Vantorel\n"
                          "Comment=Taskbar with application buttons, previews, launcher and clock\n"
                          "Exec=%1\n"
                          "Terminal=false\n"
                          "NoDisplay=true\n")
        .arg(desktopEntryExec({executable_}))
        .toUtf8();
}

LoginItemStatus XdgAutostartLoginItems::mainAppStatus() {
    // A FIFO or a device there must not stall the start; an entry is small.
    const QFileInfo info(entryPath());
    constexpr qint64 kMaxEntrySize = 64 * 1024;
    QFile file(entryPath());
    if (!info.isFile() || info.size() > kMaxEntrySize || !file.open(QIODevice::ReadOnly))
        return LoginItemStatus::NotRegistered;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inMainGroup || eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        // Both switches keep the session from starting the entry.
        if ((key == QLatin1String("Hidden") && value == QLatin1String("true")) ||
            (key == QLatin1String("X-GNOME-Autostart-enabled") && value == QLatin1String("false")))
            return LoginItemStatus::NotRegistered;
    }
    return LoginItemStatus::Enabled;
}

Status XdgAutostartLoginItems::registerMainApp() {
    if (executable_.isEmpty())
        return Status::failure(QStringLiteral("The program's own path is unknown."));
    return writeAtomically(entryPath(), entryContents());
}

Status XdgAutostartLoginItems::unregisterMainApp() {
    QFile file(entryPath());
    if (file.exists() && !file.remove())
        return Status::failure(QStringLiteral("Couldn't remove %1: %2").arg(entryPath(), file.errorString()));
    return Status::success();
}

SystemdUserAgent::SystemdUserAgent(ProcessRunner& runner, QString configHome, QString systemctl)
    : runner_(runner), configHome_(std::move(configHome)), systemctl_(std::move(systemctl)) {
    if (systemctl_.isEmpty())
        systemctl_ = QStandardPaths::findExecutable(QStringLiteral("systemctl"));
    if (systemctl_.isEmpty())
        systemctl_ = QStringLiteral("/usr/bin/systemctl");
}

QString SystemdUserAgent::location(const QString& label) const {
    return configHome_ + QStringLiteral("/systemd/user/") + label + QStringLiteral(".service");
}

bool SystemdUserAgent::exists(const QString& label) const {
    return QFileInfo::exists(location(label));
}

QByteArray SystemdUserAgent::unitContents(const QStringList& programArguments) {
    return QStringLiteral("[Unit]\n"
                          "Description=Vantorel taskbar\n"
                          "PartOf=graphical-session.target\n"
                          "After=graphical-session.target\n"
                          "\n"
                          "[Service]\n"
                          "ExecStart=%1\n"
                          "Restart=no\n"
                          "\n"
                          "[Install]\n"
                          "WantedBy=graphical-session.target\n")
        .arg(systemdExecStart(programArguments))
        .toUtf8();
}

Status SystemdUserAgent::install(const QString& label, const QStringList& programArguments) {
    if (const Status written = writeAtomically(location(label), unitContents(programArguments)); !written)
        return written;
    runner_.run(systemctl_, {QStringLiteral("--user"), QStringLiteral("enable"), label + QStringLiteral(".service")});
    return Status::success();
}

void SystemdUserAgent::remove(const QString& label) {
    // Not stopped: the running program may be this very unit.
    runner_.run(systemctl_, {QStringLiteral("--user"), QStringLiteral("disable"), label + QStringLiteral(".service")});
    QFile::remove(location(label));
}

} // namespace vantorel
