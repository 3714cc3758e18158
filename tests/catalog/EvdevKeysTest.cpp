#include "catalog/EvdevKeys.h"

#include <gtest/gtest.h>

#include <map>

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
    // Letters, digits, Esc, Backspace, grave, backslash; the eight modifiers;
    // arrows; F1, F11, F12, F13, F24; keypad; SysRq, Pause, 102nd, Compose;
    // Mute, Volume Up/Down; RO, Yen, Hangeul, Hanja; Fn.
    const std::map<int, int> expected = {
        {30, 4},    {44, 29},   {2, 30},    {11, 39},   {1, 41},    {14, 42},  {41, 53},
        {43, 49},   {29, 224},  {42, 225},  {56, 226},  {125, 227}, {97, 228}, {54, 229},
        {100, 230}, {126, 231}, {103, 82},  {105, 80},  {108, 81},  {106, 79}, {59, 58},
        {87, 68},   {88, 69},   {183, 104}, {194, 115}, {69, 83},   {79, 89},  {82, 98},
        {83, 99},   {96, 88},   {98, 84},   {55, 85},   {78, 87},   {99, 70},  {119, 72},
        {86, 100},  {127, 101}, {113, 127}, {115, 128}, {114, 129}, {89, 135}, {124, 137},
        {122, 144}, {123, 145}, {464, 175}};
    for (const auto& [evdev, usage] : expected) EXPECT_EQ(hidUsageFromEvdev(evdev), usage) << evdev;
}

TEST(EvdevKeys, UnknownCodesMapToNone) {
    // 0 reserved, 240 KEY_UNKNOWN, 225 brightness up, 0x110 a mouse button;
    // media keys (164 play/pause, 140 calculator) have no keyboard-page usage.
    for (int e : {-1, 0, 240, 225, 0x110, 164, 140, kLastEvdevCode, kLastEvdevCode + 1, 1 << 20})
        EXPECT_EQ(hidUsageFromEvdev(e), 0) << e;
}

}  // namespace
}  // namespace korvex
