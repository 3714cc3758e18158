#include "catalog/KeyCatalog.h"

#include "catalog/FunctionCatalog.h"
#include "catalog/HeldKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace korvex {
namespace {

TEST(Catalog, UnknownCodesNamesAndValuesAreNotFound) {
    for (int code : {-1, 0, 3, 70, 83, 209, 231, 255, 256, 100000})
        EXPECT_EQ(findKeyByCode(code), nullptr) << code;
    for (std::string_view name : {"", "rightWin", "numpad0", "Escape", "escape ", "ESCAPE"})
        EXPECT_EQ(findKeyByName(name), nullptr) << name;
    EXPECT_EQ(findKeyByLayoutIndex(-1), nullptr);
    EXPECT_EQ(findKeyByLayoutIndex(80), nullptr);
    EXPECT_EQ(codeOfName("nosuchkey"), std::nullopt);
    EXPECT_EQ(labelOfName(""), std::nullopt);
    for (int v : {-1, 0, 9, 1000}) {
        EXPECT_EQ(findMouseFunction(v), nullptr);
        EXPECT_EQ(findMacShortcut(v), nullptr);
    }
    for (int code : {-1, 0, 1, 3, 499, 518, 1000})
        EXPECT_EQ(customKeyFuncShortName(code), std::nullopt);
}

TEST(HeldKeys, ListsSplitModifiersFromOtherKeys) {
    const KeyLists lists = buildKeyLists();
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
