// Lookups run per key on every relabel, colour upload and recorded event, so
// they should stay well under a microsecond.
#include <benchmark/benchmark.h>

#include "catalog/EvdevKeys.h"
#include "catalog/FunctionCatalog.h"
#include "catalog/KeyCatalog.h"

namespace {

void BM_FindKeyByCode(benchmark::State& state) {
    const auto keys = korvex::allKeys();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(korvex::findKeyByCode(keys[i].code));
        i = (i + 1) % keys.size();
    }
}
BENCHMARK(BM_FindKeyByCode);

void BM_CodeOfName(benchmark::State& state) {
    const auto entries = korvex::G_KB_SuperKeyNameMap.entries();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(korvex::codeOfName(entries[i].key_name));
        i = (i + 1) % entries.size();
    }
}
BENCHMARK(BM_CodeOfName);

void BM_HidUsageFromEvdev(benchmark::State& state) {
    int e = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(korvex::hidUsageFromEvdev(e));
        e = (e + 1) & 0x1FF;
    }
}
BENCHMARK(BM_HidUsageFromEvdev);

void BM_CustomKeyFuncShortName(benchmark::State& state) {
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            korvex::customKeyFuncShortName(korvex::CustomKeyFuncCodeMap[i].code));
        i = (i + 1) % korvex::CustomKeyFuncCodeMap.size();
    }
}
BENCHMARK(BM_CustomKeyFuncShortName);

}  // namespace
