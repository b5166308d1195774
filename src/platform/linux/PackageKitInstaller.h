#pragma once

#include "platform/PackageInstaller.h"

#include <QObject>

namespace vantorel {

// Installs a package through PackageKit on the system bus (InstallFiles in a
// transaction of its own); polkit asks the user for authorisation. Every call
// is asynchronous, so the taskbar keeps running while the user answers.
class PackageKitInstaller : public QObject, public PackageInstaller {
    Q_OBJECT
public:
    // An empty address is the system bus.
    explicit PackageKitInstaller(QString busAddress = QString(), QObject* parent = nullptr);
    ~PackageKitInstaller() override;
    void install(const QString& packagePath, std::function<void(Status)> completion) override;

private:
    QString connectionName_;
};

} // namespace vantorel
