#pragma once

#include <chrono>

namespace korvex {

// The keyboard needs a quiet gap before every report. The gap is taken on a
// monotonic clock; tests swap in a clock that only counts.
class PauseClock {
  public:
    virtual ~PauseClock() = default;
    // Returns no earlier than `gap` after the call.
    virtual void pause(std::chrono::nanoseconds gap) = 0;
};

// Sleeps on std::chrono::steady_clock until the deadline. It sleeps to just
// short of the deadline and yields for the rest, so the gap is never short and
// overshoots by microseconds rather than by the scheduler's timer slack.
class SteadyPauseClock final : public PauseClock {
  public:
    void pause(std::chrono::nanoseconds gap) override;

    // The process-wide instance used when nobody injects a clock.
    static SteadyPauseClock& instance();
};

}  // namespace korvex
