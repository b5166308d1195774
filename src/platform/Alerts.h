#pragma once

#include <QString>
#include <QStringList>

namespace vantorel {

enum class AlertStyle { Informational, Warning, Critical };

struct AlertSpec {
    AlertStyle style = AlertStyle::Warning;
    QString message;
    QString informativeText;
    QStringList buttons; // the first is the default button
    // Stand above the taskbar panels (the modal-panel level).
    bool aboveTaskbar = true;
};

// Modal alerts. runModal returns the index of the chosen button (0 = first),
// or -1 when the alert was dismissed without a choice.
class Alerts {
public:
    virtual ~Alerts() = default;
    virtual int runModal(const AlertSpec& alert) = 0;

    // A message with one "OK" button.
    void inform(AlertStyle style, const QString& message, const QString& informativeText) {
        runModal({style, message, informativeText, {QStringLiteral("OK")}});
    }
};

} // namespace vantorel
