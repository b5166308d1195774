#pragma once

#include "platform/AppHandle.h"

#include <QtGlobal>

namespace vantorel {

// Keys by the program's virtual key codes (positions on a US keyboard), as
// menu shortcuts name them. Only the keys the program sends are named here.
namespace VirtualKey {
inline constexpr quint16 W = 13;
inline constexpr quint16 N = 45;
inline constexpr quint16 P = 35;
} // namespace VirtualKey

// Modifier flags of a key chord. Command is the key of menu shortcuts; a
// desktop whose shortcuts use another key maps it there.
namespace KeyModifier {
inline constexpr quint64 Shift = 1ull << 17;
inline constexpr quint64 Control = 1ull << 18;
inline constexpr quint64 Option = 1ull << 19;
inline constexpr quint64 Command = 1ull << 20;
} // namespace KeyModifier

struct KeyChord {
    quint16 virtualKey = 0;
    quint64 modifiers = 0;
    friend bool operator==(const KeyChord&, const KeyChord&) = default;
};

// Synthetic key presses: a chord goes down and up again.
class KeyEvents {
public:
    virtual ~KeyEvents() = default;
    // To whatever has the keyboard, the frontmost application. False when it could not be posted.
    virtual bool postToFrontmost(const KeyChord& chord) = 0;
    // To one application even when it is not frontmost, where the desktop can
    // address one; false when it cannot (or the chord could not be posted).
    virtual bool postToApplication(AppHandle app, const KeyChord& chord) = 0;
};

} // namespace vantorel
