#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "device/DeviceComm.h"
#include "device/HidLink.h"
#include "device/PauseClock.h"
#include "device/SimulatedKeyboard.h"
#include "protocol/Transfer.h"

namespace korvex::test {

// One shared journal of pauses and link calls ("pause 8000000", "set", "get"),
// so tests can check that every transfer was preceded by a full pause.
using Journal = std::vector<std::string>;

class CountingClock final : public PauseClock {
  public:
    explicit CountingClock(Journal* journal = nullptr) : journal_(journal) {}
    void pause(std::chrono::nanoseconds gap) override {
        ++pauses;
        if (journal_) journal_->push_back("pause " + std::to_string(gap.count()));
    }
    int pauses = 0;

  private:
    Journal* journal_;
};

// A link that records what was written and plays back scripted answers.
class ScriptedLink final : public HidLink {
  public:
    struct Answer {
        std::vector<std::uint8_t> bytes;  // copied into the buffer
        std::size_t length = 64;          // reported bytesRead
        bool ok = true;
    };
    explicit ScriptedLink(Journal* journal = nullptr) : journal_(journal) {}

    bool setFeatureReport(std::span<const std::uint8_t> data) override {
        if (journal_) journal_->push_back("set");
        sets.emplace_back(data.begin(), data.end());
        return static_cast<int>(sets.size()) - 1 != failSetAt;
    }
    bool getFeatureReport(std::span<std::uint8_t> buf, std::size_t& bytesRead) override {
        if (journal_) journal_->push_back("get");
        ++gets;
        const Answer a = answers.empty() ? Answer{} : answers.front();
        if (!answers.empty()) answers.pop_front();
        for (std::size_t i = 0; i < a.bytes.size() && i < buf.size(); ++i) buf[i] = a.bytes[i];
        bytesRead = a.length;
        return a.ok;
    }

    std::vector<std::vector<std::uint8_t>> sets;
    int gets = 0;
    int failSetAt = -1;  // 0-based index of the write that fails
    std::deque<Answer> answers;

  private:
    Journal* journal_;
};

// The simulated keyboard behind the transport; pauses are only counted.
struct SimRig {
    CountingClock clock;
    SimulatedKeyboard kb;
    DeviceComm comm{&kb, &clock};
    UploadResult send(const std::vector<Transfer>& t) { return sendTransfers(comm, t); }
};

using Bytes = std::vector<std::uint8_t>;

inline Bytes answerWithByte3(std::uint8_t b3) {
    Bytes a(64, 0);
    a[0] = 0x04;
    a[3] = b3;
    return a;
}

// A command report: 65 bytes, zero but for the report id, the code and bytes 2 and 8.
inline Transfer command(std::uint8_t code, std::uint8_t byte8 = 0, std::uint8_t byte2 = 0) {
    Bytes c(65, 0);
    c[0] = 0x04, c[1] = code, c[2] = byte2, c[8] = byte8;
    return {Transfer::Kind::Command, c, 0};
}

// A 640-byte table buffer with AA 55 at 574 and 575 and the given 4-byte entries.
inline Bytes table(const std::vector<std::pair<int, std::array<std::uint8_t, 4>>>& entries) {
    Bytes t(640, 0);
    for (const auto& [index, e] : entries)
        for (int i = 0; i < 4; ++i) t[4 * index + i] = e[i];
    t[574] = 0xAA, t[575] = 0x55;
    return t;
}

// Begin, a table header, the run of the table and the end report.
inline std::vector<Transfer> tableUpload(std::uint8_t header, Bytes bytes,
                                         std::size_t length = 640) {
    return {command(0x18),
            command(header, 9),
            {Transfer::Kind::Bulk, std::move(bytes), length},
            command(0x02)};
}

// A light mode exchange: the 64-byte mode report gets its AA 55 at 14 and 15.
inline std::vector<Transfer> modeUpload(Bytes mode) {
    mode.resize(64), mode[14] = 0xAA, mode[15] = 0x55;
    return {command(0x18),
            command(0x13, 1),
            {Transfer::Kind::Data, mode, 0},
            command(0x02),
            command(0xF0)};
}

}  // namespace korvex::test
