#pragma once

#include "platform/KeyEvents.h"

#include <optional>
#include <vector>
#include <xcb/xcb.h>

namespace vantorel {

class X11Connection;
class X11Workspace;

// The keysym of a virtual key code (a US keyboard's key at that position);
// none for a key the table does not know.
std::optional<xcb_keysym_t> keysymForVirtualKey(quint16 virtualKey);
// The modifier keys that make up the flags on this desktop. Menu shortcuts
// use Control here, so Command is Control too.
std::vector<xcb_keysym_t> modifierKeysyms(quint64 modifiers);

// Key chords typed through the XTEST extension: they reach whatever has the
// keyboard focus, as keys the user types do.
class X11KeyEvents : public KeyEvents {
public:
    X11KeyEvents(X11Connection& x, X11Workspace& workspace);

    bool postToFrontmost(const KeyChord& chord) override;
    // X has no way to type into an application that does not have the focus;
    // this works only for the frontmost one.
    bool postToApplication(AppHandle app, const KeyChord& chord) override;

private:
    std::optional<xcb_keycode_t> keycodeFor(xcb_keysym_t keysym);
    void readKeyboardMapping();

    X11Connection& x_;
    X11Workspace& workspace_;
    bool hasXTest_ = false;
    xcb_keycode_t firstKeycode_ = 0;
    int keysymsPerKeycode_ = 0;
    std::vector<xcb_keysym_t> keysyms_;
};

} // namespace vantorel
