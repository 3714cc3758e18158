#include "catalog/HeldKeys.h"

#include <algorithm>

#include "catalog/KeyCatalog.h"

namespace korvex {

KeyLists buildKeyLists() {
    KeyLists lists;
    for (const NameKeyInfo& e : G_KB_SuperKeyNameMap.entries()) {
        if (e.key_type == Keyboard_EN_Type::flag)
            lists.G_KB_FlagKeys.push_back(e.key_code);
        else
            lists.G_KB_NormalKeys.push_back(e.key_code);
    }
    return lists;
}

namespace {
bool contains(const std::vector<int>& v, int code) {
    return std::find(v.begin(), v.end(), code) != v.end();
}
}  // namespace

void HeldKeyState::keyEvent(const KeyLists& lists, int code, bool pressed) {
    GLOBAL_LAST_PRESS_KEY_SCANCODE = code;
    if (!pressed) {
        lastKeyOperate = "up";
        std::erase(pressedNormalKey, code);
        std::erase(pressedFlags, code);
        return;
    }
    lastKeyOperate = "down";
    if (contains(lists.G_KB_NormalKeys, code))
        pressedNormalKey.push_back(code);
    else if (contains(lists.G_KB_FlagKeys, code))
        pressedFlags.push_back(code);
}

void HeldKeyState::clear() {
    *this = HeldKeyState{};
}

}  // namespace korvex
