#include "app/LaunchAtLoginService.h"

#include "core/Log.h"
#include "platform/BundleInfo.h"
#include "platform/LoginItems.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace vantorel {

LaunchAtLoginService::LaunchAtLoginService(LoginItems& loginItems, LaunchAgent& agent, const BundleInfo& bundle)
    : loginItems_(loginItems), agent_(agent), bundle_(bundle) {}

LaunchAtLoginService& LaunchAtLoginService::shared() {
    static LaunchAtLoginService instance = [] {
        auto& p = Platform::installed();
        return LaunchAtLoginService(*p.loginItems, *p.launchAgent, *p.bundle);
    }();
    return instance;
}

QString LaunchAtLoginService::bundlePath(const QString& executablePath) {
    const QString folder = QFileInfo(executablePath).absolutePath();
    const QStringList parts = folder.split(u'/');
    const qsizetype n = parts.size();
    if (n >= 3 && parts[n - 1] == QLatin1String("MacOS") && parts[n - 2] == QLatin1String("Contents") &&
        parts[n - 3].endsWith(QLatin1String(".app")) && parts[n - 3].size() > 4)
        return parts.mid(0, n - 2).join(u'/');
    return folder;
}

QStringList LaunchAtLoginService::programArguments(const QString& executablePath) {
    const QString bundle = bundlePath(executablePath);
    if (QFileInfo(bundle).suffix() == QLatin1String("app"))
        return {QStringLiteral("/usr/bin/open"), QStringLiteral("-a"), bundle};
    return {executablePath};
}

bool LaunchAtLoginService::loginItemEnabled() {
    return loginItems_.mainAppStatus() == LoginItemStatus::Enabled;
}

bool LaunchAtLoginService::isEnabled() {
    return loginItemEnabled() || launchAgentExists();
}

QString LaunchAtLoginService::launchAgentURL() const {
    return agent_.location(launchAgentLabel);
}

bool LaunchAtLoginService::launchAgentExists() const {
    return agent_.exists(launchAgentLabel);
}

Status LaunchAtLoginService::setEnabled(bool enabled) {
    const LoginItemStatus status = loginItems_.mainAppStatus();
    if (enabled) {
        if (status == LoginItemStatus::Enabled) {
            removeFallbackAgent();
            return Status::success();
        }
        const Status registered = loginItems_.registerMainApp();
        if (registered) {
            removeFallbackAgent();
            return Status::success();
        }
        Log::launch().info(
            QStringLiteral("SMAppService register failed, using LaunchAgent: %1").arg(registered.error()));
        return installFallbackAgent();
    }
    if (status == LoginItemStatus::Enabled || status == LoginItemStatus::RequiresApproval)
        loginItems_.unregisterMainApp(); // a failure leaves nothing else to try
    removeFallbackAgent();
    return Status::success();
}

void LaunchAtLoginService::removeDuplicateRegistration() {
    if (loginItemEnabled() && launchAgentExists())
        removeFallbackAgent();
}

Status LaunchAtLoginService::installFallbackAgent() {
    QString executable = bundle_.executablePath();
    if (executable.isEmpty())
        executable = QCoreApplication::arguments().value(0);
    return agent_.install(launchAgentLabel, programArguments(executable));
}

void LaunchAtLoginService::removeFallbackAgent() {
    agent_.remove(launchAgentLabel);
}

} // namespace vantorel
