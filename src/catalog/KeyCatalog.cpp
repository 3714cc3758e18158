#include "catalog/KeyCatalog.h"

#include "catalog/KeyTables.h"

namespace korvex {

std::span<const KeyInfo> allKeys() {
    return KB_108K_SuperKeyCodeMap;
}

const KeyInfo* findKeyByCode(int code) {
    if (code < 0 || code >= static_cast<int>(detail::kCodeSlots.size())) return nullptr;
    const int slot = detail::kCodeSlots[static_cast<std::size_t>(code)];
    return slot < 0 ? nullptr : &KB_108K_SuperKeyCodeMap[static_cast<std::size_t>(slot)];
}

const KeyInfo* findKeyByName(std::string_view name) {
    const int slot = detail::findSortedName(
        detail::kCodeMapNameOrder, name, [](int i) { return KB_108K_SuperKeyCodeMap[i].key_name; });
    return slot < 0 ? nullptr : &KB_108K_SuperKeyCodeMap[static_cast<std::size_t>(slot)];
}

const KeyInfo* findKeyByLayoutIndex(int layoutIndex) {
    if (layoutIndex < 0 || layoutIndex >= kKeyCount) return nullptr;
    return &KB_108K_SuperKeyCodeMap[static_cast<std::size_t>(detail::kLayoutSlots[layoutIndex])];
}

std::span<const NameKeyInfo> SuperKeyNameMap::entries() const {
    return KB_108K_SuperKeyNameMap;
}

const NameKeyInfo* SuperKeyNameMap::find(std::string_view name) const {
    const int slot = detail::findSortedName(detail::kNameMapNameOrder, name, [](int i) {
        return KB_108K_SuperKeyNameMap[static_cast<std::size_t>(i)].key_name;
    });
    return slot < 0 ? nullptr : &KB_108K_SuperKeyNameMap[static_cast<std::size_t>(slot)];
}

std::optional<int> codeOfName(std::string_view keyName) {
    const NameKeyInfo* e = G_KB_SuperKeyNameMap.find(keyName);
    if (!e) return std::nullopt;
    return e->key_code;
}

std::optional<std::string_view> labelOfName(std::string_view keyName) {
    const NameKeyInfo* e = G_KB_SuperKeyNameMap.find(keyName);
    if (!e) return std::nullopt;
    return e->full_name;
}

std::string_view keyLegend(std::string_view keyName) {
    struct Legend {
        std::string_view key, legend;
    };
    static constexpr Legend kLegends[] = {
        {"pageUp", "PgUp"},         {"pageDown", "PgDn"},      {"leftControl", "Ctrl"},
        {"rightControl", "Ctrl"},   {"leftWin", "Cmd"},        {"upArrow", "\u2191"},
        {"downArrow", "\u2193"},    {"leftArrow", "\u2190"},   {"rightArrow", "\u2192"},
        {"backspace", "Backspace"}, {"capsLock", "Caps Lock"},
    };
    for (const Legend& l : kLegends)
        if (l.key == keyName) return l.legend;
    const NameKeyInfo* e = G_KB_SuperKeyNameMap.find(keyName);
    return e ? e->short_name : keyName;
}

}  // namespace korvex
