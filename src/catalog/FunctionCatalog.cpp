#include "catalog/FunctionCatalog.h"

#include "catalog/LayoutTables.h"

namespace korvex {
namespace {

// The panel reports codes from its layout list; the code table must hold
// each of them (and nothing else besides the media codes) so that every tile
// has its description. The table is keyed by code, so order is not compared.
constexpr bool panelAgreesWithCodeMap() {
    if (kMediaCodes.size() + CustomKeyFuncLayout_Keys.size() != CustomKeyFuncCodeMap.size())
        return false;
    for (const LayoutEntry& tile : CustomKeyFuncLayout_Keys) {
        int found = 0;
        for (std::size_t i = kMediaCodes.size(); i < CustomKeyFuncCodeMap.size(); ++i)
            if (CustomKeyFuncCodeMap[i].code == tile.key_code) ++found;
        if (found != 1) return false;
    }
    return true;
}
static_assert(panelAgreesWithCodeMap());

template <typename Table>
constexpr auto findBy(const Table& table, int key, auto field) -> decltype(&table[0]) {
    for (const auto& e : table)
        if (field(e) == key) return &e;
    return nullptr;
}

constexpr auto byValue = [](const auto& e) { return e.value; };
constexpr auto byCode = [](const auto& e) { return e.code; };

// code -> position in CustomKeyFuncCodeMap, -1 for none.
constexpr auto kFuncSlots = [] {
    std::array<int, kLastMediaCode + 1> slots{};
    slots.fill(-1);
    for (std::size_t i = 0; i < CustomKeyFuncCodeMap.size(); ++i)
        slots[static_cast<std::size_t>(CustomKeyFuncCodeMap[i].code)] = static_cast<int>(i);
    return slots;
}();

constexpr std::size_t kTextIdCapacity = 2 * kFunctionTypes.size() + kMouseFunctions.size() +
                                        kMultimediaFunctions.size() + kMacShortcuts.size() +
                                        keyFunctionMacroTypeDatas.size();

struct TextIdList {
    std::array<int, kTextIdCapacity> ids{};
    std::size_t size = 0;
    constexpr void add(int id) {
        if (id == 0) return;
        for (std::size_t i = 0; i < size; ++i)
            if (ids[i] == id) return;
        ids[size++] = id;
    }
};

constexpr TextIdList kTextIds = [] {
    TextIdList list;
    for (const auto& t : kFunctionTypes) {
        list.add(t.textId);
        list.add(t.menuTextId);
    }
    for (const auto& e : kMouseFunctions) list.add(e.textId);
    for (const auto& e : kMultimediaFunctions) list.add(e.textId);
    for (const auto& e : kMacShortcuts) list.add(e.textId);
    for (const auto& e : keyFunctionMacroTypeDatas) list.add(e.textId);
    return list;
}();

}  // namespace

std::span<const int> catalogTextIds() {
    return {kTextIds.ids.data(), kTextIds.size};
}

const FunctionTypeInfo* findFunctionType(int macroType) {
    return findBy(kFunctionTypes, macroType, [](const auto& e) { return e.macroType; });
}
const MouseFunction* findMouseFunction(int value) {
    return findBy(kMouseFunctions, value, byValue);
}
const MultimediaFunction* findMultimediaFunction(int value) {
    return findBy(kMultimediaFunctions, value, byValue);
}
const MacShortcut* findMacShortcut(int value) {
    return findBy(kMacShortcuts, value, byValue);
}
const MediaCode* findMediaCode(int code) {
    return findBy(kMediaCodes, code, byCode);
}

const CustomKeyFunc* findCustomKeyFunc(int code) {
    if (code < 0 || code >= static_cast<int>(kFuncSlots.size())) return nullptr;
    const int slot = kFuncSlots[static_cast<std::size_t>(code)];
    return slot < 0 ? nullptr : &CustomKeyFuncCodeMap[static_cast<std::size_t>(slot)];
}

std::optional<std::string_view> customKeyFuncShortName(int code) {
    const CustomKeyFunc* f = findCustomKeyFunc(code);
    if (!f) return std::nullopt;
    return f->short_name;
}

bool functionComboShown(int macroType) {
    return macroType == kMacroTypeMacro || !fixedFunctionList(macroType).empty();
}

std::span<const ComboEntry> fixedFunctionList(int macroType) {
    switch (macroType) {
        case kMacroTypeMouse:
            return keyFunctionMouseDatas;
        case kMacroTypeMultimedia:
            return keyFunctionMultimediaDatas;
        case kMacroTypeMacShortcut:
            return keyFunctionMacShortcutsDatas;
        default:
            return {};
    }
}

}  // namespace korvex
