#pragma once

#include <QObject>

class QSocketNotifier;

namespace vantorel {

// Turns SIGINT, SIGTERM and SIGHUP into a normal quit of the event loop, so
// that the shutdown sequence runs (a Ctrl-C in the terminal restores state
// like the Quit command does).
//
// The quit needs the event loop, which waits on the X server now and then; a
// frozen server must not keep the program alive. So the first signal also arms
// a watchdog (alarm) that ends the process, as if by that signal, when the
// clean shutdown has not finished within the grace; a second signal ends it at
// once. The watchdog outlives this object: the rest of the shutdown (Qt's own
// teardown of its X connection) is covered too.
class SignalQuitter : public QObject {
    Q_OBJECT
public:
    static constexpr unsigned kGraceSeconds = 5;

    explicit SignalQuitter(QObject* parent = nullptr);
    ~SignalQuitter() override;

    // A write to a closed pipe (standard error of `vantorel 2>&1 | true`)
    // fails with EPIPE instead of killing the process. Children start with
    // the default action, since a caught signal is reset at exec.
    static void survivePipeErrors();

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace vantorel
