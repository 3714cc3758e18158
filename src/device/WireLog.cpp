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

void WireLog::writeLine(const char* tag, std::span<const std::uint8_t> bytes) {
    if (!file_) return;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string line = tag;
    line += ' ';
    for (std::uint8_t b : bytes) {
        line += kHex[b >> 4];
        line += kHex[b & 0x0F];
    }
    line += '\n';
    std::lock_guard lock(mutex_);
    std::fputs(line.c_str(), file_);
    // Flushed per line so a crash or an unplug keeps everything that went out.
    std::fflush(file_);
}

bool WireLog::setFeatureReport(std::span<const std::uint8_t> data) {
    writeLine("set", data);
    return inner_.setFeatureReport(data);
}

bool WireLog::getFeatureReport(std::span<std::uint8_t> buf, std::size_t& bytesRead) {
    const bool ok = inner_.getFeatureReport(buf, bytesRead);
    if (ok) writeLine("get", buf.first(std::min(bytesRead, buf.size())));
    return ok;
}

}  // namespace korvex
