#pragma once

// What a key can be made to do: the function types of an assignment, the
// values each type stores, the lists the custom key dialog offers, and the
// function panel's code table. Texts are ids into the language tables.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace korvex {

// Function types (`ProfileKey.macroType`). 5 and 9 to 13 are unused.
inline constexpr int kMacroTypeDefault = 1;
inline constexpr int kMacroTypeDisabled = 2;
inline constexpr int kMacroTypeKeyboard = 3;  // key, key + modifier, or media code
inline constexpr int kMacroTypeMacro = 4;
inline constexpr int kMacroTypeMouse = 6;
inline constexpr int kMacroTypeMultimedia = 7;
inline constexpr int kMacroTypeMacShortcut = 8;
inline constexpr int kMacroTypeThreeKeys = 14;  // stored by others, only uploaded

// Value stored with "Disable Keys".
inline constexpr int kDisabledKeyValue = 1;

// Media codes of the keyboard function type.
inline constexpr int kFirstMediaCode = 500;
inline constexpr int kLastMediaCode = 517;

// Modifier key codes (left control .. right GUI).
inline constexpr int kFirstModifierCode = 224;
inline constexpr int kLastModifierCode = 231;

// Macro play modes (`macro2Value` of a macro assignment) and loop counts
// (`macro3Value`, only for kPlayMultipleTimes).
inline constexpr int kPlayOnce = 0;
inline constexpr int kPlayMultipleTimes = 1;
inline constexpr int kStopWhenPressedAgain = 2;
inline constexpr int kMinLoopCount = 1;
inline constexpr int kMaxLoopCount = 255;

struct FunctionTypeInfo {
    int macroType;
    int textId;      // name in the dialog's function type list, 0 if absent there
    int menuTextId;  // name in the key menu, 0 if absent there
};

struct MouseFunction {
    int value;
    int textId;
};

struct MultimediaFunction {
    int value;
    int textId;
    std::uint16_t consumerUsage;  // HID Consumer page
};

// A Mac shortcut stands for a key stroke: an optional modifier and a key.
struct MacShortcut {
    int value;
    int textId;
    int modifierCode;  // 0 for none
    int keyCode;
};

struct MediaCode {
    int code;
    std::string_view short_name;
    std::uint16_t consumerUsage;  // HID Consumer page
};

struct CustomKeyFunc {
    int code;
    std::string_view short_name;  // stored as the description of a panel pick
};

// One row of a dialog combo box: the text id shown and the value stored.
struct ComboEntry {
    int textId;
    int mode;
};

inline constexpr std::array<FunctionTypeInfo, 7> kFunctionTypes{{
    {kMacroTypeDefault, 120, 101},
    {kMacroTypeDisabled, 0, 102},
    {kMacroTypeKeyboard, 121, 0},
    {kMacroTypeMacro, 123, 0},
    {kMacroTypeMouse, 122, 0},
    {kMacroTypeMultimedia, 124, 0},
    {kMacroTypeMacShortcut, 125, 0},
}};

inline constexpr std::array<MouseFunction, 8> kMouseFunctions{{
    {1, 131},  // Left Click
    {2, 132},  // Right Click
    {3, 133},  // Middle Click
    {4, 134},  // Double Click
    {5, 135},  // Scroll Up
    {6, 136},  // Scroll Down
    {7, 137},  // Mouse Button 4
    {8, 138},  // Mouse Button 5
}};

inline constexpr std::array<MultimediaFunction, 7> kMultimediaFunctions{{
    {1, 145, 0x00CD},  // Play / Pause
    {2, 146, 0x00B7},  // Stop
    {3, 147, 0x00B6},  // Previous
    {4, 148, 0x00B5},  // Next
    {5, 149, 0x00E9},  // Volume +
    {6, 150, 0x00EA},  // Volume -
    {7, 151, 0x00E2},  // Mute
}};

inline constexpr std::array<MacShortcut, 6> kMacShortcuts{{
    {1, 156, 0, 72},    // Backlight bright: Pause
    {2, 157, 0, 71},    // Backlight dim: Scroll Lock
    {3, 158, 228, 82},  // Mission control: Right Control + Up Arrow
    {4, 159, 227, 6},   // Copy: Command + C
    {5, 160, 227, 25},  // Paste: Command + V
    {6, 161, 227, 27},  // Cut: Command + X
}};

inline constexpr std::array<MediaCode, 18> kMediaCodes{{
    {500, "PC", 0x0194},
    {501, "Cal", 0x0192},
    {502, "Email", 0x018A},
    {503, "Multimedia", 0x0183},
    {504, "Play/Pause", 0x00CD},
    {505, "Stop", 0x00B7},
    {506, "Pre", 0x00B6},
    {507, "Next", 0x00B5},
    {508, "Vol Up", 0x00E9},
    {509, "Vol Down", 0x00EA},
    {510, "Vol Mute", 0x00E2},
    {511, "Web Home", 0x0223},
    {512, "Web Refresh", 0x0227},
    {513, "Web Stop", 0x0226},
    {514, "Web Backward", 0x0224},
    {515, "Web Foreward", 0x0225},
    {516, "Favorites", 0x022A},
    {517, "Web Search", 0x0221},
}};

inline constexpr int kCustomKeyFuncCount = 129;

