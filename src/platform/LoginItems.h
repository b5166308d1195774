#pragma once

#include "core/Result.h"

#include <QString>
#include <QStringList>

namespace vantorel {

enum class LoginItemStatus { NotRegistered, Enabled, RequiresApproval, NotFound };

// The system's service that starts the main application at login.
class LoginItems {
public:
    virtual ~LoginItems() = default;
    virtual LoginItemStatus mainAppStatus() = 0;
    virtual Status registerMainApp() = 0;
    virtual Status unregisterMainApp() = 0;
};

// The fallback: a per-user agent file that the session's service manager
// starts at login. Installing also enables it with the service manager;
// removing unloads and disables it first.
class LaunchAgent {
public:
    virtual ~LaunchAgent() = default;
    // Where the agent file of that label lives.
    virtual QString location(const QString& label) const = 0;
    virtual bool exists(const QString& label) const = 0;
    virtual Status install(const QString& label, const QStringList& programArguments) = 0;
    virtual void remove(const QString& label) = 0;
};

} // namespace vantorel
