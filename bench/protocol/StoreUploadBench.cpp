// Building each upload from a settings database on disk, as the window does
// after every change: the reads and the encoding together.

#include <benchmark/benchmark.h>
#include <unistd.h>
#include <cstdlib>

#include <filesystem>

#include "catalog/KeyCatalog.h"
#include "store/DeviceSQLite.h"
#include "sync/StoreUploads.h"

namespace korvex {
namespace {

namespace fs = std::filesystem;

// A well-used database: every key reassigned on both layers, 10 macros of 20
// events, a user light that colours every key.
class Fixture {
  public:
    Fixture() : dir_(fs::temp_directory_path() / ("korvex-bench-" + std::to_string(::getpid()))) {
        fs::remove_all(dir_);
        store_.setLogSink([](const std::string&) {});
        if (!store_.openFile((dir_ / "settings.sqlite3").string()).ok) std::abort();
        std::vector<std::int64_t> macroIds;
        for (int m = 0; m < 10; ++m) {
            const std::int64_t id = store_.addMacroProfile("macro " + std::to_string(m));
            std::vector<RecordInfo> rows;
            for (int e = 0; e < 20; ++e) rows.push_back({0, id, 2 + e % 2, e, 4, "a"});
            if (!store_.rewriteMacroRecords(id, rows)) std::abort();
            macroIds.push_back(id);
        }
        const std::int64_t light = store_.addUserLight(1, "User light 0");
        std::vector<UserLightLEDData> leds;
        for (const KeyInfo& k : allKeys()) {
            if (store_.addKeyProfile({0, 0, 1, k.code, 4, macroIds.back(), 1, 3, "macro"}) == 0 ||
                store_.addKeyProfile({0, 1, 1, k.code, 3, 4, 225, 0, "shift a"}) == 0)
                std::abort();
            leds.push_back({0, light, k.code, 0x12AB34});
        }
        if (!store_.rewriteUserLightLEDData(light, leds)) std::abort();
    }
    ~Fixture() { fs::remove_all(dir_); }
    DeviceSQLite& store() { return store_; }

  private:
    fs::path dir_;
    DeviceSQLite store_;
};

void BM_BuildFromStore(benchmark::State& state) {
    static Fixture fixture;
    const auto choice = static_cast<sync::UploadChoice>(state.range(0));
    for (auto _ : state) {
        const sync::BuiltUploads b = sync::buildUploads(fixture.store(), {choice, {}, {}, {}});
        if (b.status != sync::BuiltUploads::Status::Ready) state.SkipWithError(b.message.c_str());
        benchmark::DoNotOptimize(b);
    }
}
// Keys, System, LightMode, UserLight, Macros, Startup (all six uploads).
BENCHMARK(BM_BuildFromStore)->DenseRange(0, 5)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvex
