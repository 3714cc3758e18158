#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "device/HidLink.h"

namespace korvex {

// A HidLink in front of another one that appends every transfer to a file in
// wire order, in lower-case hex of the bytes: "set <hex>" for each report the
// link took, "get <hex>" for each answer read. A transfer that failed gets
// "fail set <hex> <reason>" or "fail get <reason>" instead, so the log never
// claims a report reached the keyboard when it did not.
class WireLog final : public HidLink {
  public:
    // Opens path for appending; check isOpen() (error() says why not).
    WireLog(HidLink& inner, const std::string& path);
    ~WireLog() override;
    WireLog(const WireLog&) = delete;
    WireLog& operator=(const WireLog&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    const std::string& error() const { return error_; }

    bool setFeatureReport(std::span<const std::uint8_t> data) override;
    bool getFeatureReport(std::span<std::uint8_t> buf, std::size_t& bytesRead) override;
    bool gone() const override { return inner_.gone(); }
    std::string lastFailure() const override { return inner_.lastFailure(); }

  private:
    void writeLine(const char* tag, std::span<const std::uint8_t> bytes,
                   const std::string& reason = {});
    std::string failureReason() const;

    HidLink& inner_;
    std::FILE* file_ = nullptr;
    std::string error_;
    std::mutex mutex_;
};

}  // namespace korvex
