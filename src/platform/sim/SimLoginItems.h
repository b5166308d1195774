#pragma once

#include "platform/LoginItems.h"

#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace vantorel {

class ProcessRunner;
class SimProcessRunner;

// The login-item service of the simulated machine, with scripted refusals.
class SimLoginItems : public LoginItems {
public:
    LoginItemStatus mainAppStatus() override { return status; }
    Status registerMainApp() override;
    Status unregisterMainApp() override;

    LoginItemStatus status = LoginItemStatus::NotRegistered;
    // When set, registering fails with this description.
    std::optional<QString> registerError;
    std::optional<QString> unregisterError;
    // A registration the user still has to approve in the system settings.
    bool registrationNeedsApproval = false;
    int registerCalls = 0;
    int unregisterCalls = 0;
};

// The per-user launch agent of the simulated machine: an XML property list in
// the home folder's Library/LaunchAgents, enabled and disabled through the
// launch service's command-line tool.
class SimLaunchAgent : public LaunchAgent {
public:
    explicit SimLaunchAgent(ProcessRunner& runner) : runner_(runner) {}

    QString location(const QString& label) const override;
    bool exists(const QString& label) const override;
    Status install(const QString& label, const QStringList& programArguments) override;
    void remove(const QString& label) override;

    // The file's contents: Label, RunAtLoad true, KeepAlive false, ProgramArguments.
    static Result<QByteArray> propertyList(const QString& label, const QStringList& programArguments);
    // Installs "/bin/launchctl", which accepts every request.
    static void installTools(SimProcessRunner& runner);

    // The home folder; empty means a private folder that goes away with the agent.
    QString homeDirectory;

private:
    QString home() const;
    QString serviceTarget(const QString& label) const;

    ProcessRunner& runner_;
    mutable std::unique_ptr<QTemporaryDir> privateHome_;
};

} // namespace vantorel
