#pragma once

#include "core/Result.h"

#include <QString>
#include <QStringList>

namespace vantorel {

class BundleInfo;
class LaunchAgent;
class LoginItems;

// Starts the program at login: through the system's login-item service when
// it takes the registration, else through a per-user launch agent. Never both,
// so the program is not started twice.
class LaunchAtLoginService {
public:
    static inline const QString launchAgentLabel = QStringLiteral("com.vantorel.autostart");

    LaunchAtLoginService(LoginItems& loginItems, LaunchAgent& agent, const BundleInfo& bundle);
    static LaunchAtLoginService& shared();

    // Enabled with the login-item service, or else the fallback agent exists.
    bool isEnabled();
    // Fails with a description the caller shows ("Unable to update Launch at Login").
    Status setEnabled(bool enabled);
    // A leftover agent goes once the login-item service has the registration.
    void removeDuplicateRegistration();
    QString launchAgentURL() const;
    bool launchAgentExists() const;
    // True when the login-item service reports the main app enabled.
    bool loginItemEnabled();

    // What the agent starts: the bundle through the open command when the
    // program sits inside an application bundle, else the executable alone.
    static QStringList programArguments(const QString& executablePath);
    // The bundle a program belongs to: "X.app" for "X.app/Contents/MacOS/exe",
    // else the executable's folder.
    static QString bundlePath(const QString& executablePath);

private:
    Status installFallbackAgent();
    void removeFallbackAgent();

    LoginItems& loginItems_;
    LaunchAgent& agent_;
    const BundleInfo& bundle_;
};

} // namespace vantorel
