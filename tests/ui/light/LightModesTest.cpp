#include <gtest/gtest.h>

#include <set>

#include "ui/light/LightModes.h"

namespace korvex::lightmodes {
namespace {

TEST(LightModes, RowsShowEachModeOnceWithTheOffModeLast) {
    std::set<int> modes;
    for (int row = 0; row < kRowCount; ++row) {
        const int mode = modeOfRow(row);
        EXPECT_EQ(rowOfMode(mode), row);
        modes.insert(mode);
    }
    EXPECT_EQ(modes.size(), 20u);
    EXPECT_EQ(*modes.begin(), 0);
    EXPECT_EQ(*modes.rbegin(), 19);
    EXPECT_EQ(modeOfRow(kRowCount - 1), kModeOff);
    EXPECT_EQ(modeOfRow(-1), -1);
    EXPECT_EQ(modeOfRow(kRowCount), -1);
    EXPECT_EQ(rowOfMode(20), -1);
    EXPECT_EQ(rowOfMode(0x80), -1);
}

TEST(LightModes, DirectionTagsCoverEachDirectionOnce) {
    std::set<int> seen;
    for (int tag = 190; tag < 215; ++tag)
        if (auto d = directionOfTag(tag)) {
            EXPECT_GE(tag, 200);
            EXPECT_LE(tag, 203);
            seen.insert(*d);
        }
    EXPECT_EQ(seen, (std::set<int>{kDirectionLeft, kDirectionRight, kDirectionUp, kDirectionDown}));
    // Modes with direction buttons have a speed and colours of their own.
    for (int mode = 0; mode < 20; ++mode)
        if (directionsOf(mode) != Directions::None) {
            EXPECT_FALSE(hasNoSpeed(mode) || hasFixedColours(mode)) << mode;
        }
}

TEST(LightModes, PresetsBelongToTheirPage) {
    for (int n = 1; n <= kPresetCount; ++n) {
        EXPECT_TRUE(presetColor(n).isValid());
        EXPECT_EQ(presetOfTag(kLightPickerTag + n, kLightPickerTag), n);
        EXPECT_EQ(presetOfTag(kUserLightPickerTag + n, kUserLightPickerTag), n);
        EXPECT_EQ(presetOfTag(kUserLightPickerTag + n, kLightPickerTag), 0);
    }
    EXPECT_EQ(presetOfTag(kLightPickerTag, kLightPickerTag), 0);  // the picker itself
    EXPECT_FALSE(presetColor(0).isValid());
    EXPECT_FALSE(presetColor(kPresetCount + 1).isValid());
}

TEST(LightModes, StoredSleepTimes) {
    EXPECT_EQ(sleepTypeOfStored("1"), 1);
    EXPECT_EQ(sleepTypeOfStored("3"), 3);
    for (const char* stray : {"", "0", "4", "7", " 1", "01", "-1", "x"})
        EXPECT_EQ(sleepTypeOfStored(stray), 0) << '"' << stray << '"';
}

TEST(LightModes, TypedChannelRule) {
    struct Case {
        const char* typed;
        const char* shown;
        std::optional<int> value;
    } cases[] = {
        {"0", "0", 0},
        {"128", "128", 128},
        {"255", "255", 255},
        {"256", "255", 255},
        {"99999999999999999999", "255", 255},
        {"-1", "0", 0},
        {"abc", "255", 255},
        {"12a", "255", 255},
        {"1.5", "255", 255},
        {"", "", std::nullopt},
    };
    for (const Case& c : cases) {
        const ChannelInput in = channelInput(QString::fromLatin1(c.typed));
        EXPECT_EQ(in.text, QString::fromLatin1(c.shown)) << c.typed;
        EXPECT_EQ(in.value, c.value) << c.typed;
    }
}

TEST(LightModes, PackedColoursRoundTrip) {
    for (int v = 0; v <= 255; ++v)
        for (const QColor& c :
             {QColor(v, 0, 0), QColor(0, v, 0), QColor(0, 0, v), QColor(v, v, 255 - v)})
            ASSERT_EQ(unpackColor(packColor(c)), c);
    EXPECT_EQ(packColor(QColor(255, 168, 0)), 255 * 65536 + 168 * 256);
    EXPECT_EQ(packColor(QColor(Qt::black)), 0);
}

}  // namespace
}  // namespace korvex::lightmodes
