#include "device/WireLog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace korvex {

WireLog::WireLog(HidLink& inner, const std::string& path) : inner_(inner) {
    file_ = std::fopen(path.c_str(), "a");
    if (!file_) error_ = path + ": " + std::strerror(errno);
}

WireLog::~WireLog() {
    if (file_) std::fclose(file_);
}

void WireLog::writeLine(const char* tag, std::span<const std::uint8_t> bytes,
                        const std::string& reason) {
    if (!file_) return;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string line = tag;
    line += ' ';
    for (std::uint8_t b : bytes) {
        line += kHex[b >> 4];
        line += kHex[b & 0x0F];
    }
    if (!reason.empty()) {
        if (!bytes.empty()) line += ' ';
        line += reason;
    }
    line += '\n';
    std::lock_guard lock(mutex_);
    std::fputs(line.c_str(), file_);
    // Flushed per line so a crash or an unplug keeps everything that went out.
    std::fflush(file_);
}

std::string WireLog::failureReason() const {
    std::string reason = inner_.lastFailure();
    // One line per transfer, whatever the link says.
    for (char& c : reason)
        if (c == '\n' || c == '\r') c = ' ';
    return reason.empty() ? "failed" : reason;
}

bool WireLog::setFeatureReport(std::span<const std::uint8_t> data) {
    // Written once the outcome is known: the log is evidence of what arrived.
    const bool ok = inner_.setFeatureReport(data);
    if (ok)
        writeLine("set", data);
    else
        writeLine("fail set", data, failureReason());
    return ok;
}

bool WireLog::getFeatureReport(std::span<std::uint8_t> buf, std::size_t& bytesRead) {
    const bool ok = inner_.getFeatureReport(buf, bytesRead);
    if (ok)
        writeLine("get", buf.first(std::min(bytesRead, buf.size())));
    else
        writeLine("fail get", {}, failureReason());
    return ok;
}

}  // namespace korvex
