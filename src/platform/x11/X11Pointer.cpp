#include "platform/x11/X11Pointer.h"

#include "platform/x11/X11Connection.h"
#include "platform/x11/X11RawInput.h"

#include <QCursor>
#include <utility>
#include <xcb/xinput.h>

namespace vantorel {

X11Pointer::X11Pointer(X11Connection& connection, X11RawInput& rawInput) : raw_(rawInput) {
    connection.addEventHandler([this](const xcb_generic_event_t* event) { handle(event); });
}

Point X11Pointer::location() const {
    return ScreenSpace::fromPrimaryScreen().fromQt(QPointF(QCursor::pos()));
}

bool X11Pointer::notifyNextMotion(std::function<void()> onMotion) {
    if (!raw_.isAvailable())
        return false;
    ++request_;
    onMotion_ = std::move(onMotion);
    raw_.select(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION, true);
    return true;
}

void X11Pointer::cancelMotionNotice() {
    ++request_;
    onMotion_ = nullptr;
    raw_.select(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION, false);
}

void X11Pointer::handle(const xcb_generic_event_t* event) {
    if (!onMotion_ || raw_.eventType(event) != XCB_INPUT_RAW_MOTION)
        return;
    // One notice: the rest of the motion costs nothing until the next request.
    raw_.select(XCB_INPUT_XI_EVENT_MASK_RAW_MOTION, false);
    // Out of the connection's event dispatch, and not after a cancel.
    QMetaObject::invokeMethod(
        this,
        [this, request = request_, fn = std::exchange(onMotion_, nullptr)] {
            if (request == request_)
                fn();
        },
        Qt::QueuedConnection);
}

} // namespace vantorel
