#pragma once

// The keyboard's 80 keys: for each key code, its names, where it sits on
// screen, where it sits in the keyboard's key table and which LED it drives.
// All data are compile-time tables; lookups of unknown codes or names give
// nullptr so that stray values (another keyboard's keys, foreign rows) are
// harmless.

#include <cstdint>
#include <span>
#include <string_view>

namespace korvex {

enum class Keyboard_EN_Type { flag = 0, normalKey = 1 };

// One entry of the code map. `key_type` is `flag` for modifier keys and
// `normalKey` for every other key.
struct KeyInfo {
    int code;
    std::string_view key_name, short_name, full_name;
    int layout_index, key_index, light_index;
    std::uint8_t rgb_r, rgb_g, rgb_b;
    Keyboard_EN_Type key_type;
};

inline constexpr int kKeyCount = 80;
inline constexpr int kFnKeyCode = 175;

// The 80 keys in table order (escape first, right arrow last).
std::span<const KeyInfo> allKeys();
// nullptr when the code is not a key of this keyboard.
const KeyInfo* findKeyByCode(int code);
// nullptr when the name is not a key of this keyboard.
const KeyInfo* findKeyByName(std::string_view name);
// The key at an on-screen position 0..79; nullptr outside that range.
const KeyInfo* findKeyByLayoutIndex(int layoutIndex);

}  // namespace korvex
