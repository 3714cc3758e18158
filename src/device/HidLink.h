#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

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

    // True once the link knows the keyboard has left (a USB "no device"):
    // nothing sent through it can arrive any more.
    virtual bool gone() const { return false; }
    // Why the latest transfer failed, in a few words; empty when not known.
    virtual std::string lastFailure() const { return {}; }
};

}  // namespace korvex
