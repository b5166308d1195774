#pragma once

#include <QObject>

class QSocketNotifier;

namespace vantorel {

// Turns SIGINT, SIGTERM and SIGHUP into a normal quit of the event loop, so
// that the shutdown sequence runs (a Ctrl-C in the terminal restores state
// like the Quit command does).
class SignalQuitter : public QObject {
    Q_OBJECT
public:
    explicit SignalQuitter(QObject* parent = nullptr);
    ~SignalQuitter() override;

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace vantorel
