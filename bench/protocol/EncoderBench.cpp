#include <benchmark/benchmark.h>

#include <chrono>

#include "catalog/KeyCatalog.h"
#include "device/DeviceComm.h"
#include "device/SimulatedKeyboard.h"
#include "protocol/Encoders.h"

namespace korvex {
namespace {

// Every key of both layers reassigned: the largest key upload there is.
void BM_KeyTables(benchmark::State& state) {
    std::vector<ProfileKey> top, fn;
    std::vector<MacroInfo> macros(100);
    for (std::size_t i = 0; i < macros.size(); ++i) macros[i].macroId = static_cast<int>(i) + 1;
    for (const KeyInfo& k : allKeys()) {
        top.push_back({0, 0, 1, k.code, 4, 100, 1, 5, ""});  // the last macro: the longest search
        fn.push_back({0, 1, 1, k.code, 3, 4, 225, 0, ""});
    }
    for (auto _ : state) benchmark::DoNotOptimize(keyTablesUpload(1, top, fn, macros));
}
BENCHMARK(BM_KeyTables)->Unit(benchmark::kMicrosecond);

void BM_UserLight(benchmark::State& state) {
    std::vector<UserLightLEDData> leds;
    for (const KeyInfo& k : allKeys()) leds.push_back({0, 1, k.code, 0x12AB34});
    for (auto _ : state) benchmark::DoNotOptimize(userLightUpload(1, leds));
}
BENCHMARK(BM_UserLight)->Unit(benchmark::kMicrosecond);

void BM_LightModeAndSystem(benchmark::State& state) {
    const lightData record;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lightModeUpload(5, record));
        benchmark::DoNotOptimize(systemFunctionUpload({true, true, false, true, 1, 3}));
    }
}
BENCHMARK(BM_LightModeAndSystem)->Unit(benchmark::kMicrosecond);

// The largest image the keyboard takes: 682 events in 50 reports.
void BM_MacroImage(benchmark::State& state) {
    std::vector<MacroInfo> macros(1);
    macros[0].macroId = 1;
    std::vector<RecordInfo> rows = {{0, 1, 1, 0, 1, ""}};
    for (int i = 0; i < 341; ++i) rows.push_back({0, 1, i % 2 ? 3 : 2, i + 1, 4, ""});
    for (auto _ : state) {
        const MacroImageResult r = SaveMacroToKeyboard(macros, rows);
        if (r.status != MacroImageStatus::Ready) state.SkipWithError("refused");
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_MacroImage)->Unit(benchmark::kMicrosecond);

// The encoded per-key colour upload, sent with the real 8 ms pacing to the
// simulated keyboard: wall time over the 26 x 8 ms floor, on average and for
// the slowest run.
void BM_UserLightSentPaced(benchmark::State& state) {
    std::vector<UserLightLEDData> leds;
    for (const KeyInfo& k : allKeys()) leds.push_back({0, 1, k.code, 0x12AB34});
    SimulatedKeyboard kb;
    DeviceComm comm(&kb);
    double worst = 0, total = 0;
    std::size_t transfers = 0;
    for (auto _ : state) {
        const std::size_t before = kb.transferCount();
        const auto start = std::chrono::steady_clock::now();
        const UploadResult r = sendTransfers(comm, userLightUpload(1, leds).transfers);
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        worst = std::max(worst, s);
        total += s;
        if (r.status != UploadResult::Status::Sent) state.SkipWithError("not sent");
        transfers = kb.transferCount() - before;
    }
    const double floor = static_cast<double>(transfers) * 0.008;
    state.counters["transfers"] = static_cast<double>(transfers);
    state.counters["mean_ratio"] = total / static_cast<double>(state.iterations()) / floor;
    state.counters["worst_ratio"] = worst / floor;
    if (!kb.violations().empty()) state.SkipWithError(kb.violations().front().c_str());
}
BENCHMARK(BM_UserLightSentPaced)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace
}  // namespace korvex
