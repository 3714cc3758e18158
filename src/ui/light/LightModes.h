#pragma once

// What the light pages share: the rows of the light mode list and what each
// mode allows, the fourteen preset colours, the direction buttons, the sleep
// time choices and the rule for typed colour channels.

#include <QColor>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

namespace korvex::lightmodes {

inline constexpr int kRowCount = 20;
inline constexpr int kFirstRowText = 500;  // row i shows text 500 + i
inline constexpr int kModeOff = 0;         // "Close Backlight", the last row
inline constexpr int kModeStatic = 1;
inline constexpr int kModeColourful = 6;
inline constexpr int kModeSpectrum = 8;
inline constexpr int kModeScrolling = 10;

// Setting bytes of a stored mode, as this page uses them.
inline constexpr std::size_t kByteRed = 1;
inline constexpr std::size_t kByteGreen = 2;
inline constexpr std::size_t kByteBlue = 3;
inline constexpr std::size_t kByteRandom = 8;
inline constexpr std::size_t kByteBrightness = 9;
inline constexpr std::size_t kByteSpeed = 10;
inline constexpr std::size_t kByteDirection = 11;

// Row 0..18 shows modes 1..19, row 19 mode 0; -1 outside the list.
int modeOfRow(int row);
// The first row showing `mode`; -1 when no row does.
int rowOfMode(int mode);

enum class Directions { None, UpDown, LeftRight };
Directions directionsOf(int mode);
// Modes whose colour is fixed by the effect (or dark): colours stay disabled
// and the random switch reads off.
bool hasFixedColours(int mode);
// Modes without a speed: the slider is disabled and shows 0.
bool hasNoSpeed(int mode);

// Direction values stored in byte 11.
inline constexpr int kDirectionLeft = 0;
inline constexpr int kDirectionRight = 1;
inline constexpr int kDirectionUp = 2;
inline constexpr int kDirectionDown = 3;
// Button tags 200..203 name up, right, left, down; other tags nothing.
std::optional<int> directionOfTag(int tag);

// Preset colours 1..14: light page tags 101..114, user light page 201..214.
inline constexpr int kPresetCount = 14;
inline constexpr int kLightPickerTag = 100;
inline constexpr int kUserLightPickerTag = 200;
QColor presetColor(int n);  // invalid outside 1..14
// The preset a colour button tag of a page stands for (tag - base); 0 none.
int presetOfTag(int tag, int pickerTag);

// Sleep time choices 0..3, radio tags 500..503, label texts 536..539.
inline constexpr int kSleepChoices = 4;
inline constexpr int kFirstSleepTag = 500;
inline constexpr int kFirstSleepText = 536;
// Stored "1", "2", "3" are themselves; everything else reads as 0.
int sleepTypeOfStored(const std::string& stored);

// One typed colour channel after the field's rule: text that is not a whole
// number becomes "255", larger values 255, negative ones 0. An empty field is
// left alone and gives no value, so clearing a field to type a new number
// does not apply white on the way.
struct ChannelInput {
    QString text;              // what the field shows afterwards
    std::optional<int> value;  // 0..255, none for an empty field
};
ChannelInput channelInput(const QString& typed);

// 0xRRGGBB of a colour's 8-bit channels, and back (fully opaque).
std::int64_t packColor(const QColor& color);
QColor unpackColor(std::int64_t rgb);

}  // namespace korvex::lightmodes
