#include <array>

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
    return code >= 224 && code <= 231;
}

// Modifier keys travel as their bit of the HID modifier byte.
std::uint8_t bitForm(std::int64_t code) {
    if (isModifier(code)) return static_cast<std::uint8_t>(1u << (code - 224));
    return byteOr0(code);
}

// Consumer page usages of the media codes 500 to 517.
constexpr std::array<std::uint16_t, 18> kMediaUsages = {
    0x0194, 0x0192, 0x018A, 0x0183, 0x00CD, 0x00B7, 0x00B6, 0x00B5, 0x00E9,
    0x00EA, 0x00E2, 0x0223, 0x0227, 0x0226, 0x0224, 0x0225, 0x022A, 0x0221};
constexpr std::int64_t kFirstMedia = 500;

constexpr std::array<std::array<std::uint8_t, 2>, 8> kMouse = {{{0x01, 0x01},
                                                                {0x01, 0x02},
                                                                {0x01, 0x04},
                                                                {0x01, 0x03},
                                                                {0x03, 0x01},
                                                                {0x03, 0xFF},
                                                                {0x01, 0x08},
                                                                {0x01, 0x10}}};
constexpr std::array<std::uint8_t, 7> kMultimedia = {0xCD, 0xB7, 0xB6, 0xB5, 0xE9, 0xEA, 0xE2};
constexpr std::array<std::array<std::uint8_t, 2>, 6> kMacShortcuts = {
    {{0x00, 0x48}, {0x00, 0x47}, {0x10, 0x52}, {0x08, 0x06}, {0x08, 0x19}, {0x08, 0x1B}}};

// Row of a 1-based value table, or none when the value is not in it.
template <typename Table>
const typename Table::value_type* pick(const Table& table, std::int64_t value) {
    if (value < 1 || value > static_cast<std::int64_t>(table.size())) return nullptr;
    return &table[static_cast<std::size_t>(value - 1)];
}

Entry keyboardFunction(const ProfileKey& row) {
    const std::int64_t v = row.macroValue;
    if (v >= kFirstMedia + static_cast<std::int64_t>(kMediaUsages.size())) return {0x03, 0, 0, 0};
    if (v >= kFirstMedia) {
        const std::uint16_t usage = kMediaUsages[static_cast<std::size_t>(v - kFirstMedia)];
        return {0x03, static_cast<std::uint8_t>(usage & 0xFF),
                static_cast<std::uint8_t>(usage >> 8), 0};
    }
    // A lone modifier goes where modifiers go, leaving no key.
    if (row.macro2Value == 0 && isModifier(v)) return {0x02, bitForm(v), 0, 0};
    return {0x02, bitForm(row.macro2Value), bitForm(v), 0};
}

// The 4-byte entry of a row; all zero where the key keeps its own function.
Entry entryFor(const ProfileKey& row, const std::vector<MacroInfo>& macros) {
    switch (row.macroType) {
        case 2:
            return {0x05, 0x03, 0, 0};
        case 3:
            return keyboardFunction(row);
        case 4: {
            // The slot is the macro's position in the list the macro image is
            // built from; the image has no slot past its directory.
            for (std::size_t i = 0; i < macros.size() && i < kMacroSlots; ++i)
                if (macros[i].macroId == row.macroValue)
                    return {0x06, static_cast<std::uint8_t>(i), byteOr0(row.macro2Value),
                            byteOr0(row.macro3Value)};
            return {};
        }
        case 6: {
            const auto* m = pick(kMouse, row.macroValue);
            return m ? Entry{0x01, (*m)[0], (*m)[1], 0} : Entry{0x01, 0, 0, 0};
        }
        case 7: {
            const auto* u = pick(kMultimedia, row.macroValue);
            return {0x03, u ? *u : std::uint8_t{0}, 0, 0};
        }
        case 8: {
            const auto* s = pick(kMacShortcuts, row.macroValue);
            return s ? Entry{0x02, (*s)[0], (*s)[1], 0} : Entry{0x02, 0, 0, 0};
        }
        case 14:
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

}  // namespace korvex
