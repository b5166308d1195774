#include "platform/x11/X11KeyEvents.h"

#include "core/Log.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Workspace.h"

#include <algorithm>
#include <xcb/xtest.h>

namespace vantorel {

namespace {
// Virtual key codes (positions on a US keyboard) and the keysyms of those
// keys: letters, digits and punctuation, then Return, Tab, Space, Delete
// (backspace), Escape, Home, Page Up, forward Delete, End, Page Down, arrows.
constexpr std::pair<quint16, xcb_keysym_t> kKeys[] = {
    {0, 'a'},      {1, 's'},      {2, 'd'},      {3, 'f'},      {4, 'h'},      {5, 'g'},      {6, 'z'},
    {7, 'x'},      {8, 'c'},      {9, 'v'},      {11, 'b'},     {12, 'q'},     {13, 'w'},     {14, 'e'},
    {15, 'r'},     {16, 'y'},     {17, 't'},     {18, '1'},     {19, '2'},     {20, '3'},     {21, '4'},
    {22, '6'},     {23, '5'},     {24, '='},     {25, '9'},     {26, '7'},     {27, '-'},     {28, '8'},
    {29, '0'},     {30, ']'},     {31, 'o'},     {32, 'u'},     {33, '['},     {34, 'i'},     {35, 'p'},
    {36, 0xff0d},  {37, 'l'},     {38, 'j'},     {39, '\''},    {40, 'k'},     {41, ';'},     {42, '\\'},
    {43, ','},     {44, '/'},     {45, 'n'},     {46, 'm'},     {47, '.'},     {48, 0xff09},  {49, ' '},
    {50, '`'},     {51, 0xff08},  {53, 0xff1b},  {115, 0xff50}, {116, 0xff55}, {117, 0xffff}, {119, 0xff57},
    {121, 0xff56}, {123, 0xff51}, {124, 0xff53}, {125, 0xff54}, {126, 0xff52},
};
constexpr xcb_keysym_t kShiftL = 0xffe1, kControlL = 0xffe3, kAltL = 0xffe9;
} // namespace

std::optional<xcb_keysym_t> keysymForVirtualKey(quint16 virtualKey) {
    for (const auto& [key, sym] : kKeys)
        if (key == virtualKey)
            return sym;
    return std::nullopt;
}

std::vector<xcb_keysym_t> modifierKeysyms(quint64 modifiers) {
    std::vector<xcb_keysym_t> out;
    if (modifiers & (KeyModifier::Command | KeyModifier::Control))
        out.push_back(kControlL);
    if (modifiers & KeyModifier::Option)
        out.push_back(kAltL);
    if (modifiers & KeyModifier::Shift)
        out.push_back(kShiftL);
    return out;
}

X11KeyEvents::X11KeyEvents(X11Connection& x, X11Workspace& workspace) : x_(x), workspace_(workspace) {
    auto version =
        xreply(xcb_test_get_version_reply(x_.connection(), xcb_test_get_version(x_.connection(), 2, 2), nullptr));
    hasXTest_ = version != nullptr;
    readKeyboardMapping();
    x_.addEventHandler([this](const xcb_generic_event_t* e) {
        if ((e->response_type & 0x7f) == XCB_MAPPING_NOTIFY)
            keysyms_.clear(); // read again when next needed
    });
}

void X11KeyEvents::readKeyboardMapping() {
    const xcb_setup_t* setup = xcb_get_setup(x_.connection());
    firstKeycode_ = setup->min_keycode;
    const uint8_t count = static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    auto reply = xreply(xcb_get_keyboard_mapping_reply(
        x_.connection(), xcb_get_keyboard_mapping(x_.connection(), firstKeycode_, count), nullptr));
    if (!reply)
        return;
    keysymsPerKeycode_ = reply->keysyms_per_keycode;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply.get());
    keysyms_.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(reply.get()));
}

std::optional<xcb_keycode_t> X11KeyEvents::keycodeFor(xcb_keysym_t keysym) {
    if (keysyms_.empty())
        readKeyboardMapping();
    if (keysymsPerKeycode_ <= 0)
        return std::nullopt;
    // The unshifted and shifted symbols of each key; a key that types the symbol without a level switch.
    const int levels = std::min(keysymsPerKeycode_, 2);
    for (std::size_t i = 0; i + static_cast<std::size_t>(keysymsPerKeycode_) <= keysyms_.size();
         i += static_cast<std::size_t>(keysymsPerKeycode_))
        for (int level = 0; level < levels; ++level)
            if (keysyms_[i + static_cast<std::size_t>(level)] == keysym)
                return static_cast<xcb_keycode_t>(firstKeycode_ + i / static_cast<std::size_t>(keysymsPerKeycode_));
    return std::nullopt;
}

bool X11KeyEvents::postToFrontmost(const KeyChord& chord) {
    if (!hasXTest_)
        return false;
    const auto sym = keysymForVirtualKey(chord.virtualKey);
    const auto key = sym ? keycodeFor(*sym) : std::nullopt;
    if (!key) {
        Log::app().error(QStringLiteral("No key on this keyboard for virtual key %1").arg(chord.virtualKey));
        return false;
    }
    std::vector<xcb_keycode_t> held;
    for (xcb_keysym_t modifier : modifierKeysyms(chord.modifiers))
        if (const auto code = keycodeFor(modifier))
            held.push_back(*code);
    xcb_connection_t* c = x_.connection();
    auto press = [c](uint8_t type, xcb_keycode_t code) {
        xcb_test_fake_input(c, type, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    };
    for (xcb_keycode_t code : held)
        press(XCB_KEY_PRESS, code);
    press(XCB_KEY_PRESS, *key);
    press(XCB_KEY_RELEASE, *key);
    for (auto it = held.rbegin(); it != held.rend(); ++it)
        press(XCB_KEY_RELEASE, *it);
    x_.flush();
    return true;
}

bool X11KeyEvents::postToApplication(AppHandle app, const KeyChord& chord) {
    // The active window as the tracker has it now, not as the applications
    // were last grouped: keys must not go to the one that just lost the focus.
    const X11AppGroup* group = workspace_.group(app);
    const xcb_window_t active = workspace_.tracker().activeWindow();
    if (!group || !active || std::find(group->windows.begin(), group->windows.end(), active) == group->windows.end())
        return false;
    return postToFrontmost(chord);
}

} // namespace vantorel
