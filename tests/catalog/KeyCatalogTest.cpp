#include "catalog/KeyCatalog.h"

#include "catalog/HeldKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <tuple>

namespace korvex {
namespace {

TEST(KeyCatalog, LayoutKeyAndLightIndicesAreConsistent) {
    const auto keys = allKeys();
    ASSERT_EQ(keys.size(), 80u);
    std::set<int> codes, layouts, keyIndices;
    std::set<std::string_view> names;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const KeyInfo& k = keys[i];
        SCOPED_TRACE(std::string(k.key_name));
        EXPECT_TRUE(codes.insert(k.code).second);
        EXPECT_TRUE(names.insert(k.key_name).second);
        EXPECT_TRUE(layouts.insert(k.layout_index).second);
        EXPECT_TRUE(keyIndices.insert(k.key_index).second);
        EXPECT_EQ(k.light_index, k.key_index);
        EXPECT_GE(k.key_index, 1);
        EXPECT_LE(k.key_index, 121);
        // The table is written in on-screen order.
        EXPECT_EQ(k.layout_index, static_cast<int>(i));
        EXPECT_FALSE(k.short_name.empty());
        EXPECT_FALSE(k.full_name.empty());
        EXPECT_EQ(findKeyByCode(k.code), &k);
        EXPECT_EQ(findKeyByName(k.key_name), &k);
        EXPECT_EQ(findKeyByLayoutIndex(k.layout_index), &k);
        // Modifiers are exactly the HID modifier usages plus Caps Lock.
        const bool modifier = (k.code >= 224 && k.code <= 231) || k.code == 57;
        EXPECT_EQ(k.key_type == Keyboard_EN_Type::flag, modifier);
    }
    EXPECT_EQ(*layouts.begin(), 0);
    EXPECT_EQ(*layouts.rbegin(), 79);
}

TEST(KeyCatalog, UnknownCodesAndNamesAreNotFound) {
    for (int code : {-1, 0, 3, 70, 83, 209, 231, 255, 256, 100000})
        EXPECT_EQ(findKeyByCode(code), nullptr) << code;
    for (std::string_view name : {"", "rightWin", "numpad0", "Escape", "escape ", "ESCAPE"})
        EXPECT_EQ(findKeyByName(name), nullptr) << name;
    EXPECT_EQ(findKeyByLayoutIndex(-1), nullptr);
    EXPECT_EQ(findKeyByLayoutIndex(80), nullptr);
}

// Rows read against the printed key table.
TEST(KeyCatalog, SpotChecks) {
    const KeyInfo* fn = findKeyByCode(kFnKeyCode);
    ASSERT_NE(fn, nullptr);
    EXPECT_EQ(std::tie(fn->key_name, fn->key_index, fn->key_type),
              std::make_tuple("fn", 96, Keyboard_EN_Type::normalKey));
    // Looked up by name: code, layout index and key index.
    for (const auto& [name, code, layout, index] :
         {std::tuple{"backspace", 42, 26, 103}, std::tuple{"pageDown", 78, 56, 121}}) {
        const KeyInfo* k = findKeyByName(name);
        ASSERT_NE(k, nullptr) << name;
        EXPECT_EQ(std::tie(k->code, k->layout_index, k->key_index), std::tie(code, layout, index));
    }
    // The bottom row starts left Control, Command, Option, space.
    for (const auto& [code, layout] : {std::pair{224, 70}, {227, 71}, {226, 72}, {44, 73}})
        EXPECT_EQ(findKeyByCode(code)->layout_index, layout) << code;
    EXPECT_EQ(findKeyByCode(227)->full_name, "Left Command");
    EXPECT_EQ(findKeyByCode(226)->short_name, "Option");
    EXPECT_EQ(findKeyByCode(49)->short_name, "\\");
    EXPECT_EQ(std::tie(findKeyByCode(53)->short_name, findKeyByCode(53)->full_name),
              std::make_tuple("`", "backtick"));
    auto rgb = [](int code) {
        const KeyInfo* k = findKeyByCode(code);
        return std::array{k->rgb_r, k->rgb_g, k->rgb_b};
    };
    EXPECT_EQ(rgb(78), (std::array<std::uint8_t, 3>{255, 69, 0}));
    EXPECT_EQ(rgb(41), (std::array<std::uint8_t, 3>{69, 0, 255}));
}

TEST(KeyNameMap, AgreesWithTheCodeMap) {
    const auto entries = G_KB_SuperKeyNameMap.entries();
    ASSERT_EQ(entries.size(), 109u);
    std::set<std::string_view> names;
    std::set<int> codes;
    for (const NameKeyInfo& e : entries) {
        SCOPED_TRACE(std::string(e.key_name));
        EXPECT_TRUE(names.insert(e.key_name).second);
        EXPECT_TRUE(codes.insert(e.key_code).second);
        EXPECT_EQ(G_KB_SuperKeyNameMap.find(e.key_name), &e);
        EXPECT_EQ(codeOfName(e.key_name), e.key_code);
        EXPECT_EQ(labelOfName(e.key_name), e.full_name);
        const KeyInfo* k = findKeyByCode(e.key_code);
        if (!k) {
            // Keys this keyboard lacks never reach the code map by name either.
            EXPECT_EQ(findKeyByName(e.key_name), nullptr);
            continue;
        }
        EXPECT_EQ(k->key_name, e.key_name);
        EXPECT_EQ(k->key_type, e.key_type);
    }
    int relabelled = 0;
    for (const KeyInfo& k : allKeys()) {
        const NameKeyInfo* e = G_KB_SuperKeyNameMap.find(k.key_name);
        ASSERT_NE(e, nullptr) << k.key_name;
        if (e->short_name != k.short_name || e->full_name != k.full_name) ++relabelled;
    }
    // Six rows are relabelled, but left Alt reads "Option" in both maps.
    EXPECT_EQ(relabelled, 5);
    EXPECT_EQ(labelOfName("leftWin"), "Command");
    EXPECT_EQ(labelOfName("backspace"), "<-");
    EXPECT_EQ(labelOfName("volumeUp"), "Volume UP");
    EXPECT_EQ(codeOfName("calc"), 209);
    EXPECT_EQ(codeOfName("numpadEnter"), 88);
    EXPECT_EQ(codeOfName("nosuchkey"), std::nullopt);
    EXPECT_EQ(labelOfName(""), std::nullopt);
}

TEST(HeldKeys, ListsSplitModifiersFromOtherKeys) {
    const KeyLists lists = buildKeyLists();
    EXPECT_EQ(lists.G_KB_FlagKeys.size(), 9u);
    EXPECT_EQ(lists.G_KB_NormalKeys.size(), 100u);
    const std::set<int> flags(lists.G_KB_FlagKeys.begin(), lists.G_KB_FlagKeys.end());
    EXPECT_EQ(flags, (std::set<int>{57, 224, 225, 226, 227, 228, 229, 230, 231}));
    EXPECT_NE(std::find(lists.G_KB_NormalKeys.begin(), lists.G_KB_NormalKeys.end(), kFnKeyCode),
              lists.G_KB_NormalKeys.end());
}

TEST(HeldKeys, PressesBuildUpInOrderAndOneReleaseClearsRepeats) {
    const KeyLists lists = buildKeyLists();
    HeldKeyState held;
    EXPECT_EQ(held.lastKeyOperate, "");
    held.keyEvent(lists, 224, true);
    held.keyEvent(lists, 4, true);
    held.keyEvent(lists, 4, true);  // second keyboard, same key
    held.keyEvent(lists, kFnKeyCode, true);
    held.keyEvent(lists, 3, true);  // not a key of any map
    EXPECT_EQ(held.pressedFlags, (std::vector<int>{224}));
    EXPECT_EQ(held.pressedNormalKey, (std::vector<int>{4, 4, kFnKeyCode}));
    EXPECT_EQ(held.lastKeyOperate, "down");
    EXPECT_EQ(held.GLOBAL_LAST_PRESS_KEY_SCANCODE, 3);

    held.keyEvent(lists, 4, false);
    EXPECT_EQ(held.pressedNormalKey, (std::vector<int>{kFnKeyCode}));
    EXPECT_EQ(held.lastKeyOperate, "up");
    EXPECT_EQ(held.GLOBAL_LAST_PRESS_KEY_SCANCODE, 4);
    held.keyEvent(lists, 224, false);
    EXPECT_TRUE(held.pressedFlags.empty());
    held.clear();
    EXPECT_TRUE(held.pressedNormalKey.empty());
    EXPECT_EQ(held.lastKeyOperate, "");
}

}  // namespace
}  // namespace korvex
