#pragma once

// The fixed tables behind KeyCatalog.h, kept in a header so that other
// compile-time tables (layout geometry) can be checked against them.

#include <algorithm>
#include <array>
#include <cstddef>

#include "catalog/KeyCatalog.h"

namespace korvex {

// Code map: key code -> names, positions, LED and default colour.
inline constexpr std::array<KeyInfo, kKeyCount> KB_108K_SuperKeyCodeMap{{
    {41, "escape", "Esc", "Escape", 0, 1, 1, 69, 0, 255, Keyboard_EN_Type::normalKey},
    {58, "f1", "F1", "F1", 1, 2, 2, 255, 0, 78, Keyboard_EN_Type::normalKey},
    {59, "f2", "F2", "F2", 2, 3, 3, 255, 0, 0, Keyboard_EN_Type::normalKey},
    {60, "f3", "F3", "F3", 3, 4, 4, 255, 69, 0, Keyboard_EN_Type::normalKey},
    {61, "f4", "F4", "F4", 4, 5, 5, 255, 255, 0, Keyboard_EN_Type::normalKey},
    {62, "f5", "F5", "F5", 5, 6, 6, 0, 255, 0, Keyboard_EN_Type::normalKey},
    {63, "f6", "F6", "F6", 6, 7, 7, 0, 255, 69, Keyboard_EN_Type::normalKey},
    {64, "f7", "F7", "F7", 7, 8, 8, 0, 255, 255, Keyboard_EN_Type::normalKey},
    {65, "f8", "F8", "F8", 8, 9, 9, 0, 255, 255, Keyboard_EN_Type::normalKey},
    {66, "f9", "F9", "F9", 9, 10, 10, 0, 255, 69, Keyboard_EN_Type::normalKey},
    {67, "f10", "F10", "F10", 10, 11, 11, 0, 255, 0, Keyboard_EN_Type::normalKey},
    {68, "f11", "F11", "F11", 11, 12, 12, 78, 255, 0, Keyboard_EN_Type::normalKey},
    {69, "f12", "F12", "F12", 12, 13, 13, 78, 255, 0, Keyboard_EN_Type::normalKey},
    {53, "backtick", "`", "backtick", 13, 19, 19, 255, 0, 255, Keyboard_EN_Type::normalKey},
    {30, "i1", "1", "1", 14, 20, 20, 255, 0, 78, Keyboard_EN_Type::normalKey},
    {31, "i2", "2", "2", 15, 21, 21, 255, 0, 0, Keyboard_EN_Type::normalKey},
    {32, "i3", "3", "3", 16, 22, 22, 255, 69, 0, Keyboard_EN_Type::normalKey},
    {33, "i4", "4", "4", 17, 23, 23, 255, 255, 0, Keyboard_EN_Type::normalKey},
    {34, "i5", "5", "5", 18, 24, 24, 78, 255, 0, Keyboard_EN_Type::normalKey},
    {35, "i6", "6", "6", 19, 25, 25, 0, 255, 0, Keyboard_EN_Type::normalKey},
    {36, "i7", "7", "7", 20, 26, 26, 0, 255, 69, Keyboard_EN_Type::normalKey},
    {37, "i8", "8", "8", 21, 27, 27, 0, 255, 255, Keyboard_EN_Type::normalKey},
    {38, "i9", "9", "9", 22, 28, 28, 0, 78, 255, Keyboard_EN_Type::normalKey},
    {39, "i0", "0", "0", 23, 29, 29, 0, 78, 255, Keyboard_EN_Type::normalKey},
    {45, "minus", "-", "-", 24, 30, 30, 0, 255, 255, Keyboard_EN_Type::normalKey},
    {46, "equal", "=", "=", 25, 31, 31, 0, 255, 69, Keyboard_EN_Type::normalKey},
    {42, "backspace", "Back", "Backspace", 26, 103, 103, 0, 255, 0, Keyboard_EN_Type::normalKey},
    {76, "delete", "Del", "Delete", 27, 119, 119, 78, 255, 0, Keyboard_EN_Type::normalKey},
    {43, "tab", "Tab", "Tab", 28, 37, 37, 255, 0, 78, Keyboard_EN_Type::normalKey},
    {20, "q", "Q", "Q", 29, 38, 38, 255, 0, 0, Keyboard_EN_Type::normalKey},
    {26, "w", "W", "W", 30, 39, 39, 255, 69, 0, Keyboard_EN_Type::normalKey},
    {8, "e", "E", "E", 31, 40, 40, 255, 255, 0, Keyboard_EN_Type::normalKey},
    {21, "r", "R", "R", 32, 41, 41, 78, 255, 0, Keyboard_EN_Type::normalKey},
    {23, "t", "T", "T", 33, 42, 42, 0, 255, 0, Keyboard_EN_Type::normalKey},
    {28, "y", "Y", "Y", 34, 43, 43, 0, 255, 69, Keyboard_EN_Type::normalKey},
    {24, "u", "U", "U", 35, 44, 44, 0, 255, 255, Keyboard_EN_Type::normalKey},
    {12, "i", "I", "I", 36, 45, 45, 0, 78, 255, Keyboard_EN_Type::normalKey},
    {18, "o", "O", "O", 37, 46, 46, 0, 0, 255, Keyboard_EN_Type::normalKey},
    {19, "p", "P", "P", 38, 47, 47, 0, 78, 255, Keyboard_EN_Type::normalKey},
    {47, "leftBracket", "[", "[", 39, 48, 48, 0, 255, 255, Keyboard_EN_Type::normalKey},
    {48, "rightBracket", "]", "]", 40, 49, 49, 0, 255, 69, Keyboard_EN_Type::normalKey},
    {49, "backslash", "\\", "\\", 41, 67, 67, 0, 255, 0, Keyboard_EN_Type::normalKey},
    {75, "pageUp", "Page Up", "Page Up", 42, 118, 118, 255, 69, 0, Keyboard_EN_Type::normalKey},
    {57, "capsLock", "CAPS", "Caps Lock", 43, 55, 55, 255, 0, 78, Keyboard_EN_Type::flag},
    {4, "a", "A", "A", 44, 56, 56, 255, 0, 0, Keyboard_EN_Type::normalKey},
    {22, "s", "S", "S", 45, 57, 57, 255, 69, 0, Keyboard_EN_Type::normalKey},
    {7, "d", "D", "D", 46, 58, 58, 255, 255, 0, Keyboard_EN_Type::normalKey},
    {9, "f", "F", "F", 47, 59, 59, 78, 255, 0, Keyboard_EN_Type::normalKey},
    {10, "g", "G", "G", 48, 60, 60, 0, 255, 0, Keyboard_EN_Type::normalKey},
    {11, "h", "H", "H", 49, 61, 61, 0, 255, 69, Keyboard_EN_Type::normalKey},
    {13, "j", "J", "J", 50, 62, 62, 0, 255, 255, Keyboard_EN_Type::normalKey},
    {14, "k", "K", "K", 51, 63, 63, 0, 78, 255, Keyboard_EN_Type::normalKey},
    {15, "l", "L", "L", 52, 64, 64, 0, 78, 255, Keyboard_EN_Type::normalKey},
    {51, "semicolon", ";", ";", 53, 65, 65, 0, 255, 255, Keyboard_EN_Type::normalKey},
    {52, "quote", "'", "'", 54, 66, 66, 0, 255, 69, Keyboard_EN_Type::normalKey},
    {40, "enter", "Enter", "Enter", 55, 85, 85, 0, 255, 0, Keyboard_EN_Type::normalKey},
    {78, "pageDown", "Page Down", "Page Down", 56, 121, 121, 255, 69, 0,
     Keyboard_EN_Type::normalKey},
    {225, "leftShift", "Shift", "Left Shift", 57, 73, 73, 255, 0, 255, Keyboard_EN_Type::flag},
    {29, "z", "Z", "Z", 58, 74, 74, 255, 0, 0, Keyboard_EN_Type::normalKey},
    {27, "x", "X", "X", 59, 75, 75, 255, 69, 0, Keyboard_EN_Type::normalKey},
    {6, "c", "C", "C", 60, 76, 76, 255, 255, 0, Keyboard_EN_Type::normalKey},
    {25, "v", "V", "V", 61, 77, 77, 78, 255, 0, Keyboard_EN_Type::normalKey},
    {5, "b", "B", "B", 62, 78, 78, 0, 255, 0, Keyboard_EN_Type::normalKey},
    {17, "n", "N", "N", 63, 79, 79, 0, 255, 69, Keyboard_EN_Type::normalKey},
    {16, "m", "M", "M", 64, 80, 80, 0, 255, 255, Keyboard_EN_Type::normalKey},
    {54, "comma", "<", "<", 65, 81, 81, 0, 255, 255, Keyboard_EN_Type::normalKey},
    {55, "period", ">", ">", 66, 82, 82, 0, 255, 255, Keyboard_EN_Type::normalKey},
    {56, "slash", "?", "?", 67, 83, 83, 0, 255, 69, Keyboard_EN_Type::normalKey},
    {229, "rightShift", "Shift", "Shift", 68, 84, 84, 0, 255, 0, Keyboard_EN_Type::flag},
    {82, "upArrow", "Up", "Up", 69, 101, 101, 255, 255, 0, Keyboard_EN_Type::normalKey},
    {224, "leftControl", "Left Ctrl", "Left Control", 70, 91, 91, 255, 0, 255,
     Keyboard_EN_Type::flag},
    {227, "leftWin", "Left Cmd", "Left Command", 71, 92, 92, 255, 0, 0, Keyboard_EN_Type::flag},
    {226, "leftAlt", "Option", "Option", 72, 93, 93, 255, 0, 255, Keyboard_EN_Type::flag},
    {44, "space", "Space", "Space", 73, 94, 94, 78, 255, 0, Keyboard_EN_Type::normalKey},
    {230, "rightAlt", "Option", "Option", 74, 95, 95, 0, 255, 69, Keyboard_EN_Type::flag},
    {175, "fn", "Fn", "Fn", 75, 96, 96, 0, 255, 0, Keyboard_EN_Type::normalKey},
    {228, "rightControl", "Right Ctrl", "Right Control", 76, 98, 98, 78, 255, 0,
     Keyboard_EN_Type::flag},
    {80, "leftArrow", "Left Arrow", "Left Arrow", 77, 99, 99, 255, 255, 0,
     Keyboard_EN_Type::normalKey},
    {81, "downArrow", "Down Arrow", "Down Arrow", 78, 100, 100, 255, 69, 0,
     Keyboard_EN_Type::normalKey},
    {79, "rightArrow", "Right Arrow", "Right Arrow", 79, 102, 102, 255, 0, 0,
     Keyboard_EN_Type::normalKey},
}};

namespace detail {

// key code -> position in KB_108K_SuperKeyCodeMap, -1 for none.
inline constexpr auto kCodeSlots = [] {
    std::array<int, 256> slots{};
    slots.fill(-1);
    for (std::size_t i = 0; i < KB_108K_SuperKeyCodeMap.size(); ++i)
        slots[static_cast<std::size_t>(KB_108K_SuperKeyCodeMap[i].code)] = static_cast<int>(i);
    return slots;
}();

// layout index -> position in KB_108K_SuperKeyCodeMap.
inline constexpr auto kLayoutSlots = [] {
    std::array<int, kKeyCount> slots{};
    for (std::size_t i = 0; i < KB_108K_SuperKeyCodeMap.size(); ++i)
        slots[static_cast<std::size_t>(KB_108K_SuperKeyCodeMap[i].layout_index)] =
            static_cast<int>(i);
    return slots;
}();

// Positions of a table sorted by a name, for binary search.
template <std::size_t N, typename NameOf>
constexpr std::array<int, N> sortedByName(NameOf nameOf) {
    std::array<int, N> order{};
    for (std::size_t i = 0; i < N; ++i) order[i] = static_cast<int>(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return nameOf(a) < nameOf(b); });
    return order;
}

template <std::size_t N, typename NameOf>
constexpr int findSortedName(const std::array<int, N>& order, std::string_view name,
                             NameOf nameOf) {
    const auto it = std::lower_bound(order.begin(), order.end(), name,
                                     [&](int i, std::string_view n) { return nameOf(i) < n; });
    return (it != order.end() && nameOf(*it) == name) ? *it : -1;
}

inline constexpr auto kCodeMapNameOrder = sortedByName<kKeyCount>(
    [](int i) { return KB_108K_SuperKeyCodeMap[static_cast<std::size_t>(i)].key_name; });

}  // namespace detail

