// Store speed on a real file: opening a new file (tables and first-run rows),
// rewriting the 80 colours of a user light, reading a profile's key rows.

#include <benchmark/benchmark.h>
#include <unistd.h>
#include <cstdlib>

#include <filesystem>
#include <string>
#include <vector>

#include "store/DeviceSQLite.h"

#include "../TempFolder.h"

namespace {

namespace fs = std::filesystem;

constexpr int kKeys = 80;

korvex::DeviceSQLite quietStore() {
    return korvex::DeviceSQLite([](const std::string&) {});
}

void BM_CreateAndFillNewFile(benchmark::State& state) {
    TempFolder folder;
    int n = 0;
    for (auto _ : state) {
        const fs::path file = folder.path / (std::to_string(n++) + ".sqlite3");
        auto store = quietStore();
        if (!store.openFile(file.string()).ok) state.SkipWithError("open failed");
        state.PauseTiming();
        fs::remove(file);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CreateAndFillNewFile)->Unit(benchmark::kMillisecond);

std::vector<korvex::UserLightLEDData> colours(int round) {
    std::vector<korvex::UserLightLEDData> leds;
    for (int key = 0; key < kKeys; ++key) {
        leds.push_back({0, 0, 4 + key, 1 + (key * 1021 + round) % 0xFFFFFF});
    }
    return leds;
}

void BM_RewriteUserLightColours(benchmark::State& state) {
    TempFolder folder;
    auto store = quietStore();
    if (!store.openFile((folder.path / "s.sqlite3").string()).ok) std::abort();
    const std::int64_t scheme = store.addUserLight(1, "bench");
    const auto a = colours(0), b = colours(1);
    bool flip = false;
    for (auto _ : state) {
        if (!store.rewriteUserLightLEDData(scheme, (flip = !flip) ? a : b)) {
            state.SkipWithError("rewrite failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_RewriteUserLightColours)->Unit(benchmark::kMillisecond);

void BM_ReadAllKeyRowsOfProfile(benchmark::State& state) {
    TempFolder folder;
    auto store = quietStore();
    if (!store.openFile((folder.path / "s.sqlite3").string()).ok) std::abort();
    for (std::int64_t layer : {0, 1}) {
        for (int key = 0; key < kKeys; ++key) {
            if (store.addKeyProfile({0, layer, 1, 4 + key, 3, 30 + key, 0, 0, "Key"}) == 0)
                std::abort();
        }
    }
    std::vector<korvex::ProfileKey> rows;
    rows.reserve(2 * kKeys);
    for (auto _ : state) {
        rows.clear();
        if (!store.queryKeysProfile(1, 0, rows) || !store.queryKeysProfile(1, 1, rows))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(rows.data());
    }
    if (rows.size() != 2 * kKeys) state.SkipWithError("wrong row count");
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(rows.size()));
}
BENCHMARK(BM_ReadAllKeyRowsOfProfile)->Unit(benchmark::kMicrosecond);

}  // namespace
