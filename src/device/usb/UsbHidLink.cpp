#include "device/usb/UsbHidLink.h"

#include <algorithm>
#include <array>
#include <string>

namespace korvex::usb {

namespace {

constexpr std::uint8_t kSetReportType = 0x21;  // host to device, class, interface
constexpr std::uint8_t kGetReportType = 0xA1;  // device to host, class, interface
constexpr std::uint8_t kSetReport = 0x09;
constexpr std::uint8_t kGetReport = 0x01;
constexpr std::uint16_t kFeatureReport4 = 0x0300 | HidLink::kReportId;

}  // namespace

UsbHidLink::UsbHidLink(std::shared_ptr<UsbBackend> backend, HIDDeviceHandle target,
                       std::unique_ptr<UsbHandle> handle, Clock clock)
    : backend_(std::move(backend)),
      target_(std::move(target)),
      clock_(clock ? std::move(clock) : Clock([] { return std::chrono::steady_clock::now(); })),
      handle_(std::move(handle)) {}

UsbHidLink::~UsbHidLink() {
    std::lock_guard lock(mutex_);
    if (!detached_) releaseLocked();
    if (handle_) backend_->close(std::move(handle_));
}

bool UsbHidLink::claimed() const {
    std::lock_guard lock(mutex_);
    return claimed_;
}

UsbError UsbHidLink::lastError() const {
    std::lock_guard lock(mutex_);
    return lastError_;
}

UsbError UsbHidLink::beginBatch() {
    std::lock_guard lock(mutex_);
    return claimLocked();
}

void UsbHidLink::idle() {
    std::lock_guard lock(mutex_);
    releaseLocked();
}

bool UsbHidLink::releaseIfIdle() {
    std::lock_guard lock(mutex_);
    if (!claimed_ || clock_() - lastActivity_ < kIdleRelease) return false;
    releaseLocked();
    return true;
}

UsbError UsbHidLink::claimLocked() {
    if (detached_ || !handle_) return lastError_ = UsbError::NoDevice;
    if (claimed_) return UsbError::Ok;
    // Not every platform can detach; claiming then fails with Busy, which
    // says what is wrong.
    backend_->setAutoDetachKernelDriver(*handle_, true);
    const UsbError rc = backend_->claimInterface(*handle_, target_.interfaceNumber);
    lastError_ = rc;
    if (rc == UsbError::NoDevice) detached_ = true;
    claimed_ = rc == UsbError::Ok;
    if (claimed_) lastActivity_ = clock_();
    return rc;
}

void UsbHidLink::releaseLocked() {
    if (!claimed_ || !handle_) return;
    claimed_ = false;
    if (backend_->releaseInterface(*handle_, target_.interfaceNumber) == UsbError::NoDevice)
        detached_ = true;
}

bool UsbHidLink::transferLocked(std::uint8_t requestType, std::uint8_t request,
                                std::span<std::uint8_t> data, std::size_t& transferred) {
    transferred = 0;
    // Callers without a batch (a one-shot command line upload) claim here.
    if (claimLocked() != UsbError::Ok) return false;
    const ControlResult r = backend_->controlTransfer(
        *handle_, requestType, request, kFeatureReport4,
        static_cast<std::uint16_t>(target_.interfaceNumber), data, kTransferTimeout);
    lastActivity_ = clock_();
    lastError_ = r.error;
    if (r.error == UsbError::NoDevice) {
        detached_ = true;
        claimed_ = false;
    }
    if (r.error != UsbError::Ok) return false;
    transferred = std::min(r.transferred, data.size());
    return true;
}

bool UsbHidLink::setFeatureReport(std::span<const std::uint8_t> data) {
    if (detached_ || data.empty() || data.size() > kReportSize) return false;
    std::array<std::uint8_t, kReportSize> out{};
    std::copy(data.begin(), data.end(), out.begin());
    std::lock_guard lock(mutex_);
    std::size_t sent = 0;
    if (!transferLocked(kSetReportType, kSetReport, std::span(out).first(data.size()), sent))
        return false;
    if (sent != data.size()) {
        lastError_ = UsbError::Io;  // a short data stage is a failed report
        return false;
    }
    return true;
}

bool UsbHidLink::getFeatureReport(std::span<std::uint8_t> buf, std::size_t& bytesRead) {
    bytesRead = 0;
    if (detached_ || buf.empty()) return false;
    std::array<std::uint8_t, kReportSize> in{};
    const std::size_t want = std::min(buf.size(), kReportSize);
    std::lock_guard lock(mutex_);
    std::size_t got = 0;
    if (!transferLocked(kGetReportType, kGetReport, std::span(in).first(want), got)) return false;
    if (got != want) {
        lastError_ = UsbError::Io;  // a report cut short may have lost its answer byte
        return false;
    }
    std::copy_n(in.begin(), got, buf.begin());
    bytesRead = got;
    return true;
}

std::string UsbHidLink::lastFailure() const {
    const UsbError e = lastError();
    if (e != UsbError::Ok) return toString(e);
    return detached_ ? toString(UsbError::NoDevice) : std::string();
}

}  // namespace korvex::usb
