#include <benchmark/benchmark.h>

#include "catalog/KeyCatalog.h"
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

}  // namespace
}  // namespace korvex
