#pragma once

// Which keys are held right now, as the key recorder sees them. Modifier keys
// and normal keys are kept apart because the custom key dialog turns held
// modifiers into a combination's modifier and the last normal key into its key.

#include <string_view>
#include <vector>

namespace korvex {

// The name map split into modifier codes and all other codes, in map order.
struct KeyLists {
    std::vector<int> G_KB_FlagKeys;
    std::vector<int> G_KB_NormalKeys;
};

// Built at device connection from the name map.
KeyLists buildKeyLists();

struct HeldKeyState {
    std::vector<int> pressedFlags;      // modifier keys held now, in press order
    std::vector<int> pressedNormalKey;  // normal keys held now, in press order
    std::string_view lastKeyOperate;    // "down", "up", or "" before any event
    int GLOBAL_LAST_PRESS_KEY_SCANCODE = 0;

    // A key of any attached keyboard went down or up. A code in neither list
    // is remembered as the last code but not held. A second press without a
    // release (two keyboards) lists the key twice; one release clears both.
    void keyEvent(const KeyLists& lists, int code, bool pressed);
    void clear();
};

}  // namespace korvex
