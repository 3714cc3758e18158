#include "catalog/KeyLayout.h"

#include "catalog/LayoutTables.h"

namespace korvex {
namespace {

constexpr int nameMapCode(std::string_view name) {
    for (const NameKeyInfo& e : KB_108K_SuperKeyNameMap)
        if (e.key_name == name) return e.key_code;
    return 0;
}

constexpr auto kKeyRecords = [] {
    std::array<KeyLayoutRecord, kKeyCount> out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        const LayoutEntry& e = KB_108KLayout_Keys[i];
        out[i] = KeyLayoutRecord{static_cast<int>(i), nameMapCode(e.key_standard_name),
                                 e.key_standard_name, kKeyboardRects[i],
                                 toTopLeft(kKeyboardRects[i], kKeyboardViewSize.height)};
    }
    return out;
}();

// The on-screen keyboard addresses keys by layout index, so each list
// position must be the very key the code map puts there.
constexpr bool layoutAgreesWithCodeMap() {
    for (const KeyLayoutRecord& r : kKeyRecords) {
        if (r.keycode == 0) return false;
        bool found = false;
        for (const KeyInfo& k : KB_108K_SuperKeyCodeMap)
            if (k.code == r.keycode) found = k.layout_index == r.index && k.key_name == r.keyname;
        if (!found) return false;
    }
    return true;
}
static_assert(layoutAgreesWithCodeMap());

constexpr auto kFuncRecords = [] {
    std::array<FuncLayoutRecord, CustomKeyFuncLayout_Keys.size()> out{};
    for (std::size_t i = 0; i < out.size(); ++i) {
        const LayoutEntry& e = CustomKeyFuncLayout_Keys[i];
        out[i] = FuncLayoutRecord{
            static_cast<int>(i),    e.key_code,
            e.key_standard_name,    e.key_icon,
            kFunctionPanelRects[i], toTopLeft(kFunctionPanelRects[i], kFunctionPanelSize.height)};
    }
    return out;
}();

constexpr bool contains(const Rect& r, double x, double y) {
    return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
}

template <typename Records>
int indexAt(const Records& records, double x, double y) {
    for (const auto& r : records)
        if (contains(r.viewRect, x, y)) return r.index;
    return -1;
}

}  // namespace

std::span<const KeyLayoutRecord> buildKeyRecords() {
    return kKeyRecords;
}
std::span<const FuncLayoutRecord> buildFunctionRecords() {
    return kFuncRecords;
}

int keyIndexAt(double viewX, double viewY) {
    return indexAt(kKeyRecords, viewX, viewY);
}
int functionIndexAt(double viewX, double viewY) {
    return indexAt(kFuncRecords, viewX, viewY);
}

}  // namespace korvex
