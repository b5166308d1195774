#pragma once

#include <cstdint>
#include <optional>
#include <xcb/xcb.h>

namespace vantorel {

class X11Connection;

// The input extension's raw events on the root window of the backend's
// connection. The server keeps one event mask per client, window and device,
// so everyone who watches raw events selects them through here.
class X11RawInput {
public:
    explicit X11RawInput(X11Connection& connection);

    // Whether the display has raw events (input extension 2.1 or later).
    bool isAvailable();
    // Adds or removes XCB_INPUT_XI_EVENT_MASK_RAW_* bits; the new selection
    // is in effect at the server when this returns.
    void select(uint32_t bits, bool on);
    // The type (XCB_INPUT_*) of one of the extension's events, else nothing.
    std::optional<uint16_t> eventType(const xcb_generic_event_t* event) const;

private:
    X11Connection& x_;
    std::optional<uint8_t> opcode_;
    bool probed_ = false;
    uint32_t mask_ = 0;
};

} // namespace vantorel
