#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "device/HidLink.h"
#include "device/PauseClock.h"

namespace korvex::test {

// One shared journal of pauses and link calls, so tests can check that every
// transfer was preceded by a full pause.
struct Journal {
    std::vector<std::string> events;  // "pause 8000000", "set", "get"
};

class CountingClock final : public PauseClock {
  public:
    explicit CountingClock(Journal* journal = nullptr) : journal_(journal) {}
    void pause(std::chrono::nanoseconds gap) override {
        ++pauses;
        total += gap;
        if (journal_) journal_->events.push_back("pause " + std::to_string(gap.count()));
    }
    int pauses = 0;
    std::chrono::nanoseconds total{0};

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
        if (journal_) journal_->events.push_back("set");
        sets.emplace_back(data.begin(), data.end());
        const bool fail = failSetAt >= 0 && static_cast<int>(sets.size()) - 1 == failSetAt;
        return !fail;
    }
    bool getFeatureReport(std::span<std::uint8_t> buf, std::size_t& bytesRead) override {
        if (journal_) journal_->events.push_back("get");
        ++gets;
        Answer a;
        if (!answers.empty()) {
            a = answers.front();
            answers.pop_front();
        }
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

inline std::vector<std::uint8_t> answerWithByte3(std::uint8_t b3) {
    std::vector<std::uint8_t> a(64, 0);
    a[0] = 0x04;
    a[3] = b3;
    return a;
}

}  // namespace korvex::test
