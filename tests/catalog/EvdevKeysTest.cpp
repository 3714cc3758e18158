#include "catalog/EvdevKeys.h"

#include <gtest/gtest.h>

#include <map>

#include "catalog/FunctionCatalog.h"
#include "catalog/KeyCatalog.h"
#include "catalog/KeyLayout.h"

namespace korvex {
namespace {

constexpr int kLastEvdevCode = 0x2FF;

// usage -> the evdev codes that give it
std::multimap<int, int> usageSources() {
    std::multimap<int, int> sources;
    for (int e = 0; e <= kLastEvdevCode; ++e)
        if (int u = hidUsageFromEvdev(e)) sources.emplace(u, e);
    return sources;
}

TEST(EvdevKeys, EveryKeyOfTheKeyboardAndPanelCanBeTyped) {
    const auto sources = usageSources();
    for (const KeyInfo& k : allKeys()) EXPECT_EQ(sources.count(k.code), 1u) << k.key_name;
    for (const FuncLayoutRecord& t : buildFunctionRecords()) {
        if (t.key_code == 50) continue;  // the kernel folds Non-US # into backslash
        EXPECT_EQ(sources.count(t.key_code), 1u) << t.label;
    }
    // No two evdev keys collapse into one usage.
    for (auto it = sources.begin(); it != sources.end(); ++it)
        EXPECT_EQ(sources.count(it->first), 1u) << it->first;
}

// Codes of the Linux input ABI written out as numbers, read against the
// kernel's list rather than our table.
TEST(EvdevKeys, KnownKeysMapToTheirUsages) {
    const std::map<int, int> expected = {
        {30, 4},     // A
        {44, 29},    // Z
        {2, 30},     // 1
        {11, 39},    // 0
        {1, 41},     // Esc
        {14, 42},    // Backspace
        {41, 53},    // grave
        {43, 49},    // backslash
        {29, 224},   // left control
        {42, 225},   // left shift
        {56, 226},   // left alt
        {125, 227},  // left meta
        {97, 228},   // right control
        {54, 229},   // right shift
        {100, 230},  // right alt
        {126, 231},  // right meta
        {103, 82},   // up
        {105, 80},   // left
        {108, 81},   // down
        {106, 79},   // right
        {59, 58},    // F1
        {87, 68},    // F11
        {88, 69},    // F12
        {183, 104},  // F13
        {194, 115},  // F24
        {69, 83},    // Num Lock
        {79, 89},    // keypad 1
        {82, 98},    // keypad 0
        {83, 99},    // keypad .
        {96, 88},    // keypad Enter
        {98, 84},    // keypad /
        {55, 85},    // keypad *
        {78, 87},    // keypad +
        {99, 70},    // SysRq / Print Screen
        {119, 72},   // Pause
        {86, 100},   // 102nd key
        {127, 101},  // Compose / Application
        {113, 127},  // Mute
        {115, 128},  // Volume Up
        {114, 129},  // Volume Down
        {89, 135},   // RO
        {124, 137},  // Yen
        {122, 144},  // Hangeul
        {123, 145},  // Hanja
        {464, 175},  // Fn
    };
    for (const auto& [evdev, usage] : expected) EXPECT_EQ(hidUsageFromEvdev(evdev), usage) << evdev;
}

TEST(EvdevKeys, MediaKeysMapToMediaCodes) {
    EXPECT_EQ(mediaCodeFromEvdev(164), 504);  // play/pause
    EXPECT_EQ(mediaCodeFromEvdev(166), 505);  // stop
    EXPECT_EQ(mediaCodeFromEvdev(165), 506);  // previous
    EXPECT_EQ(mediaCodeFromEvdev(163), 507);  // next
    EXPECT_EQ(mediaCodeFromEvdev(115), 508);  // volume up
    EXPECT_EQ(mediaCodeFromEvdev(114), 509);  // volume down
    EXPECT_EQ(mediaCodeFromEvdev(113), 510);  // mute
    EXPECT_EQ(mediaCodeFromEvdev(140), 501);  // calculator
    EXPECT_EQ(mediaCodeFromEvdev(172), 511);  // web home
    EXPECT_EQ(mediaCodeFromEvdev(158), 514);  // web back
    EXPECT_EQ(consumerUsageFromEvdev(164), 0x00CD);
    // Media keys have no keyboard-page usage of their own.
    EXPECT_EQ(hidUsageFromEvdev(164), 0);
    EXPECT_EQ(hidUsageFromEvdev(140), 0);
    // Every media code can be reached from some evdev key.
    for (const MediaCode& m : kMediaCodes) {
        bool reached = false;
        for (int e = 0; e <= kLastEvdevCode; ++e) reached |= mediaCodeFromEvdev(e) == m.code;
        EXPECT_TRUE(reached) << m.code;
    }
}

TEST(EvdevKeys, UnknownCodesMapToNone) {
    // 0 reserved, 240 KEY_UNKNOWN, 225 brightness up, 0x110 a mouse button.
    for (int e : {-1, 0, 240, 225, 0x110, kLastEvdevCode, kLastEvdevCode + 1, 1 << 20}) {
        EXPECT_EQ(hidUsageFromEvdev(e), 0) << e;
        EXPECT_EQ(consumerUsageFromEvdev(e), 0) << e;
        EXPECT_EQ(mediaCodeFromEvdev(e), 0) << e;
    }
}

}  // namespace
}  // namespace korvex
