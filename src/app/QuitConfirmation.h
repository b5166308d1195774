#pragma once

#include <QString>
#include <functional>

namespace vantorel {

class Alerts;
class Workspace;

// The quit alert shown by the main menu and the start button's menu.
class QuitConfirmation {
public:
    // `terminate` asks the application to end, which runs the shutdown sequence.
    QuitConfirmation(Alerts& alerts, std::function<void()> terminate);
    static QuitConfirmation& shared();
    static void setShared(QuitConfirmation* q);

    // Returns whether the user chose to quit. A request while the alert is
    // open is dropped: there is never a second alert.
    bool confirmAndQuit();

private:
    Alerts& alerts_;
    std::function<void()> terminate_;
    bool alertOpen_ = false;
};

// The alert for a feature that needs Accessibility and finds it missing.
void presentAccessibilityNeededAlert(const QString& feature, Alerts& alerts, Workspace& workspace);
void presentAccessibilityNeededAlert(const QString& feature);

inline constexpr const char* kAccessibilitySettingsUrl =
    "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";

} // namespace vantorel