// The function panel's code table: the media codes, then the 111 panel keys
// in panel order.
inline constexpr auto CustomKeyFuncCodeMap = [] {
    constexpr std::array<CustomKeyFunc, 111> keys{{
        {41, "Esc"},        {58, "F1"},         {59, "F2"},
        {60, "F3"},         {61, "F4"},         {62, "F5"},
        {63, "F6"},         {64, "F7"},         {65, "F8"},
        {66, "F9"},         {67, "F10"},        {68, "F11"},
        {69, "F12"},        {70, "PRTSC"},      {71, "SCRLK"},
        {72, "Pause"},      {53, "`"},          {30, "1"},
        {31, "2"},          {32, "3"},          {33, "4"},
        {34, "5"},          {35, "6"},          {36, "7"},
        {37, "8"},          {38, "9"},          {39, "0"},
        {45, "-"},          {46, "="},          {137, "K14"},
        {42, "Back"},       {73, "Ins"},        {74, "Home"},
        {75, "Page Up"},    {83, "Num"},        {84, "/"},
        {85, "*"},          {86, "-"},          {43, "Tab"},
        {20, "Q"},          {26, "W"},          {8, "E"},
        {21, "R"},          {23, "T"},          {28, "Y"},
        {24, "U"},          {12, "I"},          {18, "O"},
        {19, "P"},          {47, "["},          {48, "]"},
        {49, "\\"},         {76, "Del"},        {77, "End"},
        {78, "Page Down"},  {95, "7"},          {96, "8"},
        {97, "9"},          {57, "CAPS"},       {4, "A"},
        {22, "S"},          {7, "D"},           {9, "F"},
        {10, "G"},          {11, "H"},          {13, "J"},
        {14, "K"},          {15, "L"},          {51, ";"},
        {52, "'"},          {50, "k42"},        {40, "Enter"},
        {92, "NumPad 4"},   {93, "NumPad 5"},   {94, "NumPad 6"},
        {87, "+"},          {225, "Shift"},     {100, "k45"},
        {29, "Z"},          {27, "X"},          {6, "C"},
        {25, "V"},          {5, "B"},           {17, "N"},
        {16, "M"},          {54, "<"},          {55, ">"},
        {56, "?"},          {135, "k56"},       {229, "Shift"},
        {82, "Up"},         {89, "1"},          {90, "2"},
        {91, "3"},          {224, "Left Ctrl"}, {226, "Option"},
        {227, "Command"},   {145, "k150"},      {44, "Space"},
        {144, "k151"},      {230, "Option"},    {231, "Command"},
        {175, "Fn"},        {101, "Menu"},      {228, "Right Ctrl"},
        {80, "Left Arrow"}, {81, "Down Arrow"}, {79, "Right Arrow"},
        {98, "0"},          {99, "."},          {88, "Enter"},
    }};
    std::array<CustomKeyFunc, kCustomKeyFuncCount> map{};
    std::size_t n = 0;
    for (const MediaCode& m : kMediaCodes) map[n++] = CustomKeyFunc{m.code, m.short_name};
    for (const CustomKeyFunc& k : keys) map[n++] = k;
    return map;
}();

// The custom key dialog's fixed lists, in the order shown.
inline constexpr std::array<ComboEntry, 6> keyFunctionTypeDatas{{
    {120, kMacroTypeDefault},
    {121, kMacroTypeKeyboard},
    {122, kMacroTypeMouse},
    {123, kMacroTypeMacro},
    {124, kMacroTypeMultimedia},
    {125, kMacroTypeMacShortcut},
}};

namespace detail {
// A function table as combo rows: its text id shown, its value stored.
template <typename T, std::size_t N>
constexpr std::array<ComboEntry, N> comboOf(const std::array<T, N>& table) {
    std::array<ComboEntry, N> out{};
    for (std::size_t i = 0; i < N; ++i) out[i] = {table[i].textId, table[i].value};
    return out;
}
}  // namespace detail

inline constexpr auto keyFunctionMouseDatas = detail::comboOf(kMouseFunctions);
inline constexpr auto keyFunctionMultimediaDatas = detail::comboOf(kMultimediaFunctions);
inline constexpr auto keyFunctionMacShortcutsDatas = detail::comboOf(kMacShortcuts);

inline constexpr std::array<ComboEntry, 3> keyFunctionMacroTypeDatas{{
    {168, kPlayOnce},              // Play once
    {169, kPlayMultipleTimes},     // Play multiple times
    {170, kStopWhenPressedAgain},  // Stop when pressed again
}};

// Every text id these tables name, in table order, each once: the language
// tables must hold all of them.
std::span<const int> catalogTextIds();

// Lookups; nullptr / nullopt / empty for values the tables lack.
const FunctionTypeInfo* findFunctionType(int macroType);
const MouseFunction* findMouseFunction(int value);
const MultimediaFunction* findMultimediaFunction(int value);
const MacShortcut* findMacShortcut(int value);
const MediaCode* findMediaCode(int code);
const CustomKeyFunc* findCustomKeyFunc(int code);
std::optional<std::string_view> customKeyFuncShortName(int code);

// The function combo of the dialog: shown for macros, mouse, multimedia and
// Mac shortcuts. The macro list is built from the macro store, so for
// macros (and for every other type) the fixed list is empty.
bool functionComboShown(int macroType);
std::span<const ComboEntry> fixedFunctionList(int macroType);

constexpr bool isModifierCode(int code) {
    return code >= kFirstModifierCode && code <= kLastModifierCode;
}
constexpr bool isMediaCode(int code) {
    return code >= kFirstMediaCode && code <= kLastMediaCode;
}

}  // namespace korvex
