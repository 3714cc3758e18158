#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvex {

// One 64-byte feature report channel (report id 4) to the keyboard. The USB
// link and the simulated keyboard both implement it; everything above talks
// only to this.
class HidLink {
  public:
    static constexpr std::size_t kReportSize = 64;
    static constexpr std::uint8_t kReportId = 4;

    virtual ~HidLink() = default;

    // SET_REPORT of feature report 4 with exactly these bytes (at most 64).
    virtual bool setFeatureReport(std::span<const std::uint8_t> data) = 0;

    // GET_REPORT of feature report 4 into buf (64 bytes offered); bytesRead is
    // the length the device returned. False when the transfer failed.
    virtual bool getFeatureReport(std::span<std::uint8_t> buf, std::size_t& bytesRead) = 0;
};

}  // namespace korvex
