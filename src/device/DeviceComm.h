#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "device/HidLink.h"
#include "device/PauseClock.h"
#include "protocol/Transfer.h"

namespace korvex {

// How a run of bulk data reports went, for callers that need more than the
// historical "true whenever the link was up".
struct BulkRunResult {
    bool linkUp = false;         // false: nothing was tried
    std::size_t chunksSent = 0;  // chunks written before a failure or the end
    bool complete = false;       // every chunk of the run was written
};

// The only way bytes reach the keyboard: 64-byte feature reports with report
// id 4, each preceded by an 8 ms pause. Adds no framing of its own.
//
// `device` and `deviceStatus` may be written from another thread (attach and
// detach) while a send runs on the device thread; both are atomics and every
// platform call checks the status right before it goes out, so nothing is
// written once the status is 0.
class DeviceComm {
  public:
    static constexpr std::chrono::milliseconds kPause{8};

    // deviceStatus starts at 1. The clock defaults to the real monotonic one.
    explicit DeviceComm(HidLink* device, PauseClock* clock = nullptr);

    HidLink* device() const { return device_.load(); }
    void setDevice(HidLink* device) { device_.store(device); }
    std::int64_t deviceStatus() const { return deviceStatus_.load(); }
    void setDeviceStatus(std::int64_t status) { deviceStatus_.store(status); }

    // One command report: the first 64 bytes of data go out, then the answer
    // is read into a copy (data itself is never changed). An answer with 0xFF
    // in byte 3 gets exactly one repeat of the same bytes, written with the
    // length that read returned, followed by one more read whose contents are
    // not examined. False when the link is down, data is shorter than 64
    // bytes, or a write or the deciding read fails.
    bool sendDeviceData(std::span<const std::uint8_t> data);

    // A run of bulk data reports: (length / 64) - 1 chunks of 64 bytes from
    // data, no read-back, stopping at the first failed write. True whenever
    // the link was up, as callers of this form have always relied on; use
    // sendBulkRun to learn whether the run was complete.
    bool sendDeviceData(std::span<const std::uint8_t> data, std::size_t length);
    // With a stop flag set, a run stops after the current chunk once the
    // chunks left plus `followUp` (transfers the exchange still needs after
    // the run) exceed kFinishLimit.
    BulkRunResult sendBulkRun(std::span<const std::uint8_t> data, std::size_t length,
                              std::size_t followUp = 0);

    // One lone 64-byte data report, no read-back and no retry. True when it
    // was written.
    bool sendDataReport(std::span<const std::uint8_t> data);

    // One 8 ms gap with nothing sent, where an upload asks for more quiet
    // than the pause before each transfer. Skipped while the link is down.
    void pause();

    // Each bulk chunk can be logged as "newArr-<index> <64 hex bytes>". Off
    // unless a sink is set (the command-line tool sets one with --verbose).
    void setChunkLog(std::function<void(const std::string&)> sink) { chunkLog_ = std::move(sink); }

    // An exchange cut short by a stop request is finished when this many
    // transfers or fewer complete it (a whole key or colour table exchange,
    // about 130 ms), otherwise left after the current transfer.
    static constexpr std::size_t kFinishLimit = 16;
    // A flag (set from a signal handler) that asks uploads to stop at the
    // next point where the keyboard is not left inside an exchange.
    void setStopFlag(const std::atomic<bool>* flag) { stop_ = flag; }
    bool stopRequested() const { return stop_ && stop_->load(); }

    // Attached, pointed at a link, and that link has not seen the keyboard
    // leave.
    bool linkUp() const { return usable(device_.load()); }

  private:
    bool usable(const HidLink* link) const;
    // Pause, re-check the link, then write. False when down or the write fails.
    bool pausedSet(std::span<const std::uint8_t> bytes);
    bool pausedGet(std::span<std::uint8_t> buf, std::size_t& bytesRead);

    std::atomic<HidLink*> device_;
    std::atomic<std::int64_t> deviceStatus_{1};
    PauseClock* clock_;
    std::function<void(const std::string&)> chunkLog_;
    const std::atomic<bool>* stop_ = nullptr;
};

// Outcome of one upload as a whole.
struct UploadResult {
    enum class Status {
        Sent,        // every transfer went out
        Failed,      // transfer `transfer` (0-based) failed; the rest were still sent
        NoKeyboard,  // the keyboard left (or was detached) at transfer `transfer`; nothing
                     // more of the upload was sent
        Superseded,  // replaced in the queue by a newer upload of the same kind and target
        Dropped,     // still queued when the keyboard was detached; never sent
        Stopped,     // cut short on a stop request before transfer `transfer`
    };
    Status status = Status::Sent;
    std::size_t transfer = 0;

    bool operator==(const UploadResult&) const = default;
};

const char* toString(UploadResult::Status status);

// Sends a whole transfer list in order, with the extra gap a transfer asks
// for. A failed transfer does not stop the list (the end report still closes
// the exchange on the keyboard), but the first failure is what the result
// reports. A keyboard that has left stops the list at once. A stop request is
// honoured between exchanges, or inside one as kFinishLimit allows.
UploadResult sendTransfers(DeviceComm& comm, const std::vector<Transfer>& transfers);

}  // namespace korvex
