#pragma once

// The keyboard's 80 keys: for each key code, its names, where it sits on
// screen, where it sits in the keyboard's key table and which LED it drives.
// All data are compile-time tables; lookups of unknown codes or names give
// nullptr so that stray values (another keyboard's keys, foreign rows) are
// harmless.

#include <cstddef>
#include <cstdint>
#include <optional>
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

// One entry of the name map (keys of a full-size keyboard plus Fn).
struct NameKeyInfo {
    std::string_view key_name;
    int key_code;
    std::string_view short_name, full_name;
    Keyboard_EN_Type key_type;
};

// The 80 keys in table order (escape first, right arrow last).
std::span<const KeyInfo> allKeys();
// nullptr when the code is not a key of this keyboard.
const KeyInfo* findKeyByCode(int code);
// nullptr when the name is not a key of this keyboard.
const KeyInfo* findKeyByName(std::string_view name);
// The key at an on-screen position 0..79; nullptr outside that range.
const KeyInfo* findKeyByLayoutIndex(int layoutIndex);

// The process-wide maps every lookup goes through. They are fixed data and
// so are filled from the start: a lookup can never meet an empty map.
class SuperKeyCodeMap {
  public:
    std::span<const KeyInfo> entries() const { return allKeys(); }
    std::size_t size() const { return entries().size(); }
    const KeyInfo* find(int code) const { return findKeyByCode(code); }
};

class SuperKeyNameMap {
  public:
    std::span<const NameKeyInfo> entries() const;
    std::size_t size() const { return entries().size(); }
    // nullptr when the name is not a key of a full-size keyboard.
    const NameKeyInfo* find(std::string_view name) const;
};

inline constexpr SuperKeyCodeMap G_KB_SuperKeyCodeMap{};
inline constexpr SuperKeyNameMap G_KB_SuperKeyNameMap{};

// "code of name": the key code the on-screen keyboard's key name stands for.
std::optional<int> codeOfName(std::string_view keyName);
// "label of name": the text shown for a key without an assignment.
std::optional<std::string_view> labelOfName(std::string_view keyName);
// The legend printed on a key cap: the short name, or a shorter one where
// that does not fit the cap; the name itself for names the map lacks.
std::string_view keyLegend(std::string_view keyName);

}  // namespace korvex
