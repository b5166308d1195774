#include "app/QuitConfirmation.h"

#include "platform/Alerts.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"

#include <QCoreApplication>

namespace vantorel {

namespace {
QuitConfirmation* g_shared = nullptr;
}

QuitConfirmation::QuitConfirmation(Alerts& alerts, std::function<void()> terminate)
    : alerts_(alerts), terminate_(std::move(terminate)) {}

QuitConfirmation& QuitConfirmation::shared() {
    if (!g_shared) {
        static QuitConfirmation fallback(*Platform::installed().alerts, [] { QCoreApplication::quit(); });
        g_shared = &fallback;
    }
    return *g_shared;
}

void QuitConfirmation::setShared(QuitConfirmation* q) { g_shared = q; }

bool QuitConfirmation::confirmAndQuit() {
    // The alert runs its own event loop, where Ctrl+Q or a menu's Quit asks again.
    if (alertOpen_)
        return false;
    AlertSpec alert;
    alert.style = AlertStyle::Warning;
    alert.message = QStringLiteral("Quit Vantorel?");
    alert.informativeText = QStringLiteral("Your Dock settings will be restored when Vantorel quits.");
    alert.buttons = {QStringLiteral("Quit"), QStringLiteral("Cancel")};
    alertOpen_ = true;
    const int answer = alerts_.runModal(alert);
    alertOpen_ = false;
    if (answer != 0)
        return false;
    if (terminate_)
        terminate_();
    return true;
}

void presentAccessibilityNeededAlert(const QString& feature, Alerts& alerts, Workspace& workspace) {
    AlertSpec alert;
    alert.style = AlertStyle::Warning;
    alert.message = QStringLiteral("Vantorel needs Accessibility access");
    alert.informativeText =
        feature + QStringLiteral(" needs Accessibility, which lets Vantorel work with other apps' windows and menus.\n\n"
                                 "If Vantorel is already switched on in System Settings, macOS may still be using a "
                                 "grant from an older build. Remove Vantorel from the list with the \u2212 button, then "
                                 "add it again (or switch it off and on).");
    alert.buttons = {QStringLiteral("Open Accessibility Settings"), QStringLiteral("Cancel")};
    if (alerts.runModal(alert) == 0)
        workspace.openUrl(QString::fromLatin1(kAccessibilitySettingsUrl));
}

void presentAccessibilityNeededAlert(const QString& feature) {
    auto& p = Platform::installed();
    presentAccessibilityNeededAlert(feature, *p.alerts, *p.workspace);
}

} // namespace vantorel
