#include "device/SimulatedKeyboard.h"

#include <algorithm>
#include <cstdio>

namespace korvex {

namespace {

constexpr std::uint8_t kCommand = 0x04;
constexpr std::uint8_t kBegin = 0x18;
constexpr std::uint8_t kMacroBegin = 0x19;
constexpr std::uint8_t kKeysTop = 0x11;
constexpr std::uint8_t kKeysFn = 0x27;
constexpr std::uint8_t kSystem = 0x17;
constexpr std::uint8_t kLightMode = 0x13;
constexpr std::uint8_t kPerKey = 0x23;
constexpr std::uint8_t kMacros = 0x15;
constexpr std::uint8_t kEnd = 0x02;
constexpr std::uint8_t kStore = 0xF0;

constexpr std::size_t kMacroImageBytes = 3200;
constexpr std::size_t kMacroSlots = 100;
constexpr std::size_t kMacroDirectoryBytes = kMacroSlots * 4;

std::string hex(std::uint8_t b) {
    char s[8];
    std::snprintf(s, sizeof s, "0x%02X", b);
    return s;
}

bool isHeader(std::uint8_t c) {
    return c == kKeysTop || c == kKeysFn || c == kSystem || c == kLightMode || c == kPerKey ||
           c == kMacros;
}

// Data reports a header must announce; 0 when any count is fine.
std::size_t fixedCount(std::uint8_t header) {
    switch (header) {
        case kKeysTop:
        case kKeysFn:
        case kPerKey:
            return 9;
        case kSystem:
        case kLightMode:
            return 1;
        default:
            return 0;
    }
}

bool hasMarker(const std::vector<std::uint8_t>& data, std::size_t at) {
    return data.size() >= at + 2 && data[at] == 0xAA && data[at + 1] == 0x55;
}

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

SimMacroEvent decodeEvent(const std::uint8_t* e) {
    using K = SimMacroEvent::Kind;
    if (e[0] == 0 && e[1] == 0 && e[2] == 0 && e[3] == 0) return {K::Blank, 0};
    switch (e[3]) {
        case 0x50:
            return {K::Delay, le16(e)};
        case 0xB0:
            return {K::KeyDown, e[2]};
        case 0x30:
            return {K::KeyUp, e[2]};
        case 0x90:
            return {K::MouseDown, e[2]};
        case 0x10:
            return {K::MouseUp, e[2]};
        default:
            return {K::Unknown, le16(e)};
    }
}

}  // namespace

const char* toString(SimExchange exchange) {
    switch (exchange) {
        case SimExchange::KeyTableTop:
            return "keys-top";
        case SimExchange::KeyTableFn:
            return "keys-fn";
        case SimExchange::SystemFunctions:
            return "system";
        case SimExchange::LightMode:
            return "lightmode";
        case SimExchange::PerKeyColours:
            return "perkey";
        case SimExchange::Macros:
            return "macros";
    }
    return "?";
}

void SimulatedKeyboard::violation(std::string text) {
    violations_.push_back(std::move(text));
}

bool SimulatedKeyboard::injectFault() {
    const std::size_t n = transfers_++;
    if (vanishAt_ && n >= *vanishAt_) present_ = false;
    if (!present_) return true;
    return failing_.count(n) != 0;
}

bool SimulatedKeyboard::setFeatureReport(std::span<const std::uint8_t> data) {
    std::function<void()> vanished;
    bool ok = true;
    {
        std::lock_guard lock(mutex_);
        const bool wasPresent = present_;
        if (injectFault()) {
            if (wasPresent && !present_) vanished = std::move(onVanish_);
            ok = false;
        } else if (data.size() != kReportSize) {
            // The control transfer goes through, but the keyboard cannot use it.
            violation("report of " + std::to_string(data.size()) + " bytes, must be 64");
        } else {
            writes_.emplace_back(data.begin(), data.end());
            if (received_ < expected_) {
                data_.insert(data_.end(), data.begin(), data.end());
                ++received_;
                lastSetWasData_ = true;
                runJustCompleted_ = received_ == expected_;
            } else {
                onCommand(data);
            }
        }
    }
    if (vanished) vanished();
    return ok;
}

bool SimulatedKeyboard::getFeatureReport(std::span<std::uint8_t> buf, std::size_t& bytesRead) {
    std::function<void()> vanished;
    bool ok = true;
    {
        std::lock_guard lock(mutex_);
        const bool wasPresent = present_;
        if (injectFault()) {
            if (wasPresent && !present_) vanished = std::move(onVanish_);
            ok = false;
        } else {
            if (lastSetWasData_) {
                // Only commands are read back: the last report was a command
                // that came before the announced run was complete.
                violation("header announced " + std::to_string(expected_) + " data reports, got " +
                          std::to_string(received_ - 1));
                std::vector<std::uint8_t> command(data_.end() - kReportSize, data_.end());
                data_.resize(data_.size() - kReportSize);
                --received_;
                expected_ = received_;
                runBroken_ = true;
                onCommand(command);
            }
            std::array<std::uint8_t, kReportSize> answer = answer_;
            answer[3] = refused_ ? 0xFF : 0x00;
            const std::size_t n = std::min({readLength_, buf.size(), answer.size()});
            std::copy_n(answer.begin(), n, buf.begin());
            bytesRead = n;
        }
    }
    if (vanished) vanished();
    return ok;
}

void SimulatedKeyboard::onCommand(std::span<const std::uint8_t> report) {
    const bool afterRun = runJustCompleted_;
    lastSetWasData_ = false;
    const std::uint8_t code = report[1];
    const bool known =
        code == kBegin || code == kMacroBegin || code == kEnd || code == kStore || isHeader(code);
    if (report[0] != kCommand || !known) {
        if (afterRun)
            violation("more data reports than the header announced");
        else if (report[0] != kCommand)
            violation("data report without header");
        else
            violation("unknown command " + hex(code));
        return;
    }
    runJustCompleted_ = false;
    std::copy(report.begin(), report.end(), answer_.begin());
    refused_ = repeatAsked_.count(commands_++) != 0;
    if (refused_) return;  // not taken; the host is to repeat it

    const std::uint8_t ended = lastEnded_;
    lastEnded_ = 0;
    if (code == kBegin || code == kMacroBegin) {
        if (begin_ != 0) violation("begin " + hex(code) + " inside an open exchange");
        begin_ = code;
        header_ = 0;
        expected_ = received_ = 0;
        runBroken_ = false;
        data_.clear();
    } else if (isHeader(code)) {
        onHeader(code, report[8]);
    } else if (code == kEnd) {
        onEnd();
    } else if (code == kStore) {
        if (ended != kLightMode && ended != kPerKey)
            violation("store report outside a lighting exchange");
        else
            ++stores_;
    }
}

void SimulatedKeyboard::onHeader(std::uint8_t header, std::size_t announced) {
    if (begin_ == 0) {
        violation("header " + hex(header) + " without begin");
        return;
    }
    if (header_ != 0) violation("second header " + hex(header) + " in one exchange");
    const std::uint8_t wantedBegin = header == kMacros ? kMacroBegin : kBegin;
    if (begin_ != wantedBegin) violation("header " + hex(header) + " after begin " + hex(begin_));
    const std::size_t fixed = fixedCount(header);
    if (fixed != 0 && announced != fixed)
        violation("header " + hex(header) + " announces " + std::to_string(announced) +
                  " data reports instead of " + std::to_string(fixed));
    if (header == kMacros && (announced == 0 || announced * kReportSize > kMacroImageBytes))
        violation("macro header announces " + std::to_string(announced) + " data reports");
    header_ = header;
    expected_ = announced;
    received_ = 0;
    runBroken_ = false;
    data_.clear();
}

void SimulatedKeyboard::onEnd() {
    if (begin_ == 0) {
        violation("end without begin");
        return;
    }
    if (header_ != 0) {
        if (received_ < expected_) {
            violation("header announced " + std::to_string(expected_) + " data reports, got " +
                      std::to_string(received_));
        } else if (!runBroken_) {
            commit();
            lastEnded_ = header_;
        }
    }
    begin_ = header_ = 0;
    expected_ = received_ = 0;
    runBroken_ = false;
    data_.clear();
}

void SimulatedKeyboard::commit() {
    auto table = [&](std::optional<std::array<std::uint8_t, kTableBytes>>& into) {
        if (!hasMarker(data_, kTableBytes - 2)) {
            violation("table without AA 55 in bytes 574 and 575");
            return false;
        }
        std::array<std::uint8_t, kTableBytes> t{};
        std::copy_n(data_.begin(), kTableBytes, t.begin());
        into = t;
        return true;
    };
    switch (header_) {
        case kKeysTop:
            if (table(keys_[0])) exchanges_.push_back(SimExchange::KeyTableTop);
            break;
        case kKeysFn:
            if (table(keys_[1])) exchanges_.push_back(SimExchange::KeyTableFn);
            break;
        case kPerKey:
            if (table(leds_)) exchanges_.push_back(SimExchange::PerKeyColours);
            break;
        case kLightMode:
            if (!hasMarker(data_, 14)) {
                violation("light mode data without AA 55 in bytes 14 and 15");
                break;
            }
            light_ = SimLightMode{data_[0], data_[1], data_[2],  data_[3],
                                  data_[8], data_[9], data_[10], data_[11]};
            exchanges_.push_back(SimExchange::LightMode);
            break;
        case kSystem:
            if (!hasMarker(data_, 62)) {
                violation("system function data without AA 55 in bytes 62 and 63");
                break;
            }
            system_ = SimSystem{data_[1], data_[2], data_[3], data_[4], data_[5], data_[6]};
            exchanges_.push_back(SimExchange::SystemFunctions);
            break;
        case kMacros: {
            if (data_.empty() || data_.size() > kMacroImageBytes ||
                !hasMarker(data_, data_.size() - 2)) {
                violation("macro image without AA 55 at its end");
                break;
            }
            macroImage_ = data_;
            decodeMacros(&violations_);
            exchanges_.push_back(SimExchange::Macros);
            break;
        }
        default:
            break;
    }
}

std::vector<SimMacro> SimulatedKeyboard::decodeMacros(std::vector<std::string>* problems) const {
    std::vector<SimMacro> out;
    const auto& img = macroImage_;
    if (img.size() < kMacroDirectoryBytes) {
        if (problems && !img.empty()) problems->push_back("macro image shorter than its directory");
        return out;
    }
    for (std::size_t slot = 0; slot < kMacroSlots; ++slot) {
        const std::uint8_t* s = &img[slot * 4];
        if (s[0] == 0 && s[1] == 0 && s[2] == 0 && s[3] == 0) break;
        SimMacro m;
        if (s[0] == 0xFF && s[1] == 0xFF && s[2] == 0xFF && s[3] == 0xFF) {
            m.empty = true;
            out.push_back(m);
            continue;
        }
        m.offset = le16(s);
        if (m.offset < kMacroDirectoryBytes || m.offset + 8u > img.size()) {
            if (problems)
                problems->push_back("macro slot " + std::to_string(slot) +
                                    " points outside the image");
            break;
        }
        const std::size_t count = le16(&img[m.offset]);
        if (m.offset + 8u + 4 * count > img.size()) {
            if (problems)
                problems->push_back("macro slot " + std::to_string(slot) + " runs past the image");
            break;
        }
        for (std::size_t k = 0; k < count; ++k)
            m.events.push_back(decodeEvent(&img[m.offset + 8 + 4 * k]));
        out.push_back(std::move(m));
    }
    return out;
}

void SimulatedKeyboard::askForRepeat(std::size_t commandOrdinal) {
    std::lock_guard lock(mutex_);
    repeatAsked_.insert(commandOrdinal);
}

void SimulatedKeyboard::failTransfer(std::size_t transferOrdinal) {
    std::lock_guard lock(mutex_);
    failing_.insert(transferOrdinal);
}

void SimulatedKeyboard::vanishAt(std::size_t transferOrdinal, std::function<void()> onVanish) {
    std::lock_guard lock(mutex_);
    vanishAt_ = transferOrdinal;
    onVanish_ = std::move(onVanish);
}

bool SimulatedKeyboard::gone() const {
    std::lock_guard lock(mutex_);
    return !present_;
}

void SimulatedKeyboard::reconnect() {
    std::lock_guard lock(mutex_);
    vanishAt_.reset();
    present_ = true;
    // A replugged keyboard starts outside any exchange.
    begin_ = header_ = 0;
    expected_ = received_ = 0;
    lastSetWasData_ = runJustCompleted_ = false;
    lastEnded_ = 0;
    data_.clear();
}

void SimulatedKeyboard::setReadLength(std::size_t length) {
    std::lock_guard lock(mutex_);
    readLength_ = length;
}

bool SimulatedKeyboard::present() const {
    std::lock_guard lock(mutex_);
    return present_;
}

bool SimulatedKeyboard::hasKeyTable(int layer) const {
    std::lock_guard lock(mutex_);
    return (layer == 0 || layer == 1) && keys_[layer].has_value();
}

SimKeyEntry SimulatedKeyboard::keyEntry(int layer, int keyIndex) const {
    std::lock_guard lock(mutex_);
    if ((layer != 0 && layer != 1) || !keys_[layer] || keyIndex < 0 ||
        static_cast<std::size_t>(keyIndex) * 4 + 4 > kTableBytes - 2)
        return {};
    const auto& t = *keys_[layer];
    const std::size_t at = static_cast<std::size_t>(keyIndex) * 4;
    return {t[at], t[at + 1], t[at + 2], t[at + 3]};
}

std::array<std::uint8_t, SimulatedKeyboard::kTableBytes> SimulatedKeyboard::keyTable(
    int layer) const {
    std::lock_guard lock(mutex_);
    if ((layer != 0 && layer != 1) || !keys_[layer]) return {};
    return *keys_[layer];
}

std::optional<SimLightMode> SimulatedKeyboard::lightMode() const {
    std::lock_guard lock(mutex_);
    return light_;
}

std::size_t SimulatedKeyboard::storeCount() const {
    std::lock_guard lock(mutex_);
    return stores_;
}

bool SimulatedKeyboard::hasPerKeyColours() const {
    std::lock_guard lock(mutex_);
    return leds_.has_value();
}

std::optional<std::uint32_t> SimulatedKeyboard::ledColour(int lightIndex) const {
    std::lock_guard lock(mutex_);
    if (!leds_ || lightIndex < 0 || static_cast<std::size_t>(lightIndex) >= kLedEntries)
        return std::nullopt;
    const std::uint8_t* e = &(*leds_)[static_cast<std::size_t>(lightIndex) * 4];
    if (e[0] != lightIndex) return std::nullopt;
    return (std::uint32_t{e[1]} << 16) | (std::uint32_t{e[2]} << 8) | e[3];
}

std::array<std::uint8_t, SimulatedKeyboard::kTableBytes> SimulatedKeyboard::perKeyTable() const {
    std::lock_guard lock(mutex_);
    return leds_ ? *leds_ : std::array<std::uint8_t, kTableBytes>{};
}

std::optional<SimSystem> SimulatedKeyboard::systemFunctions() const {
    std::lock_guard lock(mutex_);
    return system_;
}

std::vector<std::uint8_t> SimulatedKeyboard::macroImage() const {
    std::lock_guard lock(mutex_);
    return macroImage_;
}

std::vector<SimMacro> SimulatedKeyboard::macros() const {
    std::lock_guard lock(mutex_);
    return decodeMacros(nullptr);
}

std::vector<SimExchange> SimulatedKeyboard::exchanges() const {
    std::lock_guard lock(mutex_);
    return exchanges_;
}

std::vector<std::string> SimulatedKeyboard::violations() const {
    std::lock_guard lock(mutex_);
    return violations_;
}

std::vector<std::vector<std::uint8_t>> SimulatedKeyboard::writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
}

std::size_t SimulatedKeyboard::transferCount() const {
    std::lock_guard lock(mutex_);
    return transfers_;
}

bool SimulatedKeyboard::idle() const {
    std::lock_guard lock(mutex_);
    return begin_ == 0;
}

}  // namespace korvex
