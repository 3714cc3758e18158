#include "device/PauseClock.h"

#include <thread>

namespace korvex {

namespace {
// Sleeping is cut this much short and the rest is spent yielding: wake-ups
// from a plain sleep come late by up to the timer slack (50 us by default).
constexpr std::chrono::microseconds kSpinTail{300};
}  // namespace

void SteadyPauseClock::pause(std::chrono::nanoseconds gap) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + gap;
    // Sleep may wake early (signals); loop until the sleep part is really over.
    while (Clock::now() + kSpinTail < deadline) {
        std::this_thread::sleep_until(deadline - kSpinTail);
    }
    while (Clock::now() < deadline) {
        std::this_thread::yield();
    }
}

SteadyPauseClock& SteadyPauseClock::instance() {
    static SteadyPauseClock clock;
    return clock;
}

}  // namespace korvex
