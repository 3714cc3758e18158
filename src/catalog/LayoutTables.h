#pragma once

// The layout lists and size tables behind KeyLayout.h and the rule that lays
// them out, all evaluated at compile time.

#include <array>
#include <cstddef>
#include <string_view>

#include "catalog/KeyLayout.h"
#include "catalog/KeyTables.h"

namespace korvex {

// The names under which widths are looked up in a size table.
enum class KeySize {
    normal,
    icon,
    backspace,
    tab,
    backslash,
    capsLock,
    enter,
    leftShift,
    rightShift,
    bottomNormal,
    space,
    count
};

struct SizeTables {
    std::array<int, static_cast<std::size_t>(KeySize::count)> width;
    int height;               // "normal"
    std::array<int, 9> yPos;  // row number -> y; row 0 unused
    int container_margin_left;
    int key_separator;
    constexpr int widthOf(KeySize s) const { return width[static_cast<std::size_t>(s)]; }
};

// An entry as written: the size by name, or a literal where no table value
// fits (the double-height keypad keys and the wide keypad 0).
struct LayoutSpec {
    std::string_view key_standard_name;
    int key_code;  // function panel only; 0 on the keyboard
    KeySize size;
    int literal_width;   // 0: use the size table
    int literal_height;  // 0: use the size table
    int row_num;
    int left_extra_width;
    int has_seperator;
    bool first_key;
};

// A built entry with its size resolved.
struct LayoutEntry {
    std::string_view key_standard_name;
    int key_code;
    std::string_view key_icon;
    int width, height;
    int row_num;
    int left_extra_width;
    int has_seperator;
    bool first_key;
};

inline constexpr SizeTables kKeyboardSizes{
    // normal icon backspace tab backslash capsLock enter lShift rShift bottomNormal space
    {37, 37, 78, 58, 58, 68, 88, 86, 66, 47, 246}, 35, {0, 206, 157, 121, 83, 47, 12, 41, 5}, 10, 3,
};

inline constexpr SizeTables kFunctionPanelSizes{
    {32, 39, 42, 56, 51, 60, 47, 37, 70, 40, 94}, 32, {0, 208, 175, 142, 109, 76, 43, 10, 0}, 9, 1,
};

namespace detail {

struct KeyboardSpec {
    std::string_view key_standard_name;
    KeySize size;
    int row_num;
    int left_extra_width;
    int has_seperator;
    bool first_key;
};

inline constexpr std::array<KeyboardSpec, kKeyCount> kKeyboardSpecs{{
    {"escape", KeySize::normal, 1, 0, 0, true},
    {"f1", KeySize::normal, 1, 40, 1, false},
    {"f2", KeySize::normal, 1, 1, 1, false},
    {"f3", KeySize::normal, 1, 1, 1, false},
    {"f4", KeySize::normal, 1, 0, 1, false},
    {"f5", KeySize::normal, 1, 20, 0, false},
    {"f6", KeySize::normal, 1, 1, 1, false},
    {"f7", KeySize::normal, 1, 1, 1, false},
    {"f8", KeySize::normal, 1, 1, 1, false},
    {"f9", KeySize::normal, 1, 20, 0, false},
    {"f10", KeySize::normal, 1, 1, 1, false},
    {"f11", KeySize::normal, 1, 1, 0, false},
    {"f12", KeySize::normal, 1, 1, 1, false},
    {"backtick", KeySize::normal, 2, 0, 0, true},
    {"i1", KeySize::normal, 2, 1, 1, false},
    {"i2", KeySize::normal, 2, 0, 1, false},
    {"i3", KeySize::normal, 2, 1, 0, false},
    {"i4", KeySize::normal, 2, 1, 1, false},
    {"i5", KeySize::normal, 2, 0, 1, false},
    {"i6", KeySize::normal, 2, 1, 1, false},
    {"i7", KeySize::normal, 2, 1, 1, false},
    {"i8", KeySize::normal, 2, 0, 1, false},
    {"i9", KeySize::normal, 2, 1, 0, false},
    {"i0", KeySize::normal, 2, 0, 1, false},
    {"minus", KeySize::normal, 2, 1, 1, false},
    {"equal", KeySize::normal, 2, 1, 1, false},
    {"backspace", KeySize::backspace, 2, 1, 0, false},
    {"delete", KeySize::normal, 2, 8, 0, false},
    {"tab", KeySize::tab, 3, 0, 0, true},
    {"q", KeySize::normal, 3, 1, 1, false},
    {"w", KeySize::normal, 3, 1, 0, false},
    {"e", KeySize::normal, 3, 1, 1, false},
    {"r", KeySize::normal, 3, 1, 0, false},
    {"t", KeySize::normal, 3, 1, 1, false},
    {"y", KeySize::normal, 3, 1, 0, false},
    {"u", KeySize::normal, 3, 1, 1, false},
    {"i", KeySize::normal, 3, 1, 1, false},
    {"o", KeySize::normal, 3, 1, 1, false},
    {"p", KeySize::normal, 3, 1, 0, false},
    {"leftBracket", KeySize::normal, 3, 1, 1, false},
    {"rightBracket", KeySize::normal, 3, 1, 0, false},
    {"backslash", KeySize::backslash, 3, 1, 1, false},
    {"pageUp", KeySize::normal, 3, 7, 1, false},
    {"capsLock", KeySize::capsLock, 4, 0, 0, true},
    {"a", KeySize::normal, 4, 1, 1, false},
    {"s", KeySize::normal, 4, 0, 1, false},
    {"d", KeySize::normal, 4, 1, 1, false},
    {"f", KeySize::normal, 4, 1, 1, false},
    {"g", KeySize::normal, 4, 1, 1, false},
    {"h", KeySize::normal, 4, 1, 0, false},
    {"j", KeySize::normal, 4, 1, 1, false},
    {"k", KeySize::normal, 4, 1, 0, false},
    {"l", KeySize::normal, 4, 1, 1, false},
    {"semicolon", KeySize::normal, 4, 1, 0, false},
    {"quote", KeySize::normal, 4, 1, 1, false},
    {"enter", KeySize::enter, 4, 1, 0, false},
    {"pageDown", KeySize::normal, 4, 8, 1, false},
    {"leftShift", KeySize::leftShift, 5, 0, 0, true},
    {"z", KeySize::normal, 5, 1, 1, false},
    {"x", KeySize::normal, 5, 1, 1, false},
    {"c", KeySize::normal, 5, 1, 0, false},
    {"v", KeySize::normal, 5, 1, 1, false},
    {"b", KeySize::normal, 5, 1, 0, false},
    {"n", KeySize::normal, 5, 1, 1, false},
    {"m", KeySize::normal, 5, 1, 1, false},
    {"comma", KeySize::normal, 5, 1, 1, false},
    {"period", KeySize::normal, 5, 1, 0, false},
    {"slash", KeySize::normal, 5, 1, 1, false},
    {"rightShift", KeySize::rightShift, 5, 1, 1, false},
    {"upArrow", KeySize::normal, 7, 6, 1, false},
    {"leftControl", KeySize::bottomNormal, 6, 0, 0, true},
    {"leftWin", KeySize::bottomNormal, 6, 1, 1, false},
    {"leftAlt", KeySize::bottomNormal, 6, 1, 0, false},
    {"space", KeySize::space, 6, 1, 1, false},
    {"rightAlt", KeySize::normal, 6, 1, 1, false},
    {"fn", KeySize::normal, 6, 1, 0, false},
    {"rightControl", KeySize::normal, 6, 1, 1, false},
    {"leftArrow", KeySize::normal, 8, 8, 0, false},
    {"downArrow", KeySize::normal, 8, 1, 1, false},
    {"rightArrow", KeySize::normal, 8, 1, 1, false},
}};

// Every tile has the separator gap before it.
inline constexpr std::array<LayoutSpec, 111> kFunctionPanelSpecs{{
    {"Esc", 41, KeySize::normal, 0, 0, 2, 0, 1, true},
    {"F1", 58, KeySize::normal, 0, 0, 2, 37, 1, false},
    {"F2", 59, KeySize::normal, 0, 0, 2, 0, 1, false},
    {"F3", 60, KeySize::normal, 0, 0, 2, 0, 1, false},
    {"F4", 61, KeySize::normal, 0, 0, 2, 0, 1, false},
    {"F5", 62, KeySize::normal, 0, 0, 2, 20, 1, false},
    {"F6", 63, KeySize::normal, 0, 0, 2, 0, 1, false},
    {"F7", 64, KeySize::normal, 0, 0, 2, 0, 1, false},
    {"F8", 65, KeySize::normal, 0, 0, 2, 0, 1, false},
    {"F9", 66, KeySize::normal, 0, 0, 2, 19, 1, false},
    {"F10", 67, KeySize::normal, 0, 0, 2, 0, 1, false},
    {"F11", 68, KeySize::normal, 0, 0, 2, 0, 1, false},
    {"F12", 69, KeySize::normal, 0, 0, 2, 0, 1, false},
    {"Print", 70, KeySize::normal, 0, 0, 2, 12, 1, false},
    {"Scroll", 71, KeySize::normal, 0, 0, 2, 0, 1, false},
    {"Pause", 72, KeySize::normal, 0, 0, 2, 0, 1, false},
    {"～", 53, KeySize::normal, 0, 0, 3, 0, 1, true},
    {"1", 30, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"2", 31, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"3", 32, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"4", 33, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"5", 34, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"6", 35, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"7", 36, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"8", 37, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"9", 38, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"0", 39, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"-_", 45, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"=+", 46, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"K14", 137, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"Back", 42, KeySize::backspace, 0, 0, 3, 0, 1, false},
    {"Ins", 73, KeySize::normal, 0, 0, 3, 12, 1, false},
    {"Home", 74, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"PgUp", 75, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"Num", 83, KeySize::normal, 0, 0, 3, 12, 1, false},
    {"/", 84, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"*", 85, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"-", 86, KeySize::normal, 0, 0, 3, 0, 1, false},
    {"Tab", 43, KeySize::tab, 0, 0, 4, 0, 1, true},
    {"Q", 20, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"W", 26, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"E", 8, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"R", 21, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"T", 23, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"Y", 28, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"U", 24, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"I", 12, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"O", 18, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"P", 19, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"[", 47, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"]", 48, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"\\|", 49, KeySize::backslash, 0, 0, 4, 0, 1, false},
    {"Del", 76, KeySize::normal, 0, 0, 4, 12, 1, false},
    {"End", 77, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"PgDn", 78, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"7", 95, KeySize::normal, 0, 0, 4, 12, 1, false},
    {"8", 96, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"9", 97, KeySize::normal, 0, 0, 4, 0, 1, false},
    {"Caps", 57, KeySize::capsLock, 0, 0, 5, 0, 1, true},
    {"A", 4, KeySize::normal, 0, 0, 5, 0, 1, false},
    {"S", 22, KeySize::normal, 0, 0, 5, 0, 1, false},
    {"D", 7, KeySize::normal, 0, 0, 5, 0, 1, false},
    {"F", 9, KeySize::normal, 0, 0, 5, 0, 1, false},
    {"G", 10, KeySize::normal, 0, 0, 5, 0, 1, false},
    {"H", 11, KeySize::normal, 0, 0, 5, 0, 1, false},
    {"J", 13, KeySize::normal, 0, 0, 5, 0, 1, false},
    {"K", 14, KeySize::normal, 0, 0, 5, 0, 1, false},
    {"L", 15, KeySize::normal, 0, 0, 5, 0, 1, false},
    {";:", 51, KeySize::normal, 0, 0, 5, 0, 1, false},
    {"'", 52, KeySize::normal, 0, 0, 5, 0, 1, false},
    {"k42", 50, KeySize::normal, 0, 0, 5, 0, 1, false},
    {"Enter", 40, KeySize::enter, 0, 0, 5, 0, 1, false},
    {"4", 92, KeySize::normal, 0, 0, 5, 123, 1, false},
    {"5", 93, KeySize::normal, 0, 0, 5, 0, 1, false},
    {"6", 94, KeySize::normal, 0, 0, 5, 0, 1, false},
    {"+", 87, KeySize::normal, 0, 66, 5, 0, 1, false},
    {"Shift", 225, KeySize::leftShift, 0, 0, 6, 0, 1, true},
    {"K45", 100, KeySize::normal, 0, 0, 6, 0, 1, false},
    {"Z", 29, KeySize::normal, 0, 0, 6, 0, 1, false},
    {"X", 27, KeySize::normal, 0, 0, 6, 0, 1, false},
    {"C", 6, KeySize::normal, 0, 0, 6, 0, 1, false},
    {"V", 25, KeySize::normal, 0, 0, 6, 0, 1, false},
    {"B", 5, KeySize::normal, 0, 0, 6, 0, 1, false},
    {"N", 17, KeySize::normal, 0, 0, 6, 0, 1, false},
    {"M", 16, KeySize::normal, 0, 0, 6, 0, 1, false},
    {",<", 54, KeySize::normal, 0, 0, 6, 0, 1, false},
    {".>", 55, KeySize::normal, 0, 0, 6, 0, 1, false},
    {"/?", 56, KeySize::normal, 0, 0, 6, 0, 1, false},
    {"K56", 135, KeySize::normal, 0, 0, 6, 0, 1, false},
    {"Shift", 229, KeySize::rightShift, 0, 0, 6, 0, 1, false},
    {"Up", 82, KeySize::normal, 0, 0, 6, 45, 1, false},
    {"1", 89, KeySize::normal, 0, 0, 6, 45, 1, false},
    {"2", 90, KeySize::normal, 0, 0, 6, 0, 1, false},
    {"3", 91, KeySize::normal, 0, 0, 6, 0, 1, false},
    {"Ctrl", 224, KeySize::bottomNormal, 0, 0, 7, 0, 1, true},
    {"Cmd", 227, KeySize::bottomNormal, 0, 0, 7, 0, 1, false},
    {"Option", 226, KeySize::bottomNormal, 0, 0, 7, 0, 1, false},
    {"K150", 145, KeySize::bottomNormal, 0, 0, 7, 0, 1, false},
    {"Space", 44, KeySize::space, 0, 0, 7, 0, 1, false},
    {"K151", 144, KeySize::bottomNormal, 0, 0, 7, 0, 1, false},
    {"Option", 230, KeySize::bottomNormal, 0, 0, 7, 0, 1, false},
    {"Cmd", 231, KeySize::bottomNormal, 0, 0, 7, 0, 1, false},
    {"Fn", 175, KeySize::bottomNormal, 0, 0, 7, 0, 1, false},
    {"App", 101, KeySize::bottomNormal, 0, 0, 7, 0, 1, false},
    {"Ctrl", 228, KeySize::bottomNormal, 0, 0, 7, 0, 1, false},
    {"Left", 80, KeySize::normal, 0, 0, 7, 12, 1, false},
    {"Down", 81, KeySize::normal, 0, 0, 7, 0, 1, false},
    {"Right", 79, KeySize::normal, 0, 0, 7, 0, 1, false},
    {"0", 98, KeySize::normal, 65, 0, 7, 12, 1, false},
    {".", 99, KeySize::normal, 0, 0, 7, 0, 1, false},
    {"Enter", 88, KeySize::normal, 0, 66, 7, 0, 1, false},
}};

constexpr LayoutEntry resolve(const LayoutSpec& s, const SizeTables& t) {
    return LayoutEntry{s.key_standard_name,
                       s.key_code,
                       std::string_view{},
                       s.literal_width ? s.literal_width : t.widthOf(s.size),
                       s.literal_height ? s.literal_height : t.height,
                       s.row_num,
                       s.left_extra_width,
                       s.has_seperator,
                       s.first_key};
}

// Only "first_key" restarts x at the margin; a new row alone continues from
// the end of the previous key. Each rectangle is inset by one point.
template <std::size_t N>
constexpr std::array<Rect, N> layOut(const std::array<LayoutEntry, N>& entries,
                                     const SizeTables& t) {
    std::array<Rect, N> rects{};
    const int left = t.container_margin_left;
    int end = 0;
    for (std::size_t i = 0; i < N; ++i) {
        const LayoutEntry& e = entries[i];
        const int y = t.yPos[static_cast<std::size_t>(e.row_num)];
        int x = e.first_key ? left + 1 : end;
        if (e.has_seperator == 1) x += t.key_separator;
        x += e.left_extra_width;
        rects[i] = Rect{static_cast<double>(x + 1), static_cast<double>(y + 1),
                        static_cast<double>(e.width - 2), static_cast<double>(e.height - 2)};
        end = x + e.width;
    }
    return rects;
}

}  // namespace detail

inline constexpr auto KB_108KLayout_Keys = [] {
    std::array<LayoutEntry, kKeyCount> out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto& s = detail::kKeyboardSpecs[i];
        out[i] = detail::resolve(LayoutSpec{s.key_standard_name, 0, s.size, 0, 0, s.row_num,
                                            s.left_extra_width, s.has_seperator, s.first_key},
                                 kKeyboardSizes);
    }
    return out;
}();

inline constexpr auto CustomKeyFuncLayout_Keys = [] {
    std::array<LayoutEntry, detail::kFunctionPanelSpecs.size()> out{};
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = detail::resolve(detail::kFunctionPanelSpecs[i], kFunctionPanelSizes);
    return out;
}();

inline constexpr auto kKeyboardRects = detail::layOut(KB_108KLayout_Keys, kKeyboardSizes);
inline constexpr auto kFunctionPanelRects =
    detail::layOut(CustomKeyFuncLayout_Keys, kFunctionPanelSizes);

}  // namespace korvex
