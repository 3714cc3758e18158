#pragma once

// Building blocks shared by the encoders; not part of the public interface.

#include <cstdint>
#include <optional>
#include <vector>

#include "protocol/Encoders.h"

namespace korvex::frames {

// Command codes of byte 1.
inline constexpr std::uint8_t kBegin = kBeginCommand;
inline constexpr std::uint8_t kMacroBegin = kMacroBeginCommand;
inline constexpr std::uint8_t kEnd = 0x02;
inline constexpr std::uint8_t kStore = 0xF0;
inline constexpr std::uint8_t kKeyTableTop = 0x11;
inline constexpr std::uint8_t kKeyTableFn = 0x27;
inline constexpr std::uint8_t kLightMode = 0x13;
inline constexpr std::uint8_t kUserLightLeds = 0x23;
inline constexpr std::uint8_t kSystemFunctions = 0x17;
inline constexpr std::uint8_t kMacroImage = 0x15;

// One command array reused through an upload, as the keyboard expects:
// each report only rewrites bytes 0, 1 and 8, so whatever an earlier report
// left elsewhere (the system header's byte 2) goes out again.
class CommandArray {
  public:
    CommandArray() : bytes_(kCommandArraySize, 0) {}
    void set(std::size_t index, std::uint8_t value) { bytes_[index] = value; }
    Transfer report(std::uint8_t code, std::uint8_t count) {
        bytes_[0] = 0x04;
        bytes_[1] = code;
        bytes_[8] = count;
        return Transfer{Transfer::Kind::Command, bytes_, 0, false};
    }

  private:
    std::vector<std::uint8_t> bytes_;
};

inline Transfer dataReport(std::vector<std::uint8_t> bytes) {
    return Transfer{Transfer::Kind::Data, std::move(bytes), 0, false};
}

inline Transfer bulkRun(std::vector<std::uint8_t> bytes, std::size_t length) {
    return Transfer{Transfer::Kind::Bulk, std::move(bytes), length, false};
}

// Writes the two-byte end marker AA 55 at `at`.
inline void endMarker(std::vector<std::uint8_t>& bytes, std::size_t at) {
    bytes[at] = 0xAA;
    bytes[at + 1] = 0x55;
}

// Entry numbers of a key in the key table and the colour table, from the
// key catalog; none for a code the catalog does not know or whose entry
// would not lie before the end marker of the sent table.
std::optional<std::size_t> keyTableIndex(std::int64_t keyCode);
std::optional<std::size_t> lightTableIndex(std::int64_t keyCode);

// Copies the frames of one upload behind another's.
inline void append(std::vector<Transfer>& to, std::vector<Transfer> from) {
    for (auto& t : from) to.push_back(std::move(t));
}

}  // namespace korvex::frames
