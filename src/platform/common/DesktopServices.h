#pragma once

#include "platform/Alerts.h"
#include "platform/BundleInfo.h"
#include "platform/InstanceGuard.h"
#include "platform/Sound.h"

#include <QJsonObject>
#include <optional>

namespace vantorel {

// Ports whose real implementation is the same on every desktop the program
// runs on for real (sim demo or x11).

// Alerts as modal message boxes standing above the taskbar panels.
class MessageBoxAlerts : public Alerts {
public:
    int runModal(const AlertSpec& alert) override;
};

// The program's information keys and resources, compiled into the executable.
class ResourceBundleInfo : public BundleInfo {
public:
    ResourceBundleInfo();
    std::optional<QString> identifier() const override;
    std::optional<QVariant> infoValue(const QString& key) const override;
    std::optional<QByteArray> resource(const QString& name, const QString& extension) const override;
    QString executablePath() const override;

private:
    QJsonObject info_;
};

class SystemSound : public Sound {
public:
    void beep() override;
};

// One copy per user and X display: an exclusive lock on a file in
// $XDG_RUNTIME_DIR, which the kernel releases when the holder dies, so a
// crashed copy never blocks the next start. The folder is used only when it
// is ours and 0700, and the lock only when it is a regular file of ours
// (never through a link); otherwise the claim is the session bus name
// busName() (RequestName, not queued), which the bus releases with the
// holder's connection. With neither, the program runs.
class LockFileInstanceGuard : public InstanceGuard {
public:
    // An empty `busAddress` is the session bus.
    explicit LockFileInstanceGuard(QString directory = QString(), QString busAddress = QString());
    ~LockFileInstanceGuard() override;
    bool claim(const QString& bundleIdentifier) override;
    QString lockPath(const QString& bundleIdentifier) const;
    // "<bundleIdentifier>.display_0" for DISPLAY=":0".
    static QString busName(const QString& bundleIdentifier);

private:
    // True: held; false: another copy holds it; none: unusable, with the reason.
    std::optional<bool> claimLockFile(const QString& bundleIdentifier, QString& why);
    std::optional<bool> claimBusName(const QString& name, QString& why);

    QString dir_;
    QString busAddress_;
    QString busConnection_;
    QString claimedName_;
    int fd_ = -1;
};

} // namespace vantorel
