#include "catalog/KeyCatalog.h"

#include "catalog/HeldKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>

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
    EXPECT_EQ(fn->key_name, "fn");
    EXPECT_EQ(fn->key_index, 96);
    EXPECT_EQ(fn->key_type, Keyboard_EN_Type::normalKey);

    const KeyInfo* bs = findKeyByName("backspace");
    ASSERT_NE(bs, nullptr);
    EXPECT_EQ(bs->code, 42);
    EXPECT_EQ(bs->layout_index, 26);
    EXPECT_EQ(bs->key_index, 103);

    EXPECT_EQ(findKeyByCode(227)->full_name, "Left Command");
    EXPECT_EQ(findKeyByCode(226)->short_name, "Option");
    EXPECT_EQ(findKeyByCode(224)->layout_index, 70);
    EXPECT_EQ(findKeyByCode(227)->layout_index, 71);
    EXPECT_EQ(findKeyByCode(226)->layout_index, 72);
    EXPECT_EQ(findKeyByCode(44)->layout_index, 73);
    EXPECT_EQ(findKeyByCode(49)->short_name, "\\");
    EXPECT_EQ(findKeyByCode(53)->short_name, "`");
    EXPECT_EQ(findKeyByCode(53)->full_name, "backtick");

    const KeyInfo* pgDn = findKeyByName("pageDown");
    ASSERT_NE(pgDn, nullptr);
    EXPECT_EQ(pgDn->code, 78);
    EXPECT_EQ(pgDn->key_index, 121);
    EXPECT_EQ((std::array{pgDn->rgb_r, pgDn->rgb_g, pgDn->rgb_b}),
              (std::array<std::uint8_t, 3>{255, 69, 0}));
    const KeyInfo* esc = findKeyByCode(41);
    EXPECT_EQ((std::array{esc->rgb_r, esc->rgb_g, esc->rgb_b}),
              (std::array<std::uint8_t, 3>{69, 0, 255}));
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
