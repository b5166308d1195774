#pragma once

#include <QAbstractNativeEventFilter>
#include <xcb/xcb.h>

namespace vantorel {

class X11Connection;

// The X server's time stamp of the user's last key or button on one of our
// own windows (a click on a button of the bar). Requests made for that action
// carry it: window managers that prevent focus stealing honour an activation
// or a new window only when it comes with a recent user time.
class X11UserTime : public QAbstractNativeEventFilter {
public:
    // Watches the events Qt receives for our windows once installed on the application.
    explicit X11UserTime(X11Connection& x);
    ~X11UserTime() override;

    // XCB_CURRENT_TIME until the first input.
    xcb_timestamp_t last() const { return last_; }
    // Takes the time of a key or button event, core or XInput 2; ignores the rest.
    void note(const xcb_generic_event_t* event);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    uint8_t xinputOpcode_ = 0;
    xcb_timestamp_t last_ = XCB_CURRENT_TIME;
};

} // namespace vantorel
