#pragma once

#include "platform/Screens.h"

#include <QObject>
#include <xcb/xcb.h>

namespace vantorel {

class X11Connection;
class X11RawInput;

// The pointer's location from Qt (one QueryPointer round trip), and its next
// motion from the input extension's raw motion on the root window, selected
// only while someone waits for it. Raw events come from the device, so a
// pointer pushed against the display's edge still moves.
class X11Pointer : public QObject, public Pointer {
    Q_OBJECT
public:
    X11Pointer(X11Connection& connection, X11RawInput& rawInput);
    Point location() const override;
    bool notifyNextMotion(std::function<void()> onMotion) override;
    void cancelMotionNotice() override;

private:
    void handle(const xcb_generic_event_t* event);

    X11RawInput& raw_;
    std::function<void()> onMotion_;
    // Tells a notice already on its way from one dropped since.
    quint64 request_ = 0;
};

} // namespace vantorel
