// Importing a full profile (both layers of all 80 keys, 100 macros) into a
// settings file, with and without the backup taken before it.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "catalog/FunctionCatalog.h"
#include "catalog/KeyCatalog.h"
#include "exchange/Backups.h"
#include "exchange/ProfileFile.h"
#include "store/DeviceSQLite.h"

#include "../TempFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace korvex;

constexpr int kMacros = 100;

std::string fullProfile() {
    ProfileFile file;
    file.name = "Everything";
    file.selectedLightMode = 4;
    for (std::int64_t mode = 0; mode <= 20; ++mode) file.lightModes.push_back({mode, {}});
    for (int m = 0; m < kMacros; ++m) {
        ProfileFile::Macro macro{"Macro " + std::to_string(m), 1, 0, 0, {}};
        macro.events = {{0, 0, 2, 0, 4, "A"}, {0, 0, 1, 1, 20, "20"}, {0, 0, 3, 2, 4, "A"}};
        file.macros.push_back(macro);
    }
    int n = 0;
    for (std::size_t layer = 0; layer < 2; ++layer) {
        for (const KeyInfo& key : allKeys()) {
            ProfileFile::Assignment a{key.code, kMacroTypeKeyboard, 5, 0, 0, {}, "B"};
            if (n < kMacros) {
                a = {key.code,
                     kMacroTypeMacro,
                     0,
                     kPlayOnce,
                     0,
                     "Macro " + std::to_string(n),
                     "Macro " + std::to_string(n)};
            }
            ++n;
            file.layers[layer].push_back(a);
        }
    }
    ProfileFile::UserLight light{"All keys", {}};
    for (const KeyInfo& key : allKeys()) light.colours.emplace_back(key.code, 0x3366CC);
    file.userLights.push_back(light);
    return profileFileText(file);
}

void BM_ImportFullProfile(benchmark::State& state) {
    const bool withBackup = state.range(0) != 0;
    TempFolder folder;
    const fs::path fresh = folder.path / "fresh.sqlite3";
    const fs::path file = folder.path / "settings.sqlite3";
    {
        DeviceSQLite store([](const std::string&) {});
        if (!store.openFile(fresh.string()).ok) state.SkipWithError("open failed");
    }
    BackupShelf shelf((folder.path / "backups").string());
    const std::string text = fullProfile();
    if (!parseProfileFile(text).file) state.SkipWithError("the benchmark's file is refused");
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(fresh, file, fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        const ProfileImport r = importProfile(file.string(), text, withBackup ? &shelf : nullptr);
        if (!r.ok) state.SkipWithError(r.message.c_str());
    }
}
BENCHMARK(BM_ImportFullProfile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
