#include "catalog/KeyCatalog.h"
#include "protocol/Frames.h"

namespace korvex::frames {

namespace {

// Entries must end before the AA 55 marker at bytes 574 and 575.
constexpr int kLastEntry = (static_cast<int>(kTableRunLength - kReportSize) - 2) / 4 - 1;

std::optional<std::size_t> entry(int index) {
    if (index < 0 || index > kLastEntry) return std::nullopt;
    return static_cast<std::size_t>(index);
}

const KeyInfo* find(std::int64_t keyCode) {
    if (keyCode < 0 || keyCode > 0xFFFF) return nullptr;
    return findKeyByCode(static_cast<int>(keyCode));
}

}  // namespace

std::optional<std::size_t> keyTableIndex(std::int64_t keyCode) {
    const KeyInfo* key = find(keyCode);
    return key ? entry(key->key_index) : std::nullopt;
}

std::optional<std::size_t> lightTableIndex(std::int64_t keyCode) {
    const KeyInfo* key = find(keyCode);
    return key ? entry(key->light_index) : std::nullopt;
}

}  // namespace korvex::frames
