#include "ui/light/LightModes.h"

#include <array>

namespace korvex::lightmodes {

namespace {

struct Rgb {
    int r, g, b;
};

constexpr std::array<Rgb, kPresetCount> kPresets{{
    {255, 0, 0},
    {255, 0, 252},
    {126, 0, 255},
    {0, 0, 255},
    {0, 137, 253},
    {0, 252, 255},
    {51, 153, 51},
    {0, 255, 0},
    {180, 255, 0},
    {255, 246, 0},
    {255, 168, 0},
    {234, 84, 19},
    {255, 255, 255},
    {0, 0, 0},
}};

}  // namespace

int modeOfRow(int row) {
    if (row < 0 || row >= kRowCount) return -1;
    return row == kRowCount - 1 ? kModeOff : row + 1;
}

int rowOfMode(int mode) {
    for (int row = 0; row < kRowCount; ++row)
        if (modeOfRow(row) == mode) return row;
    return -1;
}

Directions directionsOf(int mode) {
    switch (mode) {
        case kModeScrolling:
            return Directions::UpDown;
        case 11:
        case 16:
        case 18:
            return Directions::LeftRight;
        default:
            return Directions::None;
    }
}

bool hasFixedColours(int mode) {
    return mode == kModeOff || mode == kModeColourful || mode == kModeSpectrum;
}

bool hasNoSpeed(int mode) {
    return mode == kModeOff || mode == kModeStatic;
}

std::optional<int> directionOfTag(int tag) {
    switch (tag) {
        case 200:
            return kDirectionUp;
        case 201:
            return kDirectionRight;
        case 202:
            return kDirectionLeft;
        case 203:
            return kDirectionDown;
        default:
            return std::nullopt;
    }
}

QColor presetColor(int n) {
    if (n < 1 || n > kPresetCount) return {};
    const Rgb& c = kPresets[static_cast<std::size_t>(n - 1)];
    return QColor(c.r, c.g, c.b);
}

int presetOfTag(int tag, int pickerTag) {
    const int n = tag - pickerTag;
    return n >= 1 && n <= kPresetCount ? n : 0;
}

int sleepTypeOfStored(const std::string& stored) {
    if (stored == "1") return 1;
    if (stored == "2") return 2;
    if (stored == "3") return 3;
    return 0;
}

ChannelInput channelInput(const QString& typed) {
    if (typed.isEmpty()) return {typed, std::nullopt};
    bool whole = false;
    const qlonglong n = typed.toLongLong(&whole);
    if (!whole) return {QStringLiteral("255"), 255};
    if (n > 255) return {QStringLiteral("255"), 255};
    if (n < 0) return {QStringLiteral("0"), 0};
    return {typed, static_cast<int>(n)};
}

std::int64_t packColor(const QColor& color) {
    return (std::int64_t{color.red()} << 16) | (std::int64_t{color.green()} << 8) | color.blue();
}

QColor unpackColor(std::int64_t rgb) {
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

}  // namespace korvex::lightmodes