// Name map: every key of a full-size keyboard plus Fn. The 80 keys of this
// keyboard come first, with the code map's codes and labels except six
// shorter labels; then the 29 keys this keyboard lacks.
inline constexpr int kNameMapSize = 109;

namespace detail {

struct LabelOverride {
    std::string_view key_name, short_name, full_name;
};

inline constexpr std::array<LabelOverride, 6> kNameMapLabels{{
    {"backspace", "<-", "<-"},
    {"capsLock", "Caps", "Caps"},
    {"leftShift", "Shift", "Shift"},
    {"leftControl", "Control", "Control"},
    {"leftWin", "Command", "Command"},
    {"leftAlt", "Option", "Option"},
}};

inline constexpr std::array<NameKeyInfo, kNameMapSize - kKeyCount> kFullSizeOnlyKeys{{
    {"printScreen", 70, "PRTSC", "Print Screen", Keyboard_EN_Type::normalKey},
    {"scrollLock", 71, "SCRLK", "Scroll Lock", Keyboard_EN_Type::normalKey},
    {"pause", 72, "Pause", "Pause", Keyboard_EN_Type::normalKey},
    {"calc", 209, "Cal", "Calculator", Keyboard_EN_Type::normalKey},
    {"volumeMute", 210, "Volume Mute", "Volume Mute", Keyboard_EN_Type::normalKey},
    {"volumeDown", 211, "Volume Down", "Volume Down", Keyboard_EN_Type::normalKey},
    {"volumeUp", 212, "Volume Up", "Volume UP", Keyboard_EN_Type::normalKey},
    {"insert", 73, "Ins", "Insert", Keyboard_EN_Type::normalKey},
    {"home", 74, "Home", "Home", Keyboard_EN_Type::normalKey},
    {"numpadLock", 83, "Numpad Lock", "Numpad Lock", Keyboard_EN_Type::normalKey},
    {"numpadDivide", 84, "Numpad /", "Numpad /", Keyboard_EN_Type::normalKey},
    {"numpadMultiply", 85, "Numpad *", "Numpad *", Keyboard_EN_Type::normalKey},
    {"numpadMinus", 86, "Numpad -", "Numpad -", Keyboard_EN_Type::normalKey},
    {"end", 77, "End", "End", Keyboard_EN_Type::normalKey},
    {"numpad7", 95, "Numpad 7", "Numpad 7", Keyboard_EN_Type::normalKey},
    {"numpad8", 96, "Numpad 8", "Numpad 8", Keyboard_EN_Type::normalKey},
    {"numpad9", 97, "Numpad 9", "Numpad 9", Keyboard_EN_Type::normalKey},
    {"numpadAdd", 87, "Numpad +", "Numpad +", Keyboard_EN_Type::normalKey},
    {"numpad4", 92, "Numpad 4", "Numpad 4", Keyboard_EN_Type::normalKey},
    {"numpad5", 93, "Numpad 5", "Numpad 5", Keyboard_EN_Type::normalKey},
    {"numpad6", 94, "Numpad 6", "Numpad 6", Keyboard_EN_Type::normalKey},
    {"numpad1", 89, "Numpad 1", "Numpad 1", Keyboard_EN_Type::normalKey},
    {"numpad2", 90, "Numpad 2", "Numpad 2", Keyboard_EN_Type::normalKey},
    {"numpad3", 91, "Numpad 3", "Numpad 3", Keyboard_EN_Type::normalKey},
    {"numpadEnter", 88, "Numpad Enter", "Numpad Enter", Keyboard_EN_Type::normalKey},
    {"rightWin", 231, "Right Cmd", "Right Cmd", Keyboard_EN_Type::flag},
    {"menu", 101, "Menu", "Menu", Keyboard_EN_Type::normalKey},
    {"numpad0", 98, "Numpad 0", "Numpad 0", Keyboard_EN_Type::normalKey},
    {"numpadPeriod", 99, "Numpad Period", "Numpad Period", Keyboard_EN_Type::normalKey},
}};

}  // namespace detail

inline constexpr auto KB_108K_SuperKeyNameMap = [] {
    std::array<NameKeyInfo, kNameMapSize> map{};
    std::size_t n = 0;
    for (const KeyInfo& k : KB_108K_SuperKeyCodeMap) {
        NameKeyInfo e{k.key_name, k.code, k.short_name, k.full_name, k.key_type};
        for (const auto& o : detail::kNameMapLabels) {
            if (o.key_name == k.key_name) {
                e.short_name = o.short_name;
                e.full_name = o.full_name;
            }
        }
        map[n++] = e;
    }
    for (const NameKeyInfo& e : detail::kFullSizeOnlyKeys) map[n++] = e;
    return map;
}();

namespace detail {
inline constexpr auto kNameMapNameOrder = sortedByName<kNameMapSize>(
    [](int i) { return KB_108K_SuperKeyNameMap[static_cast<std::size_t>(i)].key_name; });
}  // namespace detail

}  // namespace korvex
