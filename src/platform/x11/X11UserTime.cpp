#include "platform/x11/X11UserTime.h"

#include "platform/x11/X11Connection.h"

#include <QCoreApplication>
#include <cstring>

namespace vantorel {

namespace {
// XInput 2 device events: key press and release, button press and release, touch begin and end.
bool isXInputUserEvent(uint16_t type) {
    return (type >= 2 && type <= 5) || type == 18 || type == 20;
}
} // namespace

X11UserTime::X11UserTime(X11Connection& x) {
    // Qt reads pointer input through XInput 2 when the server has it; its
    // events arrive as generic events of that extension.
    const char name[] = "XInputExtension";
    auto reply = xreply(xcb_query_extension_reply(
        x.connection(), xcb_query_extension(x.connection(), sizeof(name) - 1, name), nullptr));
    if (reply && reply->present)
        xinputOpcode_ = reply->major_opcode;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installNativeEventFilter(this);
}

X11UserTime::~X11UserTime() {
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void X11UserTime::note(const xcb_generic_event_t* event) {
    const uint8_t type = event->response_type & 0x7f;
    switch (type) {
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE:
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE:
        // Key and button events share their layout: the time follows the sequence number.
        last_ = reinterpret_cast<const xcb_button_press_event_t*>(event)->time;
        return;
    case XCB_GE_GENERIC: {
        const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        if (!xinputOpcode_ || ge->extension != xinputOpcode_ || !isXInputUserEvent(ge->event_type))
            return;
        // A device event: the 8-byte header, event type (2 bytes), device id (2 bytes), then the time.
        uint32_t time = 0;
        std::memcpy(&time, reinterpret_cast<const char*>(event) + 12, sizeof time);
        last_ = time;
        return;
    }
    default:
        return;
    }
}

bool X11UserTime::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType == "xcb_generic_event_t")
        note(static_cast<const xcb_generic_event_t*>(message));
    return false;
}

} // namespace vantorel
