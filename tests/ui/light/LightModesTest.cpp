#include <gtest/gtest.h>

#include "ui/light/LightModes.h"

namespace korvex::lightmodes {
namespace {

// The cases a user cannot type one key at a time (the page test types the rest).
TEST(LightModes, TypedChannelRule) {
    const struct {
        const char* typed;
        const char* shown;
        std::optional<int> value;
    } cases[] = {
        {"0", "0", 0},          {"256", "255", 255}, {"99999999999999999999", "255", 255},
        {"-1", "0", 0},         {"12a", "255", 255}, {"1.5", "255", 255},
        {"", "", std::nullopt},
    };
    for (const auto& c : cases) {
        const ChannelInput in = channelInput(QString::fromLatin1(c.typed));
        EXPECT_EQ(in.text, QString::fromLatin1(c.shown)) << c.typed;
        EXPECT_EQ(in.value, c.value) << c.typed;
    }
}

TEST(LightModes, StrayStoredSleepTimesReadAsNotSleep) {
    EXPECT_EQ(sleepTypeOfStored("3"), 3);
    for (const char* stray : {"", "0", "4", "7", " 1", "01", "-1"})
        EXPECT_EQ(sleepTypeOfStored(stray), 0) << '"' << stray << '"';
}

// What the user light page stores and reads back for a key's colour.
TEST(LightModes, EveryChannelValueSurvivesPackingAndBack) {
    // Each channel takes every value once, the other two at other values.
    for (int v = 0; v <= 255; ++v) {
        const QColor c(v, (v + 85) % 256, (v + 170) % 256);
        ASSERT_EQ(packColor(c), (v << 16) | (((v + 85) % 256) << 8) | ((v + 170) % 256));
        ASSERT_EQ(unpackColor(packColor(c)), c);
    }
}

}  // namespace
}  // namespace korvex::lightmodes
