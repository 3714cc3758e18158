#include "device/DeviceComm.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>

namespace korvex {

namespace {

constexpr std::size_t kReport = HidLink::kReportSize;
constexpr std::size_t kAnswerByte = 3;
constexpr std::uint8_t kRepeatAsked = 0xFF;

std::string chunkLine(std::size_t index, std::span<const std::uint8_t> chunk) {
    std::string line = "newArr-" + std::to_string(index);
    char hex[4];
    for (std::uint8_t b : chunk) {
        std::snprintf(hex, sizeof hex, " %02x", b);
        line += hex;
    }
    return line;
}

}  // namespace

DeviceComm::DeviceComm(HidLink* device, PauseClock* clock)
    : device_(device), clock_(clock ? clock : &SteadyPauseClock::instance()) {}

bool DeviceComm::usable(const HidLink* link) const {
    // A link that saw the keyboard leave counts as down before the monitor
    // gets round to saying so.
    return deviceStatus_.load() != 0 && link != nullptr && !link->gone();
}

bool DeviceComm::pausedSet(std::span<const std::uint8_t> bytes) {
    clock_->pause(kPause);
    HidLink* link = device_.load();
    if (!usable(link)) return false;
    return link->setFeatureReport(bytes);
}

bool DeviceComm::pausedGet(std::span<std::uint8_t> buf, std::size_t& bytesRead) {
    clock_->pause(kPause);
    HidLink* link = device_.load();
    if (!usable(link)) return false;
    return link->getFeatureReport(buf, bytesRead);
}

bool DeviceComm::sendDeviceData(std::span<const std::uint8_t> data) {
    if (!linkUp()) return false;
    if (data.size() < kReport) return false;
    const auto report = data.first(kReport);
    if (!pausedSet(report)) return false;

    // The answer lands in a copy so the caller's bytes stay as they were.
    std::array<std::uint8_t, kReport> answer{};
    std::copy(report.begin(), report.end(), answer.begin());
    std::size_t bytesRead = 0;
    const bool readOk = pausedGet(answer, bytesRead);
    bytesRead = std::min(bytesRead, kReport);
    // A failed or too short read says nothing about byte 3.
    if (!readOk || bytesRead <= kAnswerByte || answer[kAnswerByte] != kRepeatAsked) return readOk;

    if (!pausedSet(report.first(bytesRead))) return false;
    std::size_t again = 0;
    return pausedGet(answer, again);
}

BulkRunResult DeviceComm::sendBulkRun(std::span<const std::uint8_t> data, std::size_t length,
                                      std::size_t followUp) {
    BulkRunResult result;
    if (!linkUp()) return result;
    result.linkUp = true;
    const std::size_t slots = length / kReport;
    // The last slot the length covers is never sent; the keyboard counts on it.
    const std::size_t chunks = slots == 0 ? 0 : slots - 1;
    if (data.size() < chunks * kReport) return result;  // would read past the caller's bytes
    for (std::size_t i = 0; i < chunks; ++i) {
        if (stopRequested() && chunks - i + followUp > kFinishLimit) return result;
        const auto chunk = data.subspan(i * kReport, kReport);
        if (chunkLog_) chunkLog_(chunkLine(i, chunk));
        if (!pausedSet(chunk)) return result;
        ++result.chunksSent;
    }
    result.complete = true;
    return result;
}

bool DeviceComm::sendDeviceData(std::span<const std::uint8_t> data, std::size_t length) {
    return sendBulkRun(data, length).linkUp;
}

bool DeviceComm::sendDataReport(std::span<const std::uint8_t> data) {
    if (!linkUp() || data.size() < kReport) return false;
    return pausedSet(data.first(kReport));
}

void DeviceComm::pause() {
    if (linkUp()) clock_->pause(kPause);
}

const char* toString(UploadResult::Status status) {
    switch (status) {
        case UploadResult::Status::Sent:
            return "sent";
        case UploadResult::Status::Failed:
            return "failed";
        case UploadResult::Status::NoKeyboard:
            return "no keyboard";
        case UploadResult::Status::Superseded:
            return "superseded";
        case UploadResult::Status::Dropped:
            return "dropped";
        case UploadResult::Status::Stopped:
            return "stopped";
    }
    return "unknown";
}

namespace {

// The reports a step puts on the wire when the keyboard asks for no repeat.
std::size_t wireCount(const Transfer& t) {
    switch (t.kind) {
        case Transfer::Kind::Command:
            return 2;
        case Transfer::Kind::Data:
            return 1;
        case Transfer::Kind::Bulk:
            return t.length / kReport == 0 ? 0 : t.length / kReport - 1;
    }
    return 0;
}

// The reports the exchange that `from` belongs to still needs after it.
std::size_t restOfExchange(const std::vector<Transfer>& transfers, std::size_t from) {
    std::size_t n = 0;
    for (std::size_t j = from + 1; j < transfers.size() && !opensExchange(transfers[j]); ++j)
        n += wireCount(transfers[j]);
    return n;
}

}  // namespace

UploadResult sendTransfers(DeviceComm& comm, const std::vector<Transfer>& transfers) {
    std::optional<UploadResult> firstFailure;
    for (std::size_t k = 0; k < transfers.size(); ++k) {
        const Transfer& t = transfers[k];
        // Stop between exchanges, or inside one that would take too long to
        // finish; a short one is completed so the keyboard is not left in it.
        if (comm.stopRequested() &&
            (k == 0 || opensExchange(t) ||
             wireCount(t) + restOfExchange(transfers, k) > DeviceComm::kFinishLimit)) {
            // Inside a long bulk run the run itself decides, chunk by chunk.
            if (t.kind != Transfer::Kind::Bulk || k == 0 || opensExchange(t))
                return UploadResult{UploadResult::Status::Stopped, k};
        }
        if (t.extraPause) comm.pause();
        bool ok = false;
        switch (t.kind) {
            case Transfer::Kind::Command:
                ok = comm.sendDeviceData(t.bytes);
                break;
            case Transfer::Kind::Data:
                ok = comm.sendDataReport(t.bytes);
                break;
            case Transfer::Kind::Bulk:
                ok = comm.sendBulkRun(t.bytes, t.length, restOfExchange(transfers, k)).complete;
                if (!ok && comm.stopRequested() && comm.linkUp())
                    return UploadResult{UploadResult::Status::Stopped, k};
                break;
        }
        if (ok) continue;
        if (!comm.linkUp()) return UploadResult{UploadResult::Status::NoKeyboard, k};
        if (!firstFailure) firstFailure = UploadResult{UploadResult::Status::Failed, k};
    }
    return firstFailure.value_or(UploadResult{});
}

}  // namespace korvex
