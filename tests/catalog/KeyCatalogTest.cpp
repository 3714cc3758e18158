#include "catalog/KeyCatalog.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace korvex
