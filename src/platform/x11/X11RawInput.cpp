#include "platform/x11/X11RawInput.h"

#include "core/Log.h"
#include "platform/x11/X11Connection.h"

#include <xcb/xinput.h>

namespace vantorel {

X11RawInput::X11RawInput(X11Connection& connection) : x_(connection) {}

bool X11RawInput::isAvailable() {
    if (probed_)
        return opcode_.has_value();
    probed_ = true;
    xcb_connection_t* c = x_.connection();
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_input_id);
    if (!ext || !ext->present)
        return false;
    // Raw events reach every watcher, grab or not, from version 2.1 on.
    auto version = xreply(xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
    if (!version || version->major_version < 2 || (version->major_version == 2 && version->minor_version < 1)) {
        Log::app().info(QStringLiteral("The X server has no raw input events"));
        return false;
    }
    opcode_ = ext->major_opcode;
    return true;
}

void X11RawInput::select(uint32_t bits, bool on) {
    const uint32_t mask = on ? (mask_ | bits) : (mask_ & ~bits);
    if (mask == mask_ || !isAvailable())
        return;
    mask_ = mask;
    struct {
        xcb_input_event_mask_t head;
        uint32_t mask;
    } request{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, mask};
    xcb_connection_t* c = x_.connection();
    // Checked: one round trip, after which the server delivers by the new mask.
    if (auto* error = xcb_request_check(c, xcb_input_xi_select_events_checked(c, x_.root(), 1, &request.head)))
        std::free(error);
}

std::optional<uint16_t> X11RawInput::eventType(const xcb_generic_event_t* event) const {
    if (!opcode_ || (event->response_type & ~0x80) != XCB_GE_GENERIC)
        return std::nullopt;
    const auto* ge = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
    if (ge->extension != *opcode_)
        return std::nullopt;
    return ge->event_type;
}

} // namespace vantorel
