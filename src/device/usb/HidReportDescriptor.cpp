#include "device/usb/HidReportDescriptor.h"

#include <algorithm>
#include <array>
#include <map>
#include <utility>

namespace korvex::usb {

namespace {

// Limits the Linux HID core applies too; beyond them a descriptor is not a
// real device's and no size computed from it could be trusted.
constexpr std::uint64_t kMaxReportSizeBits = 256;
constexpr std::uint64_t kMaxReportCount = 12288;
constexpr std::uint64_t kMaxReportBytes = 16384;
constexpr std::size_t kMaxGlobalStack = 4;
constexpr std::size_t kMaxCollectionDepth = 64;

enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2, kReserved = 3 };

// Main item tags.
constexpr std::uint8_t kInput = 0x8;
constexpr std::uint8_t kOutput = 0x9;
constexpr std::uint8_t kCollection = 0xA;
constexpr std::uint8_t kFeature = 0xB;
constexpr std::uint8_t kEndCollection = 0xC;

// Global item tags.
constexpr std::uint8_t kReportSize = 0x7;
constexpr std::uint8_t kReportId = 0x8;
constexpr std::uint8_t kReportCount = 0x9;
constexpr std::uint8_t kPush = 0xA;
constexpr std::uint8_t kPop = 0xB;

constexpr std::uint8_t kLongItemPrefix = 0xFE;

struct Globals {
    std::uint64_t reportSize = 0;
    std::uint64_t reportCount = 0;
    std::uint8_t reportId = 0;
};

ReportDescriptorInfo fail(std::string why, std::size_t offset) {
    ReportDescriptorInfo info;
    info.malformed = true;
    info.error = std::move(why);
    info.errorOffset = offset;
    return info;
}

}  // namespace

std::size_t ReportDescriptorInfo::sizeOf(ReportKind kind, std::uint8_t id) const {
    for (const DeclaredReport& r : reports)
        if (r.kind == kind && r.id == id) return r.bytes;
    return 0;
}

ReportDescriptorInfo parseReportDescriptor(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return fail("empty descriptor", 0);

    Globals g;
    std::array<Globals, kMaxGlobalStack> stack{};
    std::size_t stackDepth = 0;
    std::size_t collectionDepth = 0;
    std::size_t collections = 0;
    bool usesIds = false;
    // Bits declared so far per (kind, report id).
    std::map<std::pair<ReportKind, std::uint8_t>, std::uint64_t> bits;

    std::size_t items = 0;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t itemStart = pos;
        const std::uint8_t prefix = bytes[pos++];

        if (prefix == kLongItemPrefix) {
            // Long items have no tags defined for reports; skip them whole.
            if (bytes.size() - pos < 2) return fail("truncated long item", itemStart);
            const std::size_t dataSize = bytes[pos];
            pos += 2;
            if (bytes.size() - pos < dataSize) return fail("truncated long item", itemStart);
            pos += dataSize;
            ++items;
            continue;
        }

        // Some devices pad the descriptor with zero bytes; a 0x00 item
        // anywhere else is nonsense and caught below.
        if (prefix == 0 && std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(itemStart),
                                       bytes.end(), [](std::uint8_t b) { return b == 0; }))
            break;
        ++items;

        const std::size_t sizeCode = prefix & 0x3;
        const std::size_t dataSize = sizeCode == 3 ? 4 : sizeCode;
        const auto type = static_cast<ItemType>((prefix >> 2) & 0x3);
        const std::uint8_t tag = prefix >> 4;
        if (bytes.size() - pos < dataSize) return fail("truncated item", itemStart);
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < dataSize; ++i)
            value |= static_cast<std::uint64_t>(bytes[pos + i]) << (8 * i);
        pos += dataSize;

        if (type == kReserved) return fail("reserved item type", itemStart);

        if (type == kGlobal) {
            switch (tag) {
                case kReportSize:
                    if (value > kMaxReportSizeBits) return fail("report size too large", itemStart);
                    g.reportSize = value;
                    break;
                case kReportCount:
                    if (value > kMaxReportCount) return fail("report count too large", itemStart);
                    g.reportCount = value;
                    break;
                case kReportId:
                    if (value == 0 || value > 0xFF) return fail("invalid report id", itemStart);
                    g.reportId = static_cast<std::uint8_t>(value);
                    usesIds = true;
                    break;
                case kPush:
                    if (stackDepth == kMaxGlobalStack)
                        return fail("push stack overflow", itemStart);
                    stack[stackDepth++] = g;
                    break;
                case kPop:
                    if (stackDepth == 0) return fail("pop without push", itemStart);
                    g = stack[--stackDepth];
                    break;
                default:
                    break;  // usage page, logical and physical ranges, units
            }
            continue;
        }
        if (type == kLocal) continue;  // usages and designators do not change sizes

        switch (tag) {
            case kInput:
            case kOutput:
            case kFeature: {
                const ReportKind kind = tag == kInput    ? ReportKind::Input
                                        : tag == kOutput ? ReportKind::Output
                                                         : ReportKind::Feature;
                std::uint64_t& total = bits[{kind, g.reportId}];
                total += g.reportSize * g.reportCount;
                if (total > kMaxReportBytes * 8) return fail("report too large", itemStart);
                break;
            }
            case kCollection:
                ++collections;
                if (++collectionDepth > kMaxCollectionDepth)
                    return fail("collections nested too deep", itemStart);
                break;
            case kEndCollection:
                if (collectionDepth == 0)
                    return fail("end collection without collection", itemStart);
                --collectionDepth;
                break;
            default:
                return fail("unknown main item", itemStart);
        }
    }

    if (items == 0) return fail("empty descriptor", 0);
    if (stackDepth != 0) return fail("push without pop", bytes.size());
    if (collectionDepth != 0) return fail("unclosed collection", bytes.size());
    // Every HID interface describes at least one application collection.
    if (collections == 0) return fail("no collection", bytes.size());

    ReportDescriptorInfo info;
    info.sizes.usesReportIds = usesIds;
    for (const auto& [key, total] : bits) {
        if (total == 0) continue;  // a main item with no data fields
        const std::size_t size = static_cast<std::size_t>((total + 7) / 8) + (usesIds ? 1 : 0);
        info.reports.push_back({key.first, key.second, size});
        std::size_t& max = key.first == ReportKind::Input    ? info.sizes.maxInput
                           : key.first == ReportKind::Output ? info.sizes.maxOutput
                                                             : info.sizes.maxFeature;
        max = std::max(max, size);
    }
    return info;
}

std::size_t reportDescriptorLength(std::span<const std::uint8_t> extra) {
    constexpr std::uint8_t kHidClassDescriptor = 0x21;
    constexpr std::uint8_t kReportDescriptor = 0x22;
    std::size_t pos = 0;
    while (extra.size() - pos >= 2) {
        const std::size_t length = extra[pos];
        if (length < 2 || length > extra.size() - pos) return 0;
        const auto d = extra.subspan(pos, length);
        // bLength, bDescriptorType, bcdHID (2), bCountryCode, bNumDescriptors,
        // then (bDescriptorType, wDescriptorLength) for each class descriptor.
        if (d[1] == kHidClassDescriptor && length >= 6) {
            const std::size_t count = d[5];
            for (std::size_t i = 0; i < count && 6 + 3 * i + 3 <= length; ++i) {
                const std::size_t at = 6 + 3 * i;
                if (d[at] == kReportDescriptor) return d[at + 1] | (d[at + 2] << 8);
            }
            return 0;
        }
        pos += length;
    }
    return 0;
}

}  // namespace korvex::usb
