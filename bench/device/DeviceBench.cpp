#include <benchmark/benchmark.h>

#include <chrono>

#include "device/DeviceComm.h"
#include "device/SimulatedKeyboard.h"

namespace korvex {
namespace {

Transfer command(std::uint8_t code, std::uint8_t byte8 = 0) {
    std::vector<std::uint8_t> c(65, 0);
    c[0] = 0x04, c[1] = code, c[8] = byte8;
    return {Transfer::Kind::Command, c, 0};
}

// Per-key colours followed by the switch into user light mode: 26 link calls.
std::vector<Transfer> perKeyUpload() {
    std::vector<std::uint8_t> table(780, 0);
    for (int i = 0; i < 123; ++i) table[4 * i] = static_cast<std::uint8_t>(i), table[4 * i + 1] = 0x40;
    table[574] = 0xAA, table[575] = 0x55;
    std::vector<std::uint8_t> mode(64, 0);
    mode[0] = 0x80, mode[1] = 0xFF, mode[8] = 1, mode[9] = mode[10] = mode[11] = 0x0F;
    mode[14] = 0xAA, mode[15] = 0x55;
    return {command(0x18), command(0x23, 9), {Transfer::Kind::Bulk, table, 640},
            command(0x02), command(0xF0),    command(0x18),
            command(0x13, 1), {Transfer::Kind::Data, mode, 0}, command(0x02), command(0xF0)};
}

// Real 8 ms pacing against the simulated keyboard. The floor is 26 x 8 ms;
// "floor_ratio" is wall time over that floor.
void BM_PerKeyColourUpload(benchmark::State& state) {
    SimulatedKeyboard kb;
    DeviceComm comm(&kb);
    const auto upload = perKeyUpload();
    std::size_t transfers = 0;
    double worst = 0;
    for (auto _ : state) {
        const std::size_t before = kb.transferCount();
        const auto start = std::chrono::steady_clock::now();
        const UploadResult r = sendTransfers(comm, upload);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        worst = std::max(worst, s);
        benchmark::DoNotOptimize(r);
        transfers = kb.transferCount() - before;
    }
    const double floor = static_cast<double>(transfers) * 0.008;
    state.counters["transfers"] = static_cast<double>(transfers);
    state.counters["floor_ms"] = floor * 1e3;
    state.counters["worst_ms"] = worst * 1e3;
    state.counters["worst_ratio"] = worst / floor;
    if (!kb.violations().empty()) state.SkipWithError(kb.violations().front().c_str());
}
BENCHMARK(BM_PerKeyColourUpload)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_SteadyPause8ms(benchmark::State& state) {
    SteadyPauseClock clock;
    for (auto _ : state) clock.pause(DeviceComm::kPause);
}
BENCHMARK(BM_SteadyPause8ms)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(100);

}  // namespace
}  // namespace korvex
