#include <algorithm>
#include <array>
#include <unordered_map>

#include "protocol/Encoders.h"
#include "protocol/Frames.h"

namespace korvex {

namespace {

using Event = std::array<std::uint8_t, 4>;

constexpr std::size_t kDirectoryBytes = kMacroSlots * 4;
constexpr std::size_t kBodyHeader = 8;
constexpr Event kInsertedDelay = {0x0A, 0x00, 0x00, 0x50};

struct Encoded {
    Event bytes{};
    bool isDelay = false;
    bool isInput = false;  // a key or mouse event
};

std::uint8_t buttonBit(std::int64_t value) {
    switch (value) {
        case 1:
            return 0x01;  // left
        case 2:
            return 0x04;  // middle
        case 3:
            return 0x02;  // right
        default:
            return 0;
    }
}

Encoded encode(const RecordInfo& row) {
    const std::int64_t v = row.recordValue;
    switch (row.recordType) {
        case 1: {
            // Longer delays than 16 bits can say are sent as the longest one.
            const auto units = static_cast<std::uint16_t>(std::clamp<std::int64_t>(v, 0, 0xFFFF));
            return {{static_cast<std::uint8_t>(units & 0xFF), static_cast<std::uint8_t>(units >> 8),
                     0x00, 0x50},
                    true,
                    false};
        }
        case 2:
        case 3:
            if (v < 0 || v > 0xFF) return {};
            return {{0x00, 0x00, static_cast<std::uint8_t>(v),
                     static_cast<std::uint8_t>(row.recordType == 2 ? 0xB0 : 0x30)},
                    false,
                    true};
        case 4:
        case 5: {
            const std::uint8_t bit = buttonBit(v);
            if (bit == 0) return {};
            return {{0x00, 0x00, bit, static_cast<std::uint8_t>(row.recordType == 4 ? 0x90 : 0x10)},
                    false,
                    true};
        }
        default:
            return {};
    }
}

// The events of one macro as the keyboard plays them: a pause of 10 units
// goes between two events that have no recorded delay between them.
std::vector<Event> bodyEvents(const std::vector<const RecordInfo*>& rows) {
    std::vector<Event> events;
    bool lastWasDelay = false;
    for (const RecordInfo* row : rows) {
        const Encoded e = encode(*row);
        if (!e.isDelay && !events.empty() && !lastWasDelay) events.push_back(kInsertedDelay);
        events.push_back(e.bytes);
        if (e.isDelay)
            lastWasDelay = true;
        else if (e.isInput)
            lastWasDelay = false;
    }
    return events;
}

MacroImageResult refused(std::string reason) {
    MacroImageResult r;
    r.status = MacroImageStatus::TooLarge;
    r.upload.kind = UploadKind::Macros;
    r.upload.label = "macros";
    r.reason = std::move(reason);
    return r;
}

void put16(std::vector<std::uint8_t>& image, std::size_t at, std::size_t value) {
    image[at] = static_cast<std::uint8_t>(value & 0xFF);
    image[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

}  // namespace

MacroImageResult SaveMacroToKeyboard(const std::vector<MacroInfo>& macros,
                                     const std::vector<RecordInfo>& records,
                                     std::size_t storedRecordCount) {
    const std::size_t counted = 4 * std::max(records.size(), storedRecordCount) + 8 * macros.size();
    if (counted > kMacroSizeLimit)
        return refused("the macros are too large for the keyboard (" + std::to_string(counted) +
                       " of " + std::to_string(kMacroSizeLimit) + " bytes)");
    if (macros.size() > kMacroSlots)
        return refused("the keyboard holds at most " + std::to_string(kMacroSlots) +
                       " macros, not " + std::to_string(macros.size()));

    std::unordered_map<std::int64_t, std::vector<const RecordInfo*>> rowsOf;
    for (const RecordInfo& r : records) rowsOf[r.macroId].push_back(&r);

    std::vector<std::uint8_t> image(kMacroImageSize, 0);
    std::size_t offset = kDirectoryBytes;
    for (std::size_t i = 0; i < macros.size(); ++i) {
        const auto found = rowsOf.find(macros[i].macroId);
        if (found == rowsOf.end() || found->second.empty()) {
            std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(4 * i), 4, 0xFF);
            continue;
        }
        const std::vector<Event> events = bodyEvents(found->second);
        const std::size_t end = offset + kBodyHeader + 4 * events.size();
        // The image ends with at least one report after the last body.
        if (end + kReportSize > kMacroImageSize)
            return refused("the macros do not fit into the keyboard's " +
                           std::to_string(kMacroImageSize) + "-byte macro memory");
        put16(image, 4 * i, offset);
        put16(image, offset, events.size());
        for (std::size_t k = 0; k < events.size(); ++k)
            std::copy(events[k].begin(), events[k].end(),
                      image.begin() + static_cast<std::ptrdiff_t>(offset + kBodyHeader + 4 * k));
        offset = end;
    }

    const std::size_t reports = (offset + kReportSize - 1) / kReportSize + 1;
    frames::endMarker(image, reports * kReportSize - 2);

    MacroImageResult result;
    result.upload.kind = UploadKind::Macros;
    result.upload.label = "macros";
    frames::CommandArray command;
    auto& out = result.upload.transfers;
    out.push_back(command.report(frames::kMacroBegin, 0x00));
    out.push_back(command.report(frames::kMacroImage, static_cast<std::uint8_t>(reports)));
    // One length slot more than is sent: the run always leaves the last out.
    out.push_back(frames::bulkRun(std::move(image), reports * kReportSize + kReportSize));
    out.back().extraPause = true;
    out.push_back(command.report(frames::kEnd, 0x00));
    out.back().extraPause = true;
    return result;
}

}  // namespace korvex
