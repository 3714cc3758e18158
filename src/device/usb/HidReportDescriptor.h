#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvex::usb {

// Report sizes of one HID interface, in bytes as they travel on the wire: a
// descriptor that uses report ids puts the id in the first byte of every
// report, so that byte is counted.
struct ReportSizes {
    std::size_t maxInput = 0;
    std::size_t maxOutput = 0;
    std::size_t maxFeature = 0;
    bool usesReportIds = false;

    bool operator==(const ReportSizes&) const = default;
};

enum class ReportKind { Input, Output, Feature };

// One report the descriptor declares. id is 0 when report ids are not used.
struct DeclaredReport {
    ReportKind kind = ReportKind::Input;
    std::uint8_t id = 0;
    std::size_t bytes = 0;  // including the id byte when ids are used

    bool operator==(const DeclaredReport&) const = default;
};

struct ReportDescriptorInfo {
    bool malformed = false;
    std::string error;            // why it is malformed; empty otherwise
    std::size_t errorOffset = 0;  // byte offset of the offending item
    ReportSizes sizes;
    std::vector<DeclaredReport> reports;  // sorted by kind, then id

    bool ok() const { return !malformed; }
    // Bytes of the given report, 0 when it is not declared.
    std::size_t sizeOf(ReportKind kind, std::uint8_t id) const;
};

// Parses a HID report descriptor. Reads only inside `bytes`; anything that is
// truncated, unbalanced, without a collection or absurdly large gives a
// malformed result with no sizes rather than a guess. Trailing zero padding
// is accepted.
ReportDescriptorInfo parseReportDescriptor(std::span<const std::uint8_t> bytes);

// The wDescriptorLength of the report descriptor announced in an interface's
// HID class descriptor (type 0x21) found in the interface's extra descriptor
// bytes; 0 when there is none.
std::size_t reportDescriptorLength(std::span<const std::uint8_t> interfaceExtra);

}  // namespace korvex::usb
