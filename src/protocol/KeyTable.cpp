#include <array>

#include "catalog/FunctionCatalog.h"
#include "protocol/Encoders.h"
#include "protocol/Frames.h"

namespace korvex {

namespace {

using Entry = std::array<std::uint8_t, 4>;

constexpr std::size_t kMarkerAt = kTableRunLength - kReportSize - 2;  // bytes 574 and 575

// A stored value that does not fit its byte is sent as 0 rather than as
// whatever its low byte happens to name.
std::uint8_t byteOr0(std::int64_t v) {
    return v >= 0 && v <= 0xFF ? static_cast<std::uint8_t>(v) : 0;
}

bool isModifier(std::int64_t code) {
    return code >= kFirstModifierCode && code <= kLastModifierCode;
}

// Modifier keys travel as their bit of the HID modifier byte.
std::uint8_t bitForm(std::int64_t code) {
    if (isModifier(code)) return static_cast<std::uint8_t>(1u << (code - kFirstModifierCode));
    return byteOr0(code);
}

// Bytes 1 and 2 of the mouse functions 1 to 8 (buttons as 01 bit, the wheel
// as 03 and a step); the catalog has their names.
constexpr std::array<std::array<std::uint8_t, 2>, 8> kMouseBytes = {{{0x01, 0x01},
                                                                     {0x01, 0x02},
                                                                     {0x01, 0x04},
                                                                     {0x01, 0x03},
                                                                     {0x03, 0x01},
                                                                     {0x03, 0xFF},
                                                                     {0x01, 0x08},
                                                                     {0x01, 0x10}}};

// The catalog entry whose `field` is `value`, or none.
template <typename Table, typename Field>
auto find(const Table& table, Field field, std::int64_t value) -> decltype(&table[0]) {
    for (const auto& entry : table)
        if (entry.*field == value) return &entry;
    return nullptr;
}

Entry usage16(std::uint8_t type, std::uint16_t usage) {
    return {type, static_cast<std::uint8_t>(usage & 0xFF), static_cast<std::uint8_t>(usage >> 8),
            0};
}

Entry keyboardFunction(const ProfileKey& row) {
    const std::int64_t v = row.macroValue;
    if (v > kLastMediaCode) return {0x03, 0, 0, 0};
    if (v >= kFirstMediaCode) {
        const MediaCode* media = find(kMediaCodes, &MediaCode::code, v);
        return media ? usage16(0x03, media->consumerUsage) : Entry{0x03, 0, 0, 0};
    }
    // A lone modifier goes where modifiers go, leaving no key.
    if (row.macro2Value == 0 && isModifier(v)) return {0x02, bitForm(v), 0, 0};
    return {0x02, bitForm(row.macro2Value), bitForm(v), 0};
}

Entry mouse(std::int64_t value) {
    if (value < 1 || value > static_cast<std::int64_t>(kMouseBytes.size())) return {0x01, 0, 0, 0};
    const auto& b = kMouseBytes[static_cast<std::size_t>(value - 1)];
    return {0x01, b[0], b[1], 0};
}

// Only the usage's low byte goes out; every multimedia usage fits it.
Entry multimedia(std::int64_t value) {
    const MultimediaFunction* m = find(kMultimediaFunctions, &MultimediaFunction::value, value);
    return {0x03, m ? static_cast<std::uint8_t>(m->consumerUsage & 0xFF) : std::uint8_t{0}, 0, 0};
}

// A Mac shortcut is sent as its key stroke.
Entry macShortcut(std::int64_t value) {
    const MacShortcut* m = find(kMacShortcuts, &MacShortcut::value, value);
    return m ? Entry{0x02, bitForm(m->modifierCode), byteOr0(m->keyCode), 0} : Entry{0x02, 0, 0, 0};
}

// The 4-byte entry of a row; all zero where the key keeps its own function.
Entry entryFor(const ProfileKey& row, const std::vector<MacroInfo>& macros) {
    switch (row.macroType) {
        case kMacroTypeDisabled:
            return {0x05, 0x03, 0, 0};
        case kMacroTypeKeyboard:
            return keyboardFunction(row);
        case kMacroTypeMacro: {
            // The slot is the macro's position in the list the macro image is
            // built from; the image has no slot past its directory.
            for (std::size_t i = 0; i < macros.size() && i < kMacroSlots; ++i)
                if (macros[i].macroId == row.macroValue)
                    return {0x06, static_cast<std::uint8_t>(i), byteOr0(row.macro2Value),
                            byteOr0(row.macro3Value)};
            return {};
        }
        case kMacroTypeMouse:
            return mouse(row.macroValue);
        case kMacroTypeMultimedia:
            return multimedia(row.macroValue);
        case kMacroTypeMacShortcut:
            return macShortcut(row.macroValue);
        case kMacroTypeThreeKeys:
            return {0x07, bitForm(row.macroValue), bitForm(row.macro2Value),
                    bitForm(row.macro3Value)};
        default:
            return {};
    }
}

}  // namespace

std::vector<Transfer> SendKeyMacroData(std::int64_t fnlayer, const std::vector<ProfileKey>& rows,
                                       const std::vector<MacroInfo>& macros) {
    frames::CommandArray command;
    std::vector<Transfer> out;
    out.push_back(command.report(frames::kBegin, 0x00));
    out.push_back(command.report(fnlayer == 0 ? frames::kKeyTableTop : frames::kKeyTableFn, 0x09));

    std::vector<std::uint8_t> table(kTableSize, 0);
    for (const ProfileKey& row : rows) {
        const auto index = frames::keyTableIndex(row.keyValue);
        if (!index) continue;
        // A later row of the same key replaces the earlier one's entry, also
        // when the later one brings the key back to its own function.
        const Entry e = entryFor(row, macros);
        std::copy(e.begin(), e.end(), table.begin() + static_cast<std::ptrdiff_t>(4 * *index));
    }
    frames::endMarker(table, kMarkerAt);
    out.push_back(frames::bulkRun(std::move(table), kTableRunLength));
    out.push_back(command.report(frames::kEnd, 0x00));
    return out;
}

Upload keyTablesUpload(std::int64_t profile, const std::vector<ProfileKey>& topRows,
                       const std::vector<ProfileKey>& fnRows,
                       const std::vector<MacroInfo>& macros) {
    Upload upload{UploadKind::Keys, profile, SendKeyMacroData(0, topRows, macros),
                  "key assignments of profile " + std::to_string(profile)};
    frames::append(upload.transfers, SendKeyMacroData(1, fnRows, macros));
    return upload;
}

Upload keyLayerUpload(std::int64_t profile, std::int64_t fnlayer,
                      const std::vector<ProfileKey>& rows, const std::vector<MacroInfo>& macros) {
    const bool top = fnlayer == 0;
    return {top ? UploadKind::TopLayerKeys : UploadKind::FnLayerKeys, profile,
            SendKeyMacroData(fnlayer, rows, macros),
            std::string(top ? "top" : "Fn") + " layer keys of profile " + std::to_string(profile)};
}

}  // namespace korvex
