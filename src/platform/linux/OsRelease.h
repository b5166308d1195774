#pragma once

#include "platform/SystemInfo.h"

#include <QByteArray>
#include <QMap>
#include <QString>

namespace vantorel {

// The keys of an os-release file (KEY=value, values optionally quoted with
// shell escapes; comments and malformed lines are skipped).
QMap<QString, QString> parseOsRelease(const QByteArray& text);

// The running Linux system as /etc/os-release (else /usr/lib/os-release) names it.
class OsReleaseSystemInfo : public SystemInfo {
public:
    explicit OsReleaseSystemInfo(const QStringList& files = {QStringLiteral("/etc/os-release"),
                                                             QStringLiteral("/usr/lib/os-release")});
    // PRETTY_NAME, else NAME and VERSION, else "Linux".
    QString operatingSystemVersion() const override { return version_; }
    QString thisComputer() const override { return QStringLiteral("this computer"); }
    // NAME, else "Linux".
    QString systemName() const override { return name_; }
    QString desktopName() const override { return QStringLiteral("the desktop"); }

private:
    QString version_;
    QString name_;
};

} // namespace vantorel
