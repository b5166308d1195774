#pragma once

#include "platform/LoginItems.h"

namespace vantorel {

class ProcessRunner;

// $XDG_CONFIG_HOME, or ~/.config when it is unset or not absolute.
QString xdgConfigHome();

// The Exec value of a desktop entry that starts exactly these arguments.
QString desktopEntryExec(const QStringList& arguments);
// The ExecStart value of a systemd unit that starts exactly these arguments.
QString systemdExecStart(const QStringList& arguments);

// The login item of a freedesktop session: the autostart entry
// <config>/autostart/vantorel.desktop that starts the running executable.
// Enabled while it exists and is marked neither Hidden=true nor
// X-GNOME-Autostart-enabled=false.
class XdgAutostartLoginItems : public LoginItems {
public:
    XdgAutostartLoginItems(QString executablePath, QString configHome = xdgConfigHome());

    LoginItemStatus mainAppStatus() override;
    Status registerMainApp() override;
    Status unregisterMainApp() override;

    QString entryPath() const;
    QByteArray entryContents() const;

private:
    QString executable_;
    QString configHome_;
};

// The fallback agent: a systemd user unit <config>/systemd/user/LABEL.service,
// pulled in by the graphical session and enabled with `systemctl --user`.
class SystemdUserAgent : public LaunchAgent {
public:
    SystemdUserAgent(ProcessRunner& runner, QString configHome = xdgConfigHome(), QString systemctl = QString());

    QString location(const QString& label) const override;
    bool exists(const QString& label) const override;
    Status install(const QString& label, const QStringList& programArguments) override;
    void remove(const QString& label) override;

    static QByteArray unitContents(const QStringList& programArguments);

private:
    ProcessRunner& runner_;
    QString configHome_;
    QString systemctl_;
};

} // namespace vantorel
