#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>

#include "device/HidLink.h"
#include "device/UploadWorker.h"
#include "device/usb/HIDDevice.h"
#include "device/usb/UsbBackend.h"

namespace korvex::usb {

// Feature report 4 of the keyboard's configuration interface, by control
// transfers on the default pipe: the data stage carries exactly the bytes the
// protocol built, report id or payload in byte 0 alike (hidraw would take
// byte 0 as the report id).
//
// The interface is claimed, with the kernel driver detached, only while
// uploads run: from the first transfer of a batch (or batchStarting) until the
// upload queue goes idle (queueIdle, or releaseIfIdle once no transfer has
// run for kIdleRelease), the keyboard leaves or the link is destroyed. In
// between, the kernel driver has it back and whatever input it carries keeps
// working.
//
// Transfers run on the upload worker's thread; releaseIfIdle may come
// from other threads.
class UsbHidLink final : public HidLink, public LinkActivityListener {
  public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::chrono::milliseconds kTransferTimeout{1000};
    static constexpr std::chrono::milliseconds kIdleRelease{1000};

    // The clock defaults to std::chrono::steady_clock.
    UsbHidLink(std::shared_ptr<UsbBackend> backend, HIDDeviceHandle target,
               std::unique_ptr<UsbHandle> handle, Clock clock = {});
    ~UsbHidLink() override;
    UsbHidLink(const UsbHidLink&) = delete;
    UsbHidLink& operator=(const UsbHidLink&) = delete;

    // SET_REPORT: 1 to 64 bytes; longer or empty reports are refused, never cut.
    bool setFeatureReport(std::span<const std::uint8_t> data) override;
    // GET_REPORT with up to 64 bytes offered.
    bool getFeatureReport(std::span<std::uint8_t> buf, std::size_t& bytesRead) override;

    bool gone() const override { return detached_; }
    std::string lastFailure() const override;

    void batchStarting() override { beginBatch(); }
    void queueIdle() override { idle(); }

    // Claims the interface (Ok when it already is). Busy when another program
    // holds it, Access when this user may not detach the kernel driver.
    UsbError beginBatch();
    // Releases the interface so the kernel driver re-attaches.
    void idle();
    // Releases once no transfer has run for kIdleRelease; for owners that
    // poll rather than listen to the upload queue. True when it released.
    bool releaseIfIdle();
    bool detached() const { return detached_; }
    bool claimed() const;
    // The error of the latest failed claim or transfer (Ok after a success).
    UsbError lastError() const;
    const HIDDeviceHandle& target() const { return target_; }

  private:
    UsbError claimLocked();
    void releaseLocked();
    bool transferLocked(std::uint8_t requestType, std::uint8_t request,
                        std::span<std::uint8_t> data, std::size_t& transferred);

    std::shared_ptr<UsbBackend> backend_;
    HIDDeviceHandle target_;
    Clock clock_;
    mutable std::mutex mutex_;
    std::unique_ptr<UsbHandle> handle_;
    bool claimed_ = false;
    std::chrono::steady_clock::time_point lastActivity_{};
    UsbError lastError_ = UsbError::Ok;
    std::atomic<bool> detached_{false};
};

}  // namespace korvex::usb
