#pragma once

// Linux evdev key codes (what Qt reports as nativeScanCode() - 8 under X11
// and Wayland) to the key codes of the catalog. Codes without a counterpart
// give 0 ("none") rather than a guess, so a key we do not know is never
// recorded as some other key.

#include <cstdint>

namespace korvex {

// The HID Keyboard/Keypad usage of an evdev key, Fn as 175; 0 for none.
int hidUsageFromEvdev(int evdevCode);

// The HID Consumer usage of an evdev media key; 0 for none.
std::uint16_t consumerUsageFromEvdev(int evdevCode);

// The media code (500..517) of the keyboard function type that an evdev
// media key stands for; 0 for none.
int mediaCodeFromEvdev(int evdevCode);

}  // namespace korvex
