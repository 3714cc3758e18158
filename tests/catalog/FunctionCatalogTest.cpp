#include "catalog/FunctionCatalog.h"

#include <gtest/gtest.h>

#include <set>

#include "catalog/KeyCatalog.h"
#include "catalog/KeyLayout.h"

namespace korvex {
namespace {

// The type combo lists every type the dialog can set, each under the name
// the type table gives it.
TEST(FunctionCatalog, DialogTypesAreNamedAsInTheTypeTable) {
    for (const ComboEntry& e : keyFunctionTypeDatas) {
        const FunctionTypeInfo* t = findFunctionType(e.mode);
        ASSERT_NE(t, nullptr) << e.mode;
        EXPECT_EQ(t->textId, e.textId);
    }
}

TEST(FunctionCatalog, MediaAndMultimediaUsages) {
    ASSERT_EQ(kMediaCodes.size(), 18u);
    std::set<std::uint16_t> mediaUsages;
    for (std::size_t i = 0; i < kMediaCodes.size(); ++i) {
        EXPECT_EQ(kMediaCodes[i].code, kFirstMediaCode + static_cast<int>(i));
        EXPECT_TRUE(isMediaCode(kMediaCodes[i].code));
        EXPECT_TRUE(mediaUsages.insert(kMediaCodes[i].consumerUsage).second);
    }
    EXPECT_FALSE(isMediaCode(499));
    EXPECT_FALSE(isMediaCode(518));
    // Every multimedia function is one of the media usages.
    for (const MultimediaFunction& m : kMultimediaFunctions)
        EXPECT_TRUE(mediaUsages.count(m.consumerUsage)) << m.value;
}

TEST(FunctionCatalog, MacShortcutsAreStrokesOfKnownKeys) {
    for (const MacShortcut& s : kMacShortcuts) {
        EXPECT_TRUE(s.modifierCode == 0 || isModifierCode(s.modifierCode)) << s.value;
        EXPECT_FALSE(isModifierCode(s.keyCode));
        bool known = false;
        for (const NameKeyInfo& e : G_KB_SuperKeyNameMap.entries())
            known |= e.key_code == s.keyCode;
        EXPECT_TRUE(known) << s.keyCode;
    }
    EXPECT_EQ(findMacShortcut(6)->keyCode, 27);
}

TEST(FunctionCatalog, CodeMapNamesEveryPanelTile) {
    ASSERT_EQ(CustomKeyFuncCodeMap.size(), 129u);
    std::set<int> codes;
    for (const CustomKeyFunc& f : CustomKeyFuncCodeMap) {
        EXPECT_TRUE(codes.insert(f.code).second) << f.code;
        EXPECT_FALSE(f.short_name.empty()) << f.code;
        EXPECT_EQ(findCustomKeyFunc(f.code), &f);
    }
    for (const FuncLayoutRecord& tile : buildFunctionRecords())
        EXPECT_TRUE(customKeyFuncShortName(tile.key_code).has_value()) << tile.index;
    // Every key of the keyboard can be picked from the panel.
    for (const KeyInfo& k : allKeys()) EXPECT_TRUE(codes.count(k.code)) << k.key_name;
}

// Rows read against the printed code table.
TEST(FunctionCatalog, SpotChecks) {
    const std::pair<int, const char*> rows[] = {{53, "`"},        {85, "*"},      {49, "\\"},
                                                {51, ";"},        {137, "K14"},   {92, "NumPad 4"},
                                                {227, "Command"}, {225, "Shift"}, {229, "Shift"},
                                                {500, "PC"},      {99, "."}};
    for (const auto& [code, name] : rows) EXPECT_EQ(customKeyFuncShortName(code), name) << code;
}

TEST(FunctionCatalog, UnknownValuesAreNotFound) {
    for (int v : {-1, 0, 9, 1000}) {
        EXPECT_EQ(findMouseFunction(v), nullptr);
        EXPECT_EQ(findMultimediaFunction(v), nullptr);
        EXPECT_EQ(findMacShortcut(v), nullptr);
        EXPECT_EQ(findMediaCode(v), nullptr);
    }
    for (int code : {-1, 0, 1, 3, 499, 518, 1000})
        EXPECT_EQ(customKeyFuncShortName(code), std::nullopt);
    for (int t : {0, 5, 9, 13, 14}) EXPECT_EQ(findFunctionType(t), nullptr);
}

}  // namespace
}  // namespace korvex
