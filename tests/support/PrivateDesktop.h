#pragma once

#include <QProcess>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace vantorel::test {

// A private X desktop for tests: Xvfb on a display number the server picks
// (-displayfd), openbox, and real X clients started on demand.
class PrivateDesktop {
public:
    ~PrivateDesktop();
    // Starts Xvfb and openbox and points DISPLAY at them; false with a reason on failure.
    bool start(const QString& size = QStringLiteral("1440x900"), QString* error = nullptr);

    // Starts an X client; it is killed when the desktop stops.
    QProcess* spawn(const QString& program, const QStringList& args);
    void stop();

private:
    std::unique_ptr<QProcess> xvfb_;
    std::unique_ptr<QProcess> wm_;
    std::vector<std::unique_ptr<QProcess>> clients_;
};

// Runs the event loop until done() holds or the time is up; returns done().
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 15000);

} // namespace vantorel::test
